#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>

// cp866, the DOS code page in which Windows' own compressed folders store
// Russian file names. Each byte is one character; 0x00-0x7F are ASCII.
namespace platform::cp866 {

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

} // namespace platform::cp866
