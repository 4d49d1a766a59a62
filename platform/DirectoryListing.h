#pragma once

#include "platform/FileKind.h"
#include "platform/NativePath.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace platform {

// A name of the listing that is not a regular file, and what it is instead.
struct UnusableEntry
{
    NativePath name;
    FileKind kind = FileKind::Missing;
};

// The names (no folder part) a folder holds, as the system gave them.
struct FileListing
{
    // The regular files (links followed).
    QList<NativePath> files;
    // The other names that would have matched: folders, FIFOs, devices,
    // dangling links.
    QList<UnusableEntry> unusable;
};

// The names in folder that end in suffix, letter case ignored, whatever the
// bytes of the rest of the name; hidden names are left out. A missing folder
// lists nothing; a folder the system refuses to list (no permission, a link
// loop, an I/O error) throws RuntimeError. The order is fixed, as a file
// system listing would give it: whole names compared code unit by code unit
// after the simple upper-case mapping of each character.
[[nodiscard]] FileListing listFiles(const NativePath &folder, QStringView suffix);

// The listing order of two file names.
[[nodiscard]] bool listsBefore(const QString &a, const QString &b);

} // namespace platform
