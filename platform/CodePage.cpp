#include "platform/CodePage.h"

#include "platform/Cp866.h"
#include "platform/Koi8r.h"
#include "platform/RussianText.h"
#include "platform/SingleByte.h"
#include "platform/Windows1251.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace platform::codepage {

namespace {

// The byte unzip writes for each cp866 byte from 0x80 on (0: dropped).
constexpr std::array<unsigned char, 128> Unzipped = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5, // 80
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0x00, 0xD6, 0xDC, 0xF8, 0xA3, 0xD8, 0xD7, 0x83, // 90
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAE, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB, // A0
    0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0xC1, 0xC2, 0xC0, 0xA9, 0xA6, 0xA6, 0x2B, 0x2B, 0xA2, 0xA5, 0x2B, // B0
    0x2B, 0x2D, 0x2D, 0x2B, 0x2D, 0x2B, 0xE3, 0xC3, 0x2B, 0x2B, 0x2D, 0x2D, 0xA6, 0x2D, 0x2B, 0xA4, // C0
    0xF0, 0xD0, 0xCA, 0xCB, 0xC8, 0x69, 0xCD, 0xCE, 0xCF, 0x2B, 0x2B, 0xA6, 0x5F, 0xA6, 0xCC, 0xAF, // D0
    0xD3, 0xDF, 0xD4, 0xD2, 0xF5, 0xD5, 0xB5, 0xFE, 0xDE, 0xDA, 0xDB, 0xD9, 0xFD, 0xDD, 0xAF, 0xB4, // E0
    0xAD, 0xB1, 0x3D, 0xBE, 0xB6, 0xA7, 0xF7, 0xB8, 0xB0, 0xA8, 0xB7, 0xB9, 0xB3, 0xB2, 0xA6, 0xA0, // F0
};

// Each byte unzip leaves read back as the cp866 character it came from,
// letters before the signs that share a byte with them; a byte it never
// writes stays Latin-1.
std::array<char16_t, 256> makeUnzippedTable()
{
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = static_cast<char16_t>(b);
    for (const bool letters : {false, true}) {
        for (int c = 0x80; c < 0x100; ++c) {
            const char16_t shown = cp866::toUnicode(static_cast<unsigned char>(c));
            const unsigned char written = Unzipped[c - 0x80];
            if (written >= 0x80 && russian::isLetter(shown) == letters)
                t[written] = shown;
        }
    }
    return t;
}

const std::array<char16_t, 256> &tableOf(CodePage page)
{
    static const std::array<char16_t, 256> unzipped = makeUnzippedTable();
    switch (page) {
    case CodePage::Cp866:
        return cp866::table();
    case CodePage::Cp866Unzipped:
        return unzipped;
    case CodePage::Koi8r:
        return koi8r::table();
    case CodePage::Windows1251:
        break;
    }
    return windows1251::table();
}

} // namespace

QString decode(QByteArrayView bytes, CodePage page)
{
    return singlebyte::decode(tableOf(page), bytes);
}

QByteArray encode(QStringView text, CodePage page)
{
    if (page == CodePage::Windows1251)
        return windows1251::encode(text);
    if (page == CodePage::Koi8r)
        return singlebyte::encode(text, koi8r::fromUnicode);
    QByteArray bytes = cp866::encode(text);
    if (page == CodePage::Cp866Unzipped) {
        for (char &b : bytes) {
            if (static_cast<unsigned char>(b) >= 0x80)
                b = static_cast<char>(Unzipped[static_cast<unsigned char>(b) - 0x80]);
        }
        bytes.replace('\0', QByteArrayView());
    }
    return bytes;
}

QString name(CodePage page)
{
    switch (page) {
    case CodePage::Cp866:
        return u"cp866"_s;
    case CodePage::Cp866Unzipped:
        return u"cp866, as unzip converted it"_s;
    case CodePage::Koi8r:
        return u"KOI8-R"_s;
    case CodePage::Windows1251:
        break;
    }
    return u"windows-1251"_s;
}

QString decodeUtf8(QByteArrayView bytes, bool &complete)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom
                                                  | QStringDecoder::Flag::ConvertInvalidToNull);
    QString text = utf8(bytes);
    complete = !utf8.hasError();
    if (complete)
        return text;
    // Up to the first fault each character stands for its own bytes. A fault
    // reads as U+0000, or as U+FFFD when a sequence is cut short at the end,
    // where the bytes hold no such character.
    qsizetype at = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const QByteArrayView rest = bytes.sliced(at);
        if ((c == 0 && !rest.startsWith('\0')) || (c == 0xFFFD && !rest.startsWith("\xEF\xBF\xBD"))) {
            text.truncate(i);
            break;
        }
        if (QChar::isHighSurrogate(c)) {
            ++i;
            at += 4;
        } else {
            at += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
    return text;
}

bool isUtf8(QByteArrayView bytes)
{
    bool complete = false;
    (void)decodeUtf8(bytes, complete);
    return complete;
}

bool isUtf8Name(QByteArrayView bytes)
{
    bool complete = false;
    const QString text = decodeUtf8(bytes, complete);
    if (!complete)
        return false;
    // The accident reads as letters of another script (CJK, Hangul), marks
    // with no letter, codes for private use or none; signs (« » — … №),
    // digits, symbols and spaces are what the UTF-8 names of Russian titles
    // hold themselves, and never make one.
    bool accidental = false;
    for (const char32_t c : text.toUcs4()) {
        if (c <= 0xFFFF && russian::isLetter(static_cast<char16_t>(c)))
            return true;
        accidental =
            accidental
            || (c >= 0x80 && !QChar::isPunct(c) && !QChar::isSymbol(c) && !QChar::isNumber(c) && !QChar::isSpace(c));
    }
    if (!accidental)
        return true;
    const auto readsRussian = [](QChar c) { return c.unicode() < 0x80 || russian::isLetter(c.unicode()); };
    const int asUtf8 = russian::unlikelihood(text);
    for (const CodePage page : {CodePage::Windows1251, CodePage::Cp866, CodePage::Cp866Unzipped, CodePage::Koi8r}) {
        const QString decoded = decode(bytes, page);
        if (std::all_of(decoded.begin(), decoded.end(), readsRussian) && russian::unlikelihood(decoded) < asUtf8)
            return false;
    }
    return true;
}

CodePage ofNames(const QList<QByteArray> &names)
{
    // In order of how commonly names arrive in each, with what the rarer
    // ones must make up (in quarter bits): a short name that reads as a word
    // in two code pages (the bytes of "мед" in windows-1251 are "ЛЕД" in
    // KOI8-R) goes to the commoner unless the rarer reads better by that much.
    struct Candidate
    {
        CodePage page;
        qint64 cost;
    };
    std::array<Candidate, 4> candidates = {
        {{CodePage::Windows1251, 0}, {CodePage::Cp866, 0}, {CodePage::Cp866Unzipped, 4}, {CodePage::Koi8r, 8}}};
    for (const QByteArray &name : names) {
        if (isUtf8Name(name))
            continue;
        for (Candidate &candidate : candidates)
            candidate.cost += russian::unlikelihood(decode(name, candidate.page));
    }
    // The first of the least: a tie goes to the commoner.
    return std::min_element(candidates.begin(), candidates.end(),
                            [](const Candidate &a, const Candidate &b) { return a.cost < b.cost; })
        ->page;
}

} // namespace platform::codepage
