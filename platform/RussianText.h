#pragma once

#include <QStringView>

// How Russian a name reads: what tells the code page of names that carry no
// word of it apart from the others.
namespace platform::russian {

// How unlikely text is as a Russian title, in quarter bits (lower reads
// better): each word's letter pairs, from the start of the word to its end,
// as often as they follow each other in Russian; the letter case of each
// word as titles have it (Capitalised or ALL CAPITALS first, small letters
// after); every other character that is not ASCII as a rare sign (« » — … №)
// or as something no title holds. ASCII costs nothing: it reads alike in
// every code page.
[[nodiscard]] int unlikelihood(QStringView text);

// Whether c is a letter of the Russian alphabet (Ё and ё among them).
[[nodiscard]] bool isLetter(char16_t c);

} // namespace platform::russian
