#pragma once

#include "platform/NativePath.h"

#include <QString>

namespace platform {

// What a name in the file system stands for, its links followed. Only a
// regular file is something the program reads or writes: the rest could block
// an open (a FIFO), never end (a device) or not open at all.
enum class FileKind {
    Missing,
    Regular,
    Folder,
    Fifo,
    Device,
    Socket,
    DanglingLink,
    LinkLoop,
    // The system would not say (no permission to look, an I/O error).
    Inaccessible,
};

[[nodiscard]] FileKind fileKind(const NativePath &path);

// What kind is, as a message names it: "a FIFO", "a folder", "a dangling link".
[[nodiscard]] QString kindName(FileKind kind);

#ifndef Q_OS_WIN
// The kind of name in the folder open as folderDescriptor (AT_FDCWD: the
// current folder, or an absolute name).
[[nodiscard]] FileKind fileKindAt(int folderDescriptor, const char *name);
#endif

} // namespace platform
