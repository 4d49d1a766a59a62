#include "platform/ReplaceTarget.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

#ifndef Q_OS_WIN
// As many links as the system itself follows in one path.
constexpr int MaxLinks = 40;

FileKind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Folder;
    if (S_ISFIFO(mode))
        return FileKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return FileKind::Device;
    if (S_ISSOCK(mode))
        return FileKind::Socket;
    return FileKind::Inaccessible;
}
#endif

} // namespace

QString ReplaceTarget::refusal() const
{
    if (allowed())
        return {};
    if (othersFile)
        return u"a link to another user's file"_s;
    if (kind == FileKind::Inaccessible && error != 0)
        return qt_error_string(error);
    return u"not a regular file ("_s + kindName(kind) + u')';
}

#ifdef Q_OS_WIN
ReplaceTarget replaceTarget(const NativePath &path)
{
    ReplaceTarget target;
    target.path = path;
    if (path.isEmpty())
        return target;
    const auto name = reinterpret_cast<LPCWSTR>(path.native().utf16());
    const DWORD attributes = GetFileAttributesW(name);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            target.kind = FileKind::Inaccessible;
            target.error = static_cast<int>(error);
        }
        return target;
    }
    target.linked = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        target.kind = FileKind::Folder;
        return target;
    }
    // Only the kind is asked for, with any sharing mode of another program's
    // respected: a device name (NUL, CON, COM1) is no file on a disk.
    const HANDLE handle = CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            target.kind = target.linked ? FileKind::DanglingLink : FileKind::Missing;
        } else {
            target.kind = FileKind::Inaccessible;
            target.error = static_cast<int>(error);
        }
        return target;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (GetFileType(handle) != FILE_TYPE_DISK)
        target.kind = FileKind::Device;
    else if (!GetFileInformationByHandle(handle, &info))
        target.kind = FileKind::Inaccessible;
    else
        target.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder : FileKind::Regular;
    CloseHandle(handle);
    return target;
}
#else
ReplaceTarget replaceTarget(const NativePath &path)
{
    ReplaceTarget target;
    target.path = path;
    if (path.isEmpty())
        return target;
    QByteArray at = path.native();
    for (int links = 0; links <= MaxLinks; ++links) {
        struct stat info = {};
        if (::lstat(at.constData(), &info) != 0) {
            const int error = errno;
            if (error == ENOENT || error == ENOTDIR) {
                target.kind = target.linked ? FileKind::DanglingLink : FileKind::Missing;
            } else if (error == ELOOP) {
                // Links among the folders of the path that lead round.
                target.kind = FileKind::LinkLoop;
            } else {
                target.kind = FileKind::Inaccessible;
                target.error = error;
            }
            return target;
        }
        if (!S_ISLNK(info.st_mode)) {
            target.kind = kindOf(info.st_mode);
            target.othersFile = target.linked && target.kind == FileKind::Regular && info.st_uid != ::geteuid();
            if (target.linked)
                target.path = NativePath::fromNative(at);
            return target;
        }
        QByteArray leadsTo(PATH_MAX, '\0');
        const ssize_t n = ::readlink(at.constData(), leadsTo.data(), static_cast<size_t>(leadsTo.size()));
        if (n <= 0 || n >= leadsTo.size()) {
            target.kind = FileKind::Inaccessible;
            target.error = n < 0 ? errno : ENAMETOOLONG;
            return target;
        }
        leadsTo.truncate(n);
        target.linked = true;
        // A relative link names a place from the folder the link is in.
        const qsizetype cut = at.lastIndexOf('/');
        at = leadsTo.startsWith('/') || cut < 0 ? leadsTo : at.left(cut + 1) + leadsTo;
    }
    target.kind = FileKind::LinkLoop;
    return target;
}

bool stillReplaceable(int folderDescriptor, const char *name, const ReplaceTarget &target)
{
    struct stat info = {};
    if (::fstatat(folderDescriptor, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    return S_ISREG(info.st_mode) && (!target.linked || info.st_uid == ::geteuid());
}
#endif

} // namespace platform
