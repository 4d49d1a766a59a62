#include "format/WorkFile.h"

#include "platform/SingleByte.h"
#include "platform/Windows1251.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace workfile {

namespace {

constexpr int FirstCode = 32;
constexpr int CodeCount = 224;

// Every stored byte's shown character in UTF-8: its one to three bytes,
// then their count in the fourth.
using Utf8Table = std::array<std::array<char, 4>, 256>;

Utf8Table utf8Characters(const Tables &tables)
{
    const auto shown = shownCharacters(tables);
    Utf8Table table{};
    for (int x = 0; x < 256; ++x) {
        const char16_t c = shown[x];
        if (c < 0x80)
            table[x] = {static_cast<char>(c), 0, 0, 1};
        else if (c < 0x800)
            table[x] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F)), 0, 2};
        else
            table[x] = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                        static_cast<char>(0x80 | (c & 0x3F)), 3};
    }
    return table;
}

// How much of the seed line is held at a time.
constexpr qsizetype SeedPieceSize = qsizetype(64) * 1024;

// The seed line read piece by piece: its numeric item (platform::numberItem)
// and whether it shows its line ends lost (lostLineEnds), as if it were read
// whole.
class SeedLine
{
public:
    void read(QByteArrayView piece)
    {
        // Once text is seen after the number nothing more is learnt (no CR
        // comes before the line's end).
        if (m_part == Part::Rest && m_text)
            return;
        for (const char c : piece) {
            if (c == '\r')
                m_cr = true;
            switch (m_part) {
            case Part::Blanks:
                if (c == ' ' || c == '\t')
                    continue;
                m_part = Part::Sign;
                [[fallthrough]];
            case Part::Sign:
                m_part = Part::Digits;
                if (c == '+' || c == '-') {
                    m_negative = c == '-';
                    continue;
                }
                [[fallthrough]];
            case Part::Digits:
                if (c >= '0' && c <= '9') {
                    ++m_digits;
                    m_magnitude = std::min<std::int64_t>(m_magnitude * 10 + (c - '0'), TooLarge);
                    continue;
                }
                m_part = Part::Rest;
                [[fallthrough]];
            case Part::Rest:
                // Blanks and empty lines would show nothing anyway.
                if (c != '\n' && c != ' ' && c != '\t')
                    m_text = true;
                break;
            }
        }
    }
    [[nodiscard]] std::optional<std::int32_t> number() const
    {
        if (m_digits == 0 || m_magnitude > 2147483648LL)
            return std::nullopt;
        const std::int64_t value = m_negative ? -m_magnitude : m_magnitude;
        if (value > 2147483647LL)
            return std::nullopt;
        return static_cast<std::int32_t>(value);
    }
    [[nodiscard]] bool lostLineEnds() const { return !m_cr && m_text; }

private:
    enum class Part { Blanks, Sign, Digits, Rest };
    static constexpr std::int64_t TooLarge = 2147483649LL;
    Part m_part = Part::Blanks;
    bool m_negative = false;
    qsizetype m_digits = 0;
    std::int64_t m_magnitude = 0;
    bool m_cr = false;
    bool m_text = false;
};

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

CharacterTable shownCharacters(const Tables &tables)
{
    CharacterTable shown{};
    for (int x = 0; x < 256; ++x) {
        const std::int32_t code = tables.decoding[x];
        shown[x] = code == 0 ? char16_t(0) : platform::windows1251::toUnicode(static_cast<unsigned char>(code));
    }
    return shown;
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
    SeedLine seedLine;
    do
        seedLine.read(file.readLinePiece(SeedPieceSize));
    while (!file.lineDone());
    const std::optional<std::int32_t> item = seedLine.number();
    Header header;
    // A seed line without a line end is the whole file.
    header.lineEndsLost = !file.lineEnded() && seedLine.lostLineEnds();
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
        platform::singlebyte::appendDecoded(shown, line, body);
        body.append(QStringView(Break));
    }
    return body;
}

bool decodeLinePieces(platform::InputTextFile &file, const CharacterTable &characters, qsizetype pieceSize,
                      const std::function<bool(QStringView text, bool first, bool last)> &piece)
{
    // One buffer for every piece: most works are many short lines.
    QString text;
    while (!file.atEnd()) {
        bool first = true;
        do {
            const QByteArrayView stored = file.readLinePiece(pieceSize);
            if (first && stored.isEmpty())
                break; // an empty line: shown as nothing
            text.resize(0);
            platform::singlebyte::appendDecoded(characters, stored, text);
            if (!piece(text, std::exchange(first, false), file.lineDone()))
                return false;
        } while (!file.lineDone());
    }
    return true;
}

bool decodeUtf8(platform::InputTextFile &file, const Tables &tables,
                const std::function<bool(QByteArrayView piece)> &write, qsizetype pieceSize)
{
    const Utf8Table table = utf8Characters(tables);
    pieceSize = std::max<qsizetype>(pieceSize, 4);
    // One byte to spare: every character is copied as four bytes.
    QByteArray buffer(pieceSize + 1, Qt::Uninitialized);
    char *const start = buffer.data();
    char *out = start;
    const auto handOn = [&] {
        const bool written = write(QByteArrayView(start, out - start));
        out = start;
        return written;
    };
    while (!file.atEnd()) {
        QByteArrayView line = file.readLine();
        if (line.isEmpty())
            continue;
        while (!line.isEmpty()) {
            // As many bytes as surely fit, without a check for each.
            const qsizetype fit = std::min(line.size(), (pieceSize - (out - start)) / 3);
            if (fit == 0) {
                if (!handOn())
                    return false;
                continue;
            }
            for (const char byte : line.first(fit)) {
                const std::array<char, 4> &character = table[static_cast<unsigned char>(byte)];
                std::memcpy(out, character.data(), 4);
                out += static_cast<unsigned char>(character[3]);
            }
            line = line.sliced(fit);
        }
        if (out - start == pieceSize && !handOn())
            return false;
        *out++ = '\n';
    }
    return out == start || handOn();
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
