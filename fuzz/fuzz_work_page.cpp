// A whole work file, from bytes to page, as the reader opens it with a fresh
// generator: the seed line is read as the model's numeric item, the tables
// are inverse permutations of the codes 32..255, the body is every non-empty
// line after the first as the indent, each byte shown through the decoding
// table (a byte below 32 as U+0000) and "<br>", and the page is the fixed
// markup around the work's name and that body, with no line break in it.
#include "format/Pages.h"
#include "format/WorkFile.h"
#include "fuzz/FuzzInput.h"
#include "platform/InputTextFile.h"
#include "platform/LegacyRandom.h"
#include "platform/Windows1251.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace Qt::Literals::StringLiterals;

namespace {

void checkTables(const workfile::Tables &tables)
{
    std::array<bool, 256> seen{};
    for (int code = 0; code < 256; ++code) {
        const std::int32_t stored = tables.encoding[code];
        if (code < 32) {
            fuzz::check(stored == 0 && tables.decoding[code] == 0, "codes below 32 are left 0");
            continue;
        }
        fuzz::check(stored >= 32 && stored < 256 && !seen[stored], "encoding is a permutation of 32..255");
        seen[stored] = true;
        fuzz::check(tables.decoding[stored] == code, "decoding inverts encoding");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    platform::InputTextFile file;
    file.openBytes(bytes);
    platform::LegacyRandom random;
    const workfile::Header header = workfile::readHeader(file, random);
    const QString body = workfile::decodeBody(file, header.tables);
    const QString name = u"Осенняя элегия"_s;
    const QString page = pages::workPage(name, body);

    const std::vector<std::string> lines = fuzz::linesOf(std::string_view(bytes.constData(), size));
    const auto seed = fuzz::numberOf(lines.empty() ? std::string() : lines.front());
    fuzz::check(header.seedRead == seed.has_value() && header.seed == seed.value_or(0), "the seed line");
    checkTables(header.tables);

    QString expected;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        if (lines[k].empty())
            continue;
        expected += u"&nbsp;&nbsp;&nbsp;"_s;
        for (const char b : lines[k]) {
            const std::int32_t code = header.tables.decoding[static_cast<unsigned char>(b)];
            expected +=
                code == 0 ? QChar(0) : QChar(platform::windows1251::toUnicode(static_cast<unsigned char>(code)));
        }
        expected += u"<br>"_s;
    }
    fuzz::check(body == expected, "the body");

    const QString empty = pages::workPage(QString(), QString());
    fuzz::check(page.size() == empty.size() + name.size() + body.size(), "the page is markup, name and body");
    fuzz::check(page.startsWith(u"<html>"_s) && page.endsWith(u"</html>"_s), "the page is one document");
    fuzz::check(page.contains(name) && page.contains(body), "the page shows name and body");
    fuzz::check(!page.contains(u'\r') && !page.contains(u'\n'), "the page has no line break");
    return 0;
}
