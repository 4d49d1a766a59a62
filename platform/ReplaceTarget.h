#pragma once

#include "platform/FileKind.h"
#include "platform/NativePath.h"

#include <QString>

namespace platform {

// Whether a file the program writes (its reading state, a redirect page, a
// work file) may take the place of what stands under a name, and where it
// goes. A missing name is created and a regular file replaced; a device, a
// FIFO, a socket or a folder is left alone: replacing one would turn a device
// node of the machine's into a plain file. A symbolic link is followed (a
// relative one from its own folder, through chains) only to a regular file of
// this (effective) user's: a link that leads nowhere or loops is refused, and
// so is one to another user's file, which a link planted in a shared folder
// would otherwise have the program replace.
struct ReplaceTarget
{
    // Where the file goes: the name itself, or the regular file its links lead to.
    NativePath path;
    // What stands there now, links followed.
    FileKind kind = FileKind::Missing;
    // Whether a link led there.
    bool linked = false;
    // A link led to a regular file of another user's.
    bool othersFile = false;
    // Why the system would not say what stands there (Inaccessible), as
    // qt_error_string takes it; 0 otherwise.
    int error = 0;

    [[nodiscard]] bool allowed() const
    {
        return kind == FileKind::Missing || (kind == FileKind::Regular && !othersFile);
    }
    // Why it may not be written, for a message: "not a regular file (a FIFO)".
    [[nodiscard]] QString refusal() const;
};

[[nodiscard]] ReplaceTarget replaceTarget(const NativePath &path);

#ifndef Q_OS_WIN
// The same decision made again just before the file is put in place, on the
// name in the folder open as folderDescriptor, with no link followed now: a
// name made a link, a FIFO or a device since target was decided is refused.
[[nodiscard]] bool stillReplaceable(int folderDescriptor, const char *name, const ReplaceTarget &target);
#endif

} // namespace platform
