// parseLink on any address: it never fails, and the kind follows from the
// twelfth character alone: 'b' the biography, 's' the catalogue, 't' a work
// whose index is the number (leadingNumber, then toInt32) between the kind
// letter and the address's last character; an index that does not fit, a
// 't' with nothing after it, or any other character: no link.
#include "format/Link.h"
#include "fuzz/FuzzInput.h"
#include "platform/NumberConversion.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Bit 1 of the first byte puts the reader's own prefix in front, so that
    // half the inputs start as the view hands its links over.
    QString address = fuzz::textFrom(data, size);
    if (size > 0 && (data[0] & 2U) != 0)
        address.prepend(u"http://www."_s);

    const Link link = parseLink(address);

    Link::Kind kind = Link::Kind::None;
    std::int32_t index = 0;
    if (address.size() >= 12) {
        const char16_t letter = address[11].unicode();
        if (letter == u'b') {
            kind = Link::Kind::Biography;
        } else if (letter == u's') {
            kind = Link::Kind::Catalogue;
        } else if (letter == u't' && address.size() >= 13) {
            const QStringView number = QStringView(address).sliced(12).chopped(1);
            if (const auto n = platform::toInt32(platform::leadingNumber(number))) {
                kind = Link::Kind::Work;
                index = *n;
            }
        }
    }
    const std::string shown = address.toStdString();
    fuzz::check(link.kind == kind, "the link's kind", shown);
    if (kind == Link::Kind::Work)
        fuzz::check(link.index == index, "the work's index", shown);
    return 0;
}
