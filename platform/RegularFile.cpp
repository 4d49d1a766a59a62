#include "platform/RegularFile.h"

#include "platform/FileErrors.h"
#include "platform/ReplaceTarget.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace platform {

namespace {

#ifdef Q_OS_WIN
using Stat = struct _stat64;

int openNative(const NativePath &path, int flags)
{
    return ::_wopen(reinterpret_cast<const wchar_t *>(path.native().utf16()), flags | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}

constexpr int InputFlags = _O_RDONLY;
constexpr int OutputFlags = _O_WRONLY | _O_CREAT;

int statDescriptor(int descriptor, Stat *info)
{
    return ::_fstat64(descriptor, info);
}

bool isRegular(const Stat &info)
{
    return (info.st_mode & _S_IFMT) == _S_IFREG;
}

bool isOwn(const Stat &)
{
    return true;
}

int closeDescriptor(int descriptor)
{
    return ::_close(descriptor);
}

qint64 readSome(int descriptor, char *buffer, qint64 size)
{
    return ::_read(descriptor, buffer, static_cast<unsigned>(std::min<qint64>(size, INT_MAX)));
}

qint64 writeSome(int descriptor, const char *buffer, qint64 size)
{
    return ::_write(descriptor, buffer, static_cast<unsigned>(std::min<qint64>(size, INT_MAX)));
}

bool empty(int descriptor)
{
    return ::_chsize_s(descriptor, 0) == 0;
}
#else
using Stat = struct stat;

int openNative(const NativePath &path, int flags)
{
    int descriptor = -1;
    do {
        // Non-blocking, so that a FIFO neither waits for its other end here
        // nor is opened at all for output while nothing reads it.
        descriptor = ::open(path.native().constData(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

constexpr int InputFlags = O_RDONLY;
// The name given is where its links lead (see ReplaceTarget): one made a link
// since then is not followed.
constexpr int OutputFlags = O_WRONLY | O_CREAT | O_NOFOLLOW;

int statDescriptor(int descriptor, Stat *info)
{
    return ::fstat(descriptor, info);
}

bool isRegular(const Stat &info)
{
    return S_ISREG(info.st_mode);
}

int closeDescriptor(int descriptor)
{
    return ::close(descriptor);
}

qint64 readSome(int descriptor, char *buffer, qint64 size)
{
    qint64 n = -1;
    do {
        n = ::read(descriptor, buffer, static_cast<size_t>(size));
    } while (n < 0 && errno == EINTR);
    return n;
}

qint64 writeSome(int descriptor, const char *buffer, qint64 size)
{
    qint64 n = -1;
    do {
        n = ::write(descriptor, buffer, static_cast<size_t>(size));
    } while (n < 0 && errno == EINTR);
    return n;
}

bool empty(int descriptor)
{
    return ::ftruncate(descriptor, 0) == 0;
}

bool isOwn(const Stat &info)
{
    return info.st_uid == ::geteuid();
}
#endif

} // namespace

ErrorNumber RegularFile::openForInput(const NativePath &path)
{
    close();
    const int descriptor = openNative(path, InputFlags);
    if (descriptor < 0)
        return openError(errno, path, false);
    Stat info = {};
    if (statDescriptor(descriptor, &info) != 0 || !isRegular(info)) {
        closeDescriptor(descriptor);
        return ErrorNumber::PathFileAccess;
    }
    m_descriptor = descriptor;
    m_size = info.st_size;
    m_read = 0;
    return ErrorNumber::None;
}

ErrorNumber RegularFile::openForOutput(const NativePath &path)
{
    close();
    const ReplaceTarget target = replaceTarget(path);
    // What the system would not tell of is left to the open, which says why.
    if (!target.allowed() && target.kind != FileKind::Inaccessible)
        return ErrorNumber::PathFileAccess;
    // Not truncated on opening: whatever the name turns out to be is left as it was.
    const int descriptor = openNative(target.path, OutputFlags);
    if (descriptor < 0)
        return openError(errno, path, true);
    Stat info = {};
    if (statDescriptor(descriptor, &info) != 0 || !isRegular(info) || (target.linked && !isOwn(info))
        || !empty(descriptor)) {
        closeDescriptor(descriptor);
        return ErrorNumber::PathFileAccess;
    }
    m_descriptor = descriptor;
    m_size = 0;
    return ErrorNumber::None;
}

void RegularFile::close()
{
    if (m_descriptor >= 0)
        closeDescriptor(m_descriptor);
    m_descriptor = -1;
    m_size = 0;
}

ErrorNumber RegularFile::readAll(QByteArray &contents)
{
    contents.clear();
    if (m_descriptor < 0)
        return ErrorNumber::InvalidCall;
    const qint64 limit = m_size + GrowthAllowance;
    contents.resize(limit);
    qint64 total = 0;
    while (total < limit) {
        const qint64 n = readSome(m_descriptor, contents.data() + total, limit - total);
        if (n < 0) {
            contents.clear();
            return ErrorNumber::DeviceIO;
        }
        if (n == 0)
            break;
        total += n;
    }
    contents.truncate(total);
    return ErrorNumber::None;
}

qint64 RegularFile::read(char *buffer, qint64 size)
{
    if (m_descriptor < 0)
        return -1;
    const qint64 left = m_size + GrowthAllowance - m_read;
    if (left <= 0)
        return 0;
    const qint64 n = readSome(m_descriptor, buffer, std::min(size, left));
    if (n > 0)
        m_read += n;
    return n;
}

bool RegularFile::write(QByteArrayView bytes)
{
    if (m_descriptor < 0)
        return false;
    qint64 total = 0;
    while (total < bytes.size()) {
        const qint64 n = writeSome(m_descriptor, bytes.data() + total, bytes.size() - total);
        if (n <= 0)
            return false;
        total += n;
    }
    return true;
}

ErrorNumber readRegularFile(const NativePath &path, QByteArray &contents)
{
    RegularFile file;
    if (const ErrorNumber error = file.openForInput(path); error != ErrorNumber::None)
        return error;
    return file.readAll(contents);
}

} // namespace platform
