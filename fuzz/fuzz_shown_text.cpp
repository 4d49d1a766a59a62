// ShownText on any markup: the text shown is the same however the markup is
// cut into pieces (at every place the input's bytes choose), holds no U+0000
// and is never longer than the markup; and text with no '<', '&', NUL or CR
// in a page's body shows exactly as written.
#include "format/ShownText.h"
#include "fuzz/FuzzInput.h"

#include <QString>

#include <cstddef>
#include <cstdint>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString markup = fuzz::textFrom(data, size);
    const QString whole = ShownText::of(markup);

    // Pieces of 1 to 16 units, their lengths drawn from the input's bytes.
    ShownText pieces;
    QString out;
    for (qsizetype at = 0, k = 0; at < markup.size(); ++k) {
        const qsizetype length = 1 + (size > 0 ? data[std::size_t(k) % size] % 16 : 0);
        pieces.feed(QStringView(markup).sliced(at, std::min(length, markup.size() - at)), out);
        at += length;
    }
    pieces.finish(out);
    if (pieces.hidesAll())
        out.clear();
    fuzz::check(out == whole, "the same text in pieces", out.toStdString() + " / " + whole.toStdString());
    fuzz::check(!whole.contains(QChar(0)), "no U+0000 shown");
    fuzz::check(whole.size() <= markup.size(), "never longer than the markup");

    QString plain = markup;
    plain.removeIf([](QChar c) { return c == u'<' || c == u'&' || c == u'\0' || c == u'\r'; });
    fuzz::check(ShownText::of(u"<body>"_s + plain) == plain, "plain text shows as written", plain.toStdString());
    return 0;
}
