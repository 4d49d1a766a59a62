#pragma once

#include "platform/NativePath.h"
#include "platform/RuntimeError.h"

namespace platform {

// The runtime's error number for a path the system would not open, from the
// system's error code (errno; the C runtime's on Windows too).
[[nodiscard]] ErrorNumber openError(int systemError, const NativePath &path, bool forOutput);

// The runtime's error number for a folder the system would not list.
[[nodiscard]] ErrorNumber listingError(int systemError);

} // namespace platform
