#pragma once

// What the fuzz targets share: text from raw bytes, the reference model of a
// text file's lines and numeric item, and the report of a failed check.

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// Stops the run with a message: libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(const char *what, const std::string &detail = {})
{
    std::fprintf(stderr, "check failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

inline void check(bool condition, const char *what, const std::string &detail = {})
{
    if (!condition)
        fail(what, detail);
}

// Text from bytes. The first byte chooses how the rest is read: even, one
// byte a character (Latin-1, where digits, signs and letters are one
// mutation away); odd, two bytes a UTF-16 code unit (any character, lone
// surrogates included).
inline QString textFrom(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return {};
    const std::uint8_t *rest = data + 1;
    const std::size_t n = size - 1;
    if ((data[0] & 1U) == 0)
        return QString::fromLatin1(reinterpret_cast<const char *>(rest), static_cast<qsizetype>(n));
    QString text;
    text.reserve(static_cast<qsizetype>(n / 2));
    for (std::size_t i = 0; i + 1 < n; i += 2)
        text.append(QChar(static_cast<char16_t>(rest[i] | (rest[i + 1] << 8U))));
    return text;
}

// A text file's lines as the runtime reads them: each ends at CR LF or at a
// lone CR; LF is an ordinary character; what follows the last line end is
// one more line unless it is empty.
inline std::vector<std::string> linesOf(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            line.push_back(bytes[i]);
            continue;
        }
        lines.push_back(line);
        line.clear();
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// The numeric item of one line: blanks and tabs, an optional sign, at least
// one decimal digit; nothing when there is no digit or the value lies
// outside the 32-bit range. What follows the digits does not matter.
inline std::optional<std::int32_t> numberOf(const std::string &line)
{
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos)
        return std::nullopt;
    bool negative = false;
    if (line[i] == '+' || line[i] == '-')
        negative = line[i++] == '-';
    const std::size_t end = std::min(line.find_first_not_of("0123456789", i), line.size());
    if (end == i)
        return std::nullopt;
    // Leading zeros dropped, more than ten digits are out of range for sure.
    const std::size_t first = std::min(line.find_first_not_of('0', i), end);
    if (end - first > 10)
        return std::nullopt;
    const long long magnitude = first == end ? 0 : std::stoll(line.substr(first, end - first));
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace fuzz
