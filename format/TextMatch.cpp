#include "format/TextMatch.h"

#include <QChar>

#include <array>
#include <memory>

namespace textmatch {

namespace {

// Every unit's fold, worked out once: folding is the inner loop of find.
const std::array<char16_t, 0x10000> &foldTable()
{
    static const std::unique_ptr<std::array<char16_t, 0x10000>> table = [] {
        auto folded = std::make_unique<std::array<char16_t, 0x10000>>();
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            const char32_t lower = QChar::toLower(unit);
            const char16_t one = lower > 0xFFFF ? char16_t(unit) : char16_t(lower);
            (*folded)[unit] = one == u'ё' ? u'е' : one;
        }
        return folded;
    }();
    return *table;
}

// JavaScript's whitespace, which String.prototype.trim() removes.
bool isScriptSpace(char16_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A)
           || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

} // namespace

char16_t fold(char16_t unit)
{
    return foldTable()[unit];
}

FoldedText foldKeepingOrigin(QStringView text)
{
    FoldedText folded;
    foldInto(text, folded);
    return folded;
}

void foldInto(QStringView text, FoldedText &folded)
{
    folded.text.resize(0);
    foldAppending(text, folded.text, folded.origin);
}

void foldAppending(QStringView text, QString &out, QList<qsizetype> &origin)
{
    const char16_t *const table = foldTable().data();
    const qsizetype at = out.size();
    out.resize(at + text.size());
    origin.resize(0);
    char16_t *const folded = reinterpret_cast<char16_t *>(out.data()) + at;
    const char16_t *const in = text.utf16();
    const qsizetype size = text.size();
    // Up to the first mark, unit for unit.
    qsizetype i = 0;
    for (; i < size && !isIgnored(in[i]); ++i)
        folded[i] = table[in[i]];
    if (i == size)
        return;
    // From there on the offsets differ.
    origin.reserve(size);
    for (qsizetype k = 0; k < i; ++k)
        origin.append(k);
    qsizetype n = i;
    for (; i < size; ++i) {
        if (isIgnored(in[i]))
            continue;
        origin.append(i);
        folded[n++] = table[in[i]];
    }
    out.truncate(at + n);
}

QString fold(QStringView text)
{
    return foldKeepingOrigin(text).text;
}

bool isBlank(QStringView phrase)
{
    for (const QChar c : phrase) {
        if (!isIgnored(c.unicode()) && !isScriptSpace(fold(c.unicode())))
            return false;
    }
    return true;
}

QList<qsizetype> findFolded(QStringView text, QStringView phrase)
{
    QList<qsizetype> offsets;
    if (phrase.isEmpty())
        return offsets;
    for (qsizetype at = text.indexOf(phrase); at >= 0; at = text.indexOf(phrase, at + phrase.size()))
        offsets.append(at);
    return offsets;
}

qsizetype countFolded(QStringView text, QStringView phrase)
{
    qsizetype count = 0;
    if (phrase.isEmpty())
        return count;
    for (qsizetype at = text.indexOf(phrase); at >= 0; at = text.indexOf(phrase, at + phrase.size()))
        ++count;
    return count;
}

QList<Span> find(QStringView text, QStringView phrase)
{
    QList<Span> spans;
    if (isBlank(phrase))
        return spans;
    const FoldedText folded = foldKeepingOrigin(text);
    const QString wanted = fold(phrase);
    for (const qsizetype at : findFolded(folded.text, wanted)) {
        const qsizetype start = folded.originOf(at);
        qsizetype end = folded.originOf(at + wanted.size() - 1) + 1;
        while (end < text.size() && isIgnored(text[end].unicode()))
            ++end;
        spans.append(Span{start, end - start});
    }
    return spans;
}

} // namespace textmatch
