#pragma once

#include "platform/NativePath.h"
#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QByteArrayView>

namespace platform {

// A regular file opened by the system, closed with the object. Anything else
// under the name (a FIFO, a device, a folder) is refused at once, without
// waiting for another program at the other end.
class RegularFile
{
public:
    RegularFile() = default;
    ~RegularFile() { close(); }
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    // ErrorNumber::None on success, else the runtime's error number.
    ErrorNumber openForInput(const NativePath &path);
    // Created when missing; an existing file is emptied only once it is known
    // to be a regular file. A link is followed only to a regular file of the
    // user's (see ReplaceTarget).
    ErrorNumber openForOutput(const NativePath &path);
    void close();
    [[nodiscard]] bool isOpen() const { return m_descriptor >= 0; }

    // The whole file, read no further than its size when it was opened and a
    // little more for one that grows meanwhile, so a file that reports a size
    // it does not have cannot make this read forever. DeviceIO when a read fails.
    ErrorNumber readAll(QByteArray &contents);
    // Up to size bytes into buffer: how many were read, 0 at the end (or as
    // far beyond the size at opening as readAll goes), -1 when a read failed.
    qint64 read(char *buffer, qint64 size);
    // False when not all of bytes could be written.
    bool write(QByteArrayView bytes);

    // How far beyond its size at opening a file is read.
    static constexpr qsizetype GrowthAllowance = qsizetype(64) * 1024;

private:
    int m_descriptor = -1;
    qint64 m_size = 0;
    qint64 m_read = 0;
};

// The whole of the regular file at path (see RegularFile::readAll).
[[nodiscard]] ErrorNumber readRegularFile(const NativePath &path, QByteArray &contents);

} // namespace platform
