#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The one matching rule of find, in a work and in the collection: letter case
// does not matter, nor ё against е (readers type е).
//
// Texts are folded unit by unit: every UTF-16 unit becomes its simple
// lower-case mapping (QChar::toLower: none for a unit whose lower case is
// more than one unit, such as İ, nor for a surrogate), then ё becomes е. A
// folded text has the length of the original, so an offset in one is the
// same offset in the other. The page's own script folds the same way: for each
// unit c, c.toLowerCase() when that is one unit, else c; then 'ё' → 'е'.
namespace textmatch {

[[nodiscard]] char16_t fold(char16_t unit);
[[nodiscard]] QString fold(QStringView text);

// Whether a phrase finds nothing anywhere: empty or blanks only.
[[nodiscard]] bool isBlank(QStringView phrase);

// Where a folded phrase stands in a folded text: the offsets of its
// occurrences, searched left to right, none overlapping the one before.
// Nothing for an empty phrase.
[[nodiscard]] QList<qsizetype> findFolded(QStringView text, QStringView phrase);
// How many findFolded gives, without keeping them.
[[nodiscard]] qsizetype countFolded(QStringView text, QStringView phrase);

// findFolded of a text and a phrase as written; nothing for a blank phrase.
[[nodiscard]] QList<qsizetype> find(QStringView text, QStringView phrase);

} // namespace textmatch
