#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The one matching rule of find, on a work's page and in the collection:
// letter case does not matter, nor ё against е (readers type е), nor
// combining marks (a stress mark typed or not: «мо́ре» is found by «море»),
// nor soft hyphens (which the reading layout puts into words).
//
// Texts are folded unit by unit: a UTF-16 unit from U+0300 to U+036F (the
// combining diacritical marks, U+0301 the stress among them) or U+00AD (the
// soft hyphen) is dropped;
// every other unit becomes its simple lower-case mapping when that is one
// unit (QChar::toLower: not for İ, whose lower case is two units, nor for a
// surrogate), else stays as it is; then ё becomes е. The page's own script
// folds the same way: for each unit c, nothing when 0x300 <= c <= 0x36F or
// c is 0xAD, else
// c.toLowerCase() when that is one unit, else c; then 'ё' → 'е'.
//
// A folded text is shorter than its original by the marks dropped, so it
// keeps where each of its units came from. A match is found in folded text;
// in the original it runs from its first letter to its last and on over the
// combining marks that follow that.
namespace textmatch {

// Whether a unit is dropped by folding: a combining mark, a soft hyphen.
[[nodiscard]] constexpr bool isIgnored(char16_t unit)
{
    return (unit >= 0x0300 && unit <= 0x036F) || unit == 0x00AD;
}
// The folded unit of one that is not ignored.
[[nodiscard]] char16_t fold(char16_t unit);

struct FoldedText
{
    QString text;
    // Where each unit of text stands in the original. Empty when nothing was
    // dropped: an offset in one is then the same in the other.
    QList<qsizetype> origin;

    [[nodiscard]] qsizetype originOf(qsizetype offset) const { return origin.isEmpty() ? offset : origin[offset]; }
};
[[nodiscard]] FoldedText foldKeepingOrigin(QStringView text);
// The same into folded, whose room is kept for the next text.
void foldInto(QStringView text, FoldedText &folded);
// Appends text folded to out; origin as FoldedText's, from text's start.
void foldAppending(QStringView text, QString &out, QList<qsizetype> &origin);
[[nodiscard]] QString fold(QStringView text);

// Whether a phrase finds nothing anywhere: nothing but whitespace once
// folded, whitespace as the page's script trims it (JavaScript's).
[[nodiscard]] bool isBlank(QStringView phrase);

// Where a folded phrase stands in a folded text: the offsets of its
// occurrences, searched left to right, none overlapping the one before.
// Nothing for an empty phrase.
[[nodiscard]] QList<qsizetype> findFolded(QStringView text, QStringView phrase);
// How many findFolded gives, without keeping them.
[[nodiscard]] qsizetype countFolded(QStringView text, QStringView phrase);

// A match in a text as written.
struct Span
{
    qsizetype offset = 0;
    qsizetype length = 0;
    friend bool operator==(const Span &, const Span &) = default;
};

// The matches of a phrase in a text, both as written; nothing for a blank
// phrase.
[[nodiscard]] QList<Span> find(QStringView text, QStringView phrase);

} // namespace textmatch
