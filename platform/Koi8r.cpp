#include "platform/Koi8r.h"

namespace platform::koi8r {

namespace {

// 0x80-0xBF: box drawing and signs, with Ё and ё among them.
constexpr std::array<char16_t, 64> Signs = {
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524, // 80
    0x252C, 0x2534, 0x253C, 0x2580, 0x2584, 0x2588, 0x258C, 0x2590, // 88
    0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248, // 90
    0x2264, 0x2265, 0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7, // 98
    0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555, 0x2556, // A0
    0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E, // A8
    0x255F, 0x2560, 0x2561, 0x0401, 0x2562, 0x2563, 0x2564, 0x2565, // B0
    0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9, // B8
};
// 0xC0-0xDF in the order of the Latin letters they stand beside (а b ц d …).
constexpr char16_t Small[] = u"юабцдефгхийклмнопярстужвьызшэщчъ";

constexpr std::array<char16_t, 256> makeTable()
{
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 0x80; ++b)
        t[b] = static_cast<char16_t>(b);
    for (int b = 0x80; b < 0xC0; ++b)
        t[b] = Signs[b - 0x80];
    for (int b = 0xC0; b < 0xE0; ++b) {
        t[b] = Small[b - 0xC0];
        // Capitals follow in the same order, 0x20 higher, as А is 0x20 below а.
        t[b + 0x20] = static_cast<char16_t>(Small[b - 0xC0] - 0x20);
    }
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
    for (int b = 0x80; b < 0x100; ++b) {
        if (Table[b] == c)
            return b;
    }
    return -1;
}

} // namespace platform::koi8r
