// workfile::encodeWork, read back: for any seed, any generator state and any
// lines of storable characters, a reader whose generator is in the same
// state reads the seed and gets the lines back, empty ones dropped.
// Input: 4 bytes of seed, 3 of generator state, then the text, one byte a
// character: a byte below 32 ends the line, any other is the windows-1251
// character of that code (every storable character is one of them).
#include "format/WorkFile.h"
#include "fuzz/FuzzInput.h"
#include "platform/InputTextFile.h"
#include "platform/LegacyRandom.h"
#include "platform/Windows1251.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 7)
        return 0;
    std::uint32_t seedBits = 0;
    std::memcpy(&seedBits, data, sizeof seedBits);
    const auto seed = static_cast<std::int32_t>(seedBits);
    const std::uint32_t state = data[4] | (data[5] << 8U) | (data[6] << 16U);

    QStringList lines{QString()};
    for (std::size_t i = 7; i < size; ++i) {
        if (data[i] < 32)
            lines.append(QString());
        else
            lines.back().append(QChar(platform::windows1251::toUnicode(data[i])));
    }
    fuzz::check(!workfile::firstUnstorable(lines), "every character made is storable");

    platform::LegacyRandom writer;
    writer.setState(state);
    const QByteArray work = workfile::encodeWork(seed, lines, writer);

    platform::InputTextFile file;
    file.openBytes(work);
    platform::LegacyRandom reader;
    reader.setState(state);
    const workfile::Header header = workfile::readHeader(file, reader);
    fuzz::check(header.seedRead && header.seed == seed, "the seed reads back", std::to_string(seed));

    QStringList expected = lines;
    expected.removeAll(QString());
    QByteArray decoded;
    (void)workfile::decodeUtf8(file, header.tables, [&](QByteArrayView piece) {
        decoded.append(piece);
        return true;
    });
    const QString readBack = QString::fromUtf8(decoded);
    fuzz::check(readBack == (expected.isEmpty() ? QString() : expected.join(u'\n') + u'\n'), "the lines read back");
    return 0;
}
