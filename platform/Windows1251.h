#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>

// windows-1251, the single-byte code page of the collection's files and pages.
// Each byte is one character; the unassigned 0x98 maps to U+0098 and back so
// that no byte is lost.
namespace platform::windows1251 {

// Unicode character of every byte value.
[[nodiscard]] const std::array<char16_t, 256> &table();

[[nodiscard]] inline char16_t toUnicode(unsigned char byte)
{
    return table()[byte];
}

// The byte of a character, or -1 when the code page has none.
[[nodiscard]] int fromUnicode(char16_t c);

[[nodiscard]] QString decode(QByteArrayView bytes);

// Characters without a code become "?".
[[nodiscard]] QByteArray encode(QStringView text);

} // namespace platform::windows1251
