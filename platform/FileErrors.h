#pragma once

#include "platform/RuntimeError.h"

#include <QFileDevice>
#include <QString>

namespace platform {

// The runtime's error number for a path that could not be opened.
[[nodiscard]] ErrorNumber openError(const QString &path, const QFileDevice &file, bool forOutput);

} // namespace platform
