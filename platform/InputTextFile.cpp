#include "platform/InputTextFile.h"

#include "platform/RegularFile.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {

ErrorNumber InputTextFile::open(const NativePath &path)
{
    close();
    if (const ErrorNumber error = readRegularFile(path, m_data); error != ErrorNumber::None)
        return error;
    m_open = true;
    return ErrorNumber::None;
}

ErrorNumber InputTextFile::openStream(const NativePath &path)
{
    close();
    auto file = std::make_shared<RegularFile>();
    if (const ErrorNumber error = file->openForInput(path); error != ErrorNumber::None)
        return error;
    openStream([file](char *buffer, qint64 size) { return file->read(buffer, size); });
    return ErrorNumber::None;
}

void InputTextFile::openBytes(QByteArray bytes)
{
    close();
    m_data = std::move(bytes);
    m_open = true;
}

void InputTextFile::openStream(Source source)
{
    close();
    m_source = std::move(source);
    m_open = true;
}

void InputTextFile::close()
{
    m_data.clear();
    m_pos = 0;
    m_open = false;
    m_lineEnded = false;
    m_lineDone = true;
    m_failed = false;
    m_source = {};
}

bool InputTextFile::readOn()
{
    if (!m_source)
        return false;
    m_data.remove(0, m_pos);
    m_pos = 0;
    const qsizetype held = m_data.size();
    m_data.resize(held + PieceSize);
    const qint64 n = m_source(m_data.data() + held, PieceSize);
    m_data.resize(held + std::max<qint64>(n, 0));
    if (n > 0)
        return true;
    m_failed = n < 0;
    m_source = {};
    return false;
}

bool InputTextFile::atEnd()
{
    if (m_pos >= m_data.size())
        readOn();
    return m_pos >= m_data.size();
}

qsizetype InputTextFile::lineEnd(qsizetype from, qsizetype limit) const
{
    const char *data = m_data.constData();
    limit = limit < 0 ? m_data.size() : std::min(limit, m_data.size());
    if (from >= limit)
        return -1;
    if (m_ends == LineEnds::CrLfOrCr) {
        const auto *cr =
            static_cast<const char *>(std::memchr(data + from, '\r', static_cast<std::size_t>(limit - from)));
        return cr == nullptr ? -1 : cr - data;
    }
    for (qsizetype i = from; i < limit; ++i) {
        if (data[i] == '\r' || data[i] == '\n')
            return i;
    }
    return -1;
}

QByteArrayView InputTextFile::readLine()
{
    // Bytes after m_pos searched already; it stays right when reading on
    // moves the held bytes to the front.
    qsizetype searched = 0;
    for (;;) {
        const qsizetype end = lineEnd(m_pos + searched);
        // A CR last in what is held may be the first half of a CR LF.
        if (end >= 0 && !(m_data[end] == '\r' && end + 1 == m_data.size() && m_source)) {
            const qsizetype start = m_pos;
            passLineEnd(end);
            return QByteArrayView(m_data).sliced(start, end - start);
        }
        searched = (end >= 0 ? end : m_data.size()) - m_pos;
        if (!readOn())
            break;
    }
    if (searched < m_data.size() - m_pos)
        return readLine(); // a CR that was last held, and nothing came after it
    const qsizetype start = m_pos;
    m_pos = m_data.size();
    m_lineEnded = false;
    m_lineDone = true;
    return QByteArrayView(m_data).sliced(start);
}

void InputTextFile::passLineEnd(qsizetype end)
{
    m_pos = end + 1;
    if (m_data[end] == '\r' && m_pos < m_data.size() && m_data[m_pos] == '\n')
        ++m_pos;
    m_lineEnded = true;
    m_lineDone = true;
}

QByteArrayView InputTextFile::readLinePiece(qsizetype most)
{
    most = std::max<qsizetype>(most, 1);
    for (;;) {
        // The piece and the byte after it: whether the line ends right there.
        const qsizetype end = lineEnd(m_pos, m_pos + most + 1);
        // A CR last in what is held may be the first half of a CR LF.
        const bool crLast = end >= 0 && m_data[end] == '\r' && end + 1 == m_data.size() && m_source;
        if (end >= 0 && !crLast) {
            const qsizetype start = m_pos;
            passLineEnd(end);
            return QByteArrayView(m_data).sliced(start, end - start);
        }
        if (end < 0 && m_data.size() - m_pos > most) {
            const qsizetype start = m_pos;
            m_pos += most;
            m_lineDone = false;
            return QByteArrayView(m_data).sliced(start, most);
        }
        if (!readOn())
            break;
    }
    // The file ends the line.
    const qsizetype start = m_pos;
    const qsizetype end = lineEnd(m_pos);
    if (end >= 0) { // a CR last in the file
        passLineEnd(end);
        return QByteArrayView(m_data).sliced(start, end - start);
    }
    m_pos = m_data.size();
    m_lineEnded = false;
    m_lineDone = true;
    return QByteArrayView(m_data).sliced(start);
}

std::optional<std::int32_t> InputTextFile::readNumber()
{
    return numberItem(readLine());
}

std::optional<std::int32_t> numberItem(QByteArrayView line)
{
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

} // namespace platform
