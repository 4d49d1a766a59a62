#include "format/WorkFile.h"

#include "platform/Windows1251.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace workfile {

namespace {

constexpr int FirstCode = 32;
constexpr int CodeCount = 224;

// The character shown for each stored byte, both tables folded into one.
std::array<char16_t, 256> shownCharacters(const Tables &tables)
{
    std::array<char16_t, 256> shown{};
    for (int x = 0; x < 256; ++x) {
        const std::int32_t code = tables.decoding[x];
        shown[x] = code == 0 ? char16_t(0) : platform::windows1251::toUnicode(static_cast<unsigned char>(code));
    }
    return shown;
}

void appendShown(QByteArrayView line, const std::array<char16_t, 256> &shown, QString &out)
{
    const qsizetype at = out.size();
    out.resize(at + line.size());
    char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + at;
    for (char b : line)
        *dst++ = shown[static_cast<unsigned char>(b)];
}

} // namespace

Tables buildTables(platform::LegacyRandom &random)
{
    Tables t;
    for (int i = FirstCode; i < FirstCode + CodeCount; ++i) {
        int k = 0;
        do {
            const double r = random.next();
            k = static_cast<int>(std::floor(r * CodeCount)) + FirstCode;
        } while (t.encoding[k] != 0);
        t.encoding[k] = i;
        t.decoding[i] = k;
    }
    return t;
}

std::optional<std::int32_t> reseedArgument(std::int32_t seed)
{
    const std::int64_t argument = -static_cast<std::int64_t>(seed) - 529;
    if (seed == INT32_MIN || argument < INT32_MIN || argument > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(argument);
}

void reseedFor(std::int32_t seed, platform::LegacyRandom &random)
{
    if (const auto argument = reseedArgument(seed))
        random.next(*argument);
}

Header readHeader(platform::InputTextFile &file, platform::LegacyRandom &random)
{
    const std::optional<std::int32_t> item = file.readNumber();
    Header header;
    header.seed = item.value_or(0);
    header.seedRead = item.has_value();
    reseedFor(header.seed, random);
    header.tables = buildTables(random);
    return header;
}

bool lostLineEnds(QByteArrayView file)
{
    if (file.contains('\r'))
        return false;
    qsizetype i = 0;
    while (i < file.size() && (file[i] == ' ' || file[i] == '\t'))
        ++i;
    if (i < file.size() && (file[i] == '+' || file[i] == '-'))
        ++i;
    while (i < file.size() && file[i] >= '0' && file[i] <= '9')
        ++i;
    // Blanks and empty lines would show nothing anyway.
    for (; i < file.size(); ++i) {
        if (file[i] != '\n' && file[i] != ' ' && file[i] != '\t')
            return true;
    }
    return false;
}

QString decodeBody(platform::InputTextFile &file, const Tables &tables)
{
    static constexpr char16_t Indent[] = u"&nbsp;&nbsp;&nbsp;";
    static constexpr char16_t Break[] = u"<br>";
    const auto shown = shownCharacters(tables);
    QString body;
    // The body is the file's size plus a little markup per line.
    body.reserve(file.size() + file.size() / 8 + 64);
    while (!file.atEnd()) {
        const QByteArrayView line = file.readLine();
        if (line.isEmpty())
            continue;
        body.append(QStringView(Indent));
        appendShown(line, shown, body);
        body.append(QStringView(Break));
    }
    return body;
}

QStringList decodeLines(platform::InputTextFile &file, const Tables &tables)
{
    const auto shown = shownCharacters(tables);
    QStringList lines;
    while (!file.atEnd()) {
        const QByteArrayView line = file.readLine();
        if (line.isEmpty())
            continue;
        QString text;
        appendShown(line, shown, text);
        lines.append(text);
    }
    return lines;
}

std::optional<TextPosition> firstUnstorable(const QStringList &lines)
{
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const QString &line = lines[l];
        for (qsizetype c = 0; c < line.size(); ++c) {
            const char16_t ch = line[c].unicode();
            if (platform::windows1251::fromUnicode(ch) < FirstCode)
                return TextPosition{l + 1, c + 1, ch};
        }
    }
    return std::nullopt;
}

QByteArray encodeWork(std::int32_t seed, const QStringList &lines, platform::LegacyRandom random)
{
    reseedFor(seed, random);
    const Tables tables = buildTables(random);

    QByteArray out = QByteArray::number(seed);
    out.append("\r\n");
    for (const QString &line : lines) {
        for (QChar c : line) {
            const int code = platform::windows1251::fromUnicode(c.unicode());
            out.append(static_cast<char>(tables.encoding[code >= FirstCode ? code : '?']));
        }
        out.append("\r\n");
    }
    return out;
}

} // namespace workfile
