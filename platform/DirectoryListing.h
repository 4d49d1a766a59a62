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
    // The code page the names that are not UTF-8 are shown in.
    CodePage codePage = CodePage::Windows1251;
};

// The names in folder that end in suffix (ASCII), letter case ignored,
// whatever the bytes of the rest of the name; hidden names are left out.
// Names that are not UTF-8 are shown in the one code page under which the
// folder's names (all of them) read best as Russian. A missing folder
// lists nothing; a folder the system refuses to list (no permission, a link
// loop, an I/O error) throws RuntimeError. The order is fixed, as a file
// system listing would give it: whole names compared code unit by code unit
// after the simple upper-case mapping of each character.
[[nodiscard]] FileListing listFiles(const NativePath &folder, QStringView suffix);

// The entry called name in folder that is of kind (a regular file, a
// folder), found as Windows finds it, whatever the letter case, under the
// spellings an archive may have left: UTF-8 (composed or not), windows-1251,
// cp866 (a name stored by a Windows program or archiver), cp866 as unzip
// converted it, KOI8-R, and windows-1251 without the «я» that unzip drops.
// The name as written comes first, in that order of spellings; then any
// other letter case, in the same order, and within one spelling the name
// whose bytes sort first. The name as written in UTF-8 when there is none.
// folder ends in a separator.
[[nodiscard]] NativePath findFile(const NativePath &folder, const QString &name, FileKind kind = FileKind::Regular);

// The listing order of two file names.
[[nodiscard]] bool listsBefore(const QString &a, const QString &b);

} // namespace platform
