#include "platform/FileErrors.h"

#include "platform/FileKind.h"

#include <algorithm>
#include <cerrno>

namespace platform {

namespace {

// The folder part of a path with its separator, "." when it has none.
NativePath parentOf(const NativePath &path)
{
    const NativeName &native = path.native();
#ifdef Q_OS_WIN
    const qsizetype cut = std::max(native.lastIndexOf(u'\\'), native.lastIndexOf(u'/'));
    return cut < 0 ? NativePath(QStringLiteral(".")) : NativePath::fromNative(native.left(cut + 1));
#else
    const qsizetype cut = native.lastIndexOf('/');
    return cut < 0 ? NativePath::fromNative(QByteArray(".")) : NativePath::fromNative(native.left(cut + 1));
#endif
}

} // namespace

ErrorNumber openError(int systemError, const NativePath &path, bool forOutput)
{
    switch (systemError) {
    case ENOENT:
        // Created when missing, so for output only a missing folder is left.
        if (forOutput || fileKind(parentOf(path)) != FileKind::Folder)
            return ErrorNumber::PathNotFound;
        return ErrorNumber::FileNotFound;
    case ENOTDIR:
        return ErrorNumber::PathNotFound;
    case EACCES:
    case EPERM:
        // The C runtime on Windows says EACCES for a folder as well.
        return fileKind(path) == FileKind::Folder ? ErrorNumber::PathFileAccess : ErrorNumber::PermissionDenied;
    default:
        return ErrorNumber::PathFileAccess;
    }
}

ErrorNumber listingError(int systemError)
{
    return systemError == EACCES || systemError == EPERM ? ErrorNumber::PermissionDenied : ErrorNumber::PathFileAccess;
}

} // namespace platform
