#include "platform/FileStamp.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <sys/stat.h>
#endif

namespace platform {

std::optional<FileStamp> fileStamp(const NativePath &path)
{
    if (path.isEmpty())
        return std::nullopt;
#ifdef Q_OS_WIN
    // As regularFileIdentity: no access asked for, links followed.
    const HANDLE handle = CreateFileW(reinterpret_cast<LPCWSTR>(path.native().utf16()), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool regular = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info)
                         && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(handle);
    if (!regular)
        return std::nullopt;
    // FILETIME counts 100 ns from 1601-01-01.
    constexpr quint64 From1601 = 116444736000000000;
    const quint64 ticks = (quint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    // In unsigned arithmetic: an absurd time wraps instead of overflowing.
    return FileStamp{static_cast<qint64>((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
                     static_cast<qint64>((ticks - From1601) * 100)};
#else
    struct stat info = {};
    if (::stat(path.native().constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    // In unsigned arithmetic: a time set absurdly far off (an archive can
    // carry any) wraps instead of overflowing.
    return FileStamp{static_cast<qint64>(info.st_size),
                     static_cast<qint64>(static_cast<quint64>(info.st_mtim.tv_sec) * 1000000000U
                                         + static_cast<quint64>(info.st_mtim.tv_nsec))};
#endif
}

} // namespace platform
