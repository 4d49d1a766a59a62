#include "view/Hyphenator.h"

#include <QFile>
#include <QVarLengthArray>

#include <hyphen.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr char16_t SoftHyphen = 0x00AD;

bool isRussian(char16_t c)
{
    return (c >= u'А' && c <= u'я') || c == u'ё' || c == u'Ё';
}

// What a word is made of: anything else ends it. A soft hyphen already in a
// word keeps it one (and whole: its breaks are the text's own).
bool isWordPart(char32_t c)
{
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == SoftHyphen;
}

// The letter as the patterns spell it: lower case, ё as е (hyphen-ru has no ё).
char16_t lookupLetter(char16_t c)
{
    const char16_t lower = QChar::toLower(c);
    return lower == u'ё' ? u'е' : lower;
}

// KOI8-R's lower-case letters from 0xC0 on.
constexpr char16_t Koi8Lower[] = u"юабцдефгхийклмнопярстужвьызшэщчъ";

} // namespace

struct Hyphenator::Patterns
{
    HyphenDict *dictionary = nullptr;
    bool utf8 = false;
    // The KOI8-R byte of each letter from а to я.
    char koi8[32] = {};
    ~Patterns() { hnj_hyphen_free(dictionary); }
};

Hyphenator::Hyphenator(const QString &patterns)
{
    HyphenDict *dictionary = hnj_hyphen_load(QFile::encodeName(patterns).constData());
    if (!dictionary)
        return;
    auto loaded = std::make_unique<Patterns>();
    loaded->dictionary = dictionary;
    // The encoding is the file's first line.
    const QByteArray encoding = QByteArray(dictionary->cset).trimmed().toUpper();
    loaded->utf8 = dictionary->utf8 != 0;
    if (!loaded->utf8 && encoding != "KOI8-R")
        return;
    for (int i = 0; i < 32; ++i)
        loaded->koi8[Koi8Lower[i] - u'а'] = static_cast<char>(0xC0 + i);
    m_patterns = std::move(loaded);
}

Hyphenator::~Hyphenator() = default;

QString Hyphenator::defaultPatterns()
{
    return u"/usr/share/hyphen/hyph_ru_RU.dic"_s;
}

QString Hyphenator::hyphenated(QStringView text) const
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i;
        bool russian = true;
        while (end < text.size()) {
            const bool pair = text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate();
            const char32_t c = pair ? QChar::surrogateToUcs4(text[end], text[end + 1]) : text[end].unicode();
            if (!isWordPart(c))
                break;
            russian = russian && isRussian(text[end].unicode());
            end += pair ? 2 : 1;
        }
        if (end == i) {
            out += text[i++];
            continue;
        }
        const QStringView word = text.sliced(i, end - i);
        if (russian && word.size() >= MinWord && m_patterns)
            appendWord(out, word);
        else
            out += word;
        i = end;
    }
    return out;
}

void Hyphenator::appendWord(QString &out, QStringView word) const
{
    // The word in the patterns' encoding, ended by a NUL as libhyphen needs.
    QVarLengthArray<char, 64> bytes;
    if (m_patterns->utf8) {
        QString lower(word.size(), Qt::Uninitialized);
        for (qsizetype k = 0; k < word.size(); ++k)
            lower[k] = lookupLetter(word[k].unicode());
        const QByteArray utf8 = lower.toUtf8();
        bytes.append(utf8.constData(), utf8.size());
    } else {
        for (const QChar c : word)
            bytes.append(m_patterns->koi8[lookupLetter(c.unicode()) - u'а']);
    }
    const int size = static_cast<int>(bytes.size());
    bytes.append('\0');
    // Breaks after the letters whose number is odd; libhyphen writes a few
    // more than the word's bytes. With UTF-8 they are counted in letters.
    QVarLengthArray<char, 64> breaks(size + 5);
    char **replacements = nullptr;
    int *positions = nullptr;
    int *cuts = nullptr;
    hnj_hyphen_hyphenate2(m_patterns->dictionary, bytes.constData(), size, breaks.data(), nullptr, &replacements,
                          &positions, &cuts);
    for (qsizetype k = 0; k < word.size(); ++k) {
        out += word[k];
        // A break that changes the letters around it cannot be a soft hyphen.
        const bool replaced = replacements && replacements[k];
        if (k + 1 >= MinPart && word.size() - k - 1 >= MinPart && (breaks[k] & 1) && !replaced)
            out += QChar(SoftHyphen);
    }
    if (replacements) {
        for (int k = 0; k < size; ++k)
            std::free(replacements[k]);
    }
    std::free(replacements);
    std::free(positions);
    std::free(cuts);
}
