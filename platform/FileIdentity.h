#pragma once

#include "platform/NativePath.h"

#include <QtGlobal>

#include <optional>

namespace platform {

// Which file the system has under a name or an open descriptor, so that two
// ways to the same file (a symbolic or hard link, "./a" beside "a") compare
// equal.
struct FileIdentity
{
    quint64 volume = 0;
    quint64 file = 0;

    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

// The identity of the regular file at path, links followed; nothing for a
// missing name or anything other than a regular file (a device such as
// /dev/null is the same for every program that writes to it).
[[nodiscard]] std::optional<FileIdentity> regularFileIdentity(const NativePath &path);

// The same for an open descriptor: 0 is standard input, 1 standard output.
[[nodiscard]] std::optional<FileIdentity> regularFileIdentity(int descriptor);

} // namespace platform
