#include "platform/InputTextFile.h"

#include "platform/RegularFile.h"

#include <cstring>
#include <utility>

namespace platform {

namespace {

// One line from data starting at pos: returns the line, moves pos past its
// line end (CR LF or CR alone).
QByteArrayView takeLine(QByteArrayView data, qsizetype &pos)
{
    const qsizetype size = data.size();
    if (pos >= size)
        return {};
    const char *begin = data.data() + pos;
    const auto *cr = static_cast<const char *>(std::memchr(begin, '\r', static_cast<std::size_t>(size - pos)));
    if (cr == nullptr) {
        const qsizetype start = pos;
        pos = size;
        return data.sliced(start);
    }
    const qsizetype start = pos;
    const qsizetype end = cr - data.data();
    pos = end + 1;
    if (pos < size && data[pos] == '\n')
        ++pos;
    return data.sliced(start, end - start);
}

} // namespace

ErrorNumber InputTextFile::open(const NativePath &path)
{
    close();
    if (const ErrorNumber error = readRegularFile(path, m_data); error != ErrorNumber::None)
        return error;
    m_pos = 0;
    m_open = true;
    return ErrorNumber::None;
}

void InputTextFile::openContents(QByteArray contents)
{
    m_data = std::move(contents);
    m_pos = 0;
    m_open = true;
}

void InputTextFile::close()
{
    m_data.clear();
    m_pos = 0;
    m_open = false;
}

std::optional<std::int32_t> InputTextFile::readNumber()
{
    const QByteArrayView line = takeLine(m_data, m_pos);
    qsizetype i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        negative = line[i++] == '-';
    const qsizetype firstDigit = i;
    std::int64_t magnitude = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (line[i] - '0');
        if (magnitude > 2147483648LL)
            return std::nullopt;
    }
    if (i == firstDigit)
        return std::nullopt;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > 2147483647LL)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

QByteArrayView InputTextFile::readLine()
{
    return takeLine(m_data, m_pos);
}

} // namespace platform
