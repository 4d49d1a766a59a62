#include "runtime/TextFile.h"

#include "runtime/Cp1251.h"
#include "runtime/RuntimeError.h"

#include <QFileInfo>

#include <cstring>

namespace runtime {

namespace {

// The runtime's error number for a path that could not be opened.
int openError(const QString &path, const QFile &file, bool forOutput)
{
    const QFileInfo info(path);
    if (info.isDir())
        return ErrPathFileAccess;
    if (!info.exists()) {
        if (!QFileInfo(info.absolutePath()).isDir())
            return ErrPathNotFound;
        if (!forOutput)
            return ErrFileNotFound;
    }
    return file.error() == QFileDevice::PermissionsError ? ErrPermissionDenied : ErrPathFileAccess;
}

} // namespace

QByteArrayView takeLine(QByteArrayView data, qsizetype &pos)
{
    const qsizetype size = data.size();
    if (pos >= size)
        return {};
    const char *begin = data.data() + pos;
    const auto *cr = static_cast<const char *>(std::memchr(begin, '\r', static_cast<std::size_t>(size - pos)));
    if (!cr) {
        pos = size;
        return QByteArrayView(begin, size - (begin - data.data()));
    }
    const qsizetype end = cr - data.data();
    pos = end + 1;
    if (pos < size && data[pos] == '\n')
        ++pos;
    return QByteArrayView(begin, end - (begin - data.data()));
}

int InputFile::open(const QString &path)
{
    close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return openError(path, file, false);
    m_data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_data.clear();
        return ErrDeviceIO;
    }
    m_pos = 0;
    m_open = true;
    return 0;
}

void InputFile::close()
{
    m_data.clear();
    m_pos = 0;
    m_open = false;
}

std::optional<std::int32_t> InputFile::readNumber()
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

QByteArrayView InputFile::readLine()
{
    return takeLine(m_data, m_pos);
}

int OutputFile::open(const QString &path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return openError(path, m_file, true);
    }
    return 0;
}

void OutputFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}

bool OutputFile::print(QStringView text)
{
    if (!m_file.isOpen())
        return false;
    QByteArray bytes = cp1251::encode(text);
    bytes.append("\r\n", 2);
    return m_file.write(bytes) == bytes.size();
}

} // namespace runtime
