#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The names (no folder part) of the plain files in folder whose names end in
// suffix, letter case ignored; folders and hidden files are left out, and a
// missing folder lists nothing. The order is fixed, as a file system listing
// would give it: whole names compared code unit by code unit after the simple
// upper-case mapping of each character.
[[nodiscard]] QStringList listFiles(const QString &folder, const QString &suffix);

// The listing order of two file names.
[[nodiscard]] bool listsBefore(const QString &a, const QString &b);

} // namespace platform
