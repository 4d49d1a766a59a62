#include "platform/FileIdentity.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#else
#include <sys/stat.h>
#endif

namespace platform {

namespace {

#ifdef Q_OS_WIN
std::optional<FileIdentity> identityOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK
        || !GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}
#else
std::optional<FileIdentity> identityOf(const struct stat &info)
{
    if (!S_ISREG(info.st_mode))
        return std::nullopt;
    return FileIdentity{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}
#endif

} // namespace

std::optional<FileIdentity> regularFileIdentity(const NativePath &path)
{
    if (path.isEmpty())
        return std::nullopt;
#ifdef Q_OS_WIN
    // No access asked for: only the file's information is read, and any
    // sharing mode of another program's is respected.
    const HANDLE handle = CreateFileW(reinterpret_cast<LPCWSTR>(path.native().utf16()), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const auto identity = identityOf(handle);
    CloseHandle(handle);
    return identity;
#else
    struct stat info = {};
    if (::stat(path.native().constData(), &info) != 0)
        return std::nullopt;
    return identityOf(info);
#endif
}

std::optional<FileIdentity> regularFileIdentity(int descriptor)
{
#ifdef Q_OS_WIN
    return identityOf(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)));
#else
    struct stat info = {};
    if (::fstat(descriptor, &info) != 0)
        return std::nullopt;
    return identityOf(info);
#endif
}

} // namespace platform
