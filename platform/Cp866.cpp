#include "platform/Cp866.h"

#include "platform/SingleByte.h"

namespace platform::cp866 {

namespace {

// 0xB0-0xDF: box drawing; 0xF0-0xFF: the letters beyond the Russian
// alphabet's 32 and a few signs.
constexpr std::array<char16_t, 48> Box = {
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // D8
};
constexpr std::array<char16_t, 16> Last = {
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0, // F8
};

constexpr std::array<char16_t, 256> makeTable()
{
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 0x80; ++b)
        t[b] = static_cast<char16_t>(b);
    // А-Я а-п, then р-я after the box drawing.
    for (int b = 0x80; b < 0xB0; ++b)
        t[b] = static_cast<char16_t>(0x0410 + (b - 0x80));
    for (int b = 0xB0; b < 0xE0; ++b)
        t[b] = Box[b - 0xB0];
    for (int b = 0xE0; b < 0xF0; ++b)
        t[b] = static_cast<char16_t>(0x0440 + (b - 0xE0));
    for (int b = 0xF0; b < 0x100; ++b)
        t[b] = Last[b - 0xF0];
    return t;
}

constexpr std::array<char16_t, 256> Table = makeTable();

} // namespace

const std::array<char16_t, 256> &table()
{
    return Table;
}

int fromUnicode(char16_t c)
{
    if (c < 0x80)
        return c;
    if (c >= 0x0410 && c < 0x0440)
        return 0x80 + (c - 0x0410);
    if (c >= 0x0440 && c < 0x0450)
        return 0xE0 + (c - 0x0440);
    for (int b = 0xB0; b < 0x100; ++b) {
        if (Table[b] == c)
            return b;
    }
    return -1;
}

QString decode(QByteArrayView bytes)
{
    return singlebyte::decode(Table, bytes);
}

QByteArray encode(QStringView text)
{
    return singlebyte::encode(text, fromUnicode);
}

} // namespace platform::cp866
