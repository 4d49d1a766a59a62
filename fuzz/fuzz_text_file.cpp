// platform::InputTextFile's line and numeric-item reader against the model
// in FuzzInput.h. The first byte is the plan of reads (bit k: the k-th read,
// cycling, takes a number rather than a line); the rest is the file. Then the
// same file as a stream that hands over a few bytes at a time, read in line
// pieces of a size the plan chooses: the model's lines again.
#include "fuzz/FuzzInput.h"
#include "platform/InputTextFile.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned plan = data[0];
    const std::string_view bytes(reinterpret_cast<const char *>(data + 1), size - 1);
    const std::vector<std::string> lines = fuzz::linesOf(bytes);

    platform::InputTextFile file;
    file.openBytes(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    fuzz::check(file.isOpen(), "open after openBytes");
    fuzz::check(file.size() == static_cast<qsizetype>(bytes.size()), "size is the byte count");

    // One read more than there are lines: past the end a line is empty and
    // a number is not read.
    for (std::size_t k = 0; k <= lines.size(); ++k) {
        const bool more = k < lines.size();
        fuzz::check(file.atEnd() == !more, "atEnd exactly when no line is left", std::to_string(k));
        const std::string expected = more ? lines[k] : std::string();
        if ((plan >> (k % 8)) & 1U) {
            const auto number = file.readNumber();
            const auto model = fuzz::numberOf(expected);
            fuzz::check(number == model, "numeric item", expected);
        } else {
            const QByteArrayView line = file.readLine();
            fuzz::check(std::string_view(line.data(), static_cast<std::size_t>(line.size())) == expected, "line",
                        expected);
        }
    }
    fuzz::check(file.atEnd(), "at the end after the last line");

    platform::InputTextFile stream;
    std::size_t at = 0;
    stream.openStream([&](char *buffer, qint64 most) {
        const std::size_t n = std::min({static_cast<std::size_t>(most), 1 + at % 3, bytes.size() - at});
        std::copy_n(bytes.data() + at, n, buffer);
        at += n;
        return static_cast<qint64>(n);
    });
    const qsizetype most = 1 + (plan & 7U);
    for (const std::string &expected : lines) {
        fuzz::check(!stream.atEnd(), "a stream's line is there");
        std::string line;
        do {
            const QByteArrayView piece = stream.readLinePiece(most);
            fuzz::check(piece.size() <= most && (stream.lineDone() || piece.size() == most), "a piece's size");
            line.append(piece.data(), static_cast<std::size_t>(piece.size()));
        } while (!stream.lineDone());
        fuzz::check(line == expected, "a line read in pieces", expected);
    }
    fuzz::check(stream.atEnd(), "a stream at its end after the last line");
    return 0;
}
