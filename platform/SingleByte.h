#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>

// What every single-byte code page does the same way: each byte is one
// character through its table, and a character without a byte becomes "?".
namespace platform::singlebyte {

// Appends the characters of bytes to out.
inline void append(const std::array<char16_t, 256> &table, QByteArrayView bytes, QString &out)
{
    const qsizetype at = out.size();
    out.resize(at + bytes.size());
    auto *dst = reinterpret_cast<char16_t *>(out.data()) + at;
    for (char b : bytes)
        *dst++ = table[static_cast<unsigned char>(b)];
}

[[nodiscard]] inline QString decode(const std::array<char16_t, 256> &table, QByteArrayView bytes)
{
    QString out;
    append(table, bytes, out);
    return out;
}

// fromUnicode gives a character's byte, or -1 when there is none.
template<class FromUnicode>
[[nodiscard]] QByteArray encode(QStringView text, FromUnicode fromUnicode)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    for (QChar c : text) {
        const int b = fromUnicode(c.unicode());
        *dst++ = static_cast<char>(b < 0 ? '?' : b);
    }
    return out;
}

} // namespace platform::singlebyte
