#pragma once

#include <array>

// KOI8-R, the code page of Russian names on older Unix systems (and in the
// archives made there). Each byte is one character; 0x00-0x7F are ASCII,
// 0xC0-0xFF the letters, small ones first.
namespace platform::koi8r {

// Unicode character of every byte value.
[[nodiscard]] const std::array<char16_t, 256> &table();

// The byte of a character, or -1 when the code page has none.
[[nodiscard]] int fromUnicode(char16_t c);

} // namespace platform::koi8r
