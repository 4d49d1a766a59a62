#include "format/TextMatch.h"

#include <QChar>

namespace textmatch {

char16_t fold(char16_t unit)
{
    const char32_t lower = QChar::toLower(char32_t(unit));
    if (lower > 0xFFFF)
        return unit;
    return lower == u'ё' ? u'е' : char16_t(lower);
}

QString fold(QStringView text)
{
    QString folded(text.size(), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(folded.data());
    for (const QChar c : text)
        *out++ = fold(c.unicode());
    return folded;
}

bool isBlank(QStringView phrase)
{
    return phrase.trimmed().isEmpty();
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

QList<qsizetype> find(QStringView text, QStringView phrase)
{
    if (isBlank(phrase))
        return {};
    return findFolded(fold(text), fold(phrase));
}

} // namespace textmatch
