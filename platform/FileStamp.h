#pragma once

#include "platform/NativePath.h"

#include <QtGlobal>

#include <optional>

namespace platform {

// What tells one version of a file from the next: its size and the time it
// was last changed, to the nanosecond where the system keeps that.
struct FileStamp
{
    qint64 size = 0;
    // Nanoseconds since 1970-01-01 UTC.
    qint64 modified = 0;

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

// The stamp of the regular file at path, links followed; nothing for a
// missing name or anything other than a regular file.
[[nodiscard]] std::optional<FileStamp> fileStamp(const NativePath &path);

} // namespace platform
