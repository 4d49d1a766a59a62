#include "platform/FileErrors.h"

#include <QFileInfo>

namespace platform {

ErrorNumber openError(const QString &path, const QFileDevice &file, bool forOutput)
{
    const QFileInfo info(path);
    if (info.isDir())
        return ErrorNumber::PathFileAccess;
    if (!info.exists()) {
        if (!QFileInfo(info.absolutePath()).isDir())
            return ErrorNumber::PathNotFound;
        if (!forOutput)
            return ErrorNumber::FileNotFound;
    }
    return file.error() == QFileDevice::PermissionsError ? ErrorNumber::PermissionDenied : ErrorNumber::PathFileAccess;
}

} // namespace platform
