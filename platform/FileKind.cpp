#include "platform/FileKind.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace platform {

FileKind fileKind(const NativePath &path)
{
    if (path.isEmpty())
        return FileKind::Missing;
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.native().utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileKind::Missing
                                                                              : FileKind::Inaccessible;
    }
    // Devices are told apart when a file is opened.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder : FileKind::Regular;
#else
    return fileKindAt(AT_FDCWD, path.native().constData());
#endif
}

QString kindName(FileKind kind)
{
    switch (kind) {
    case FileKind::Missing:
        return u"missing"_s;
    case FileKind::Regular:
        return u"a regular file"_s;
    case FileKind::Folder:
        return u"a folder"_s;
    case FileKind::Fifo:
        return u"a FIFO"_s;
    case FileKind::Device:
        return u"a device"_s;
    case FileKind::Socket:
        return u"a socket"_s;
    case FileKind::DanglingLink:
        return u"a dangling link"_s;
    case FileKind::LinkLoop:
        return u"a link loop"_s;
    case FileKind::Inaccessible:
        break;
    }
    return u"inaccessible"_s;
}

#ifndef Q_OS_WIN
FileKind fileKindAt(int folderDescriptor, const char *name)
{
    struct stat target = {};
    if (::fstatat(folderDescriptor, name, &target, 0) != 0) {
        const int error = errno;
        if (error == ELOOP)
            return FileKind::LinkLoop;
        if (error != ENOENT && error != ENOTDIR)
            return FileKind::Inaccessible;
        struct stat link = {};
        return ::fstatat(folderDescriptor, name, &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode)
                   ? FileKind::DanglingLink
                   : FileKind::Missing;
    }
    if (S_ISREG(target.st_mode))
        return FileKind::Regular;
    if (S_ISDIR(target.st_mode))
        return FileKind::Folder;
    if (S_ISFIFO(target.st_mode))
        return FileKind::Fifo;
    if (S_ISCHR(target.st_mode) || S_ISBLK(target.st_mode))
        return FileKind::Device;
    if (S_ISSOCK(target.st_mode))
        return FileKind::Socket;
    return FileKind::Inaccessible;
}
#endif

} // namespace platform
