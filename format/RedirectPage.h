#pragma once

#include "platform/NativePath.h"

#include <QString>

#include <optional>

// A small local page that redirects at once to a web address, so the address
// is shown by the program that opens local pages (the user's browser).
namespace redirect {

// How many names (0.html, 1.html, …) are tried before giving up.
inline constexpr int MaxFiles = 100;

// The redirect page for url: one line, nothing escaped.
[[nodiscard]] QString page(const QString &url);

// Writes the page for url (windows-1251, one CR LF) as folder & n & ".html"
// for the first n from 0 that can be opened for writing as a regular file
// (a missing name is created; a folder, a FIFO or a device is passed over),
// and returns that path; nothing when no name could be written. folder ends
// in a separator.
[[nodiscard]] std::optional<platform::NativePath> writePage(const platform::NativePath &folder, const QString &url);

// Writes the page as writePage does in programFolder or, when it is an
// installed one (platform::isInstalledFolder()) or no name there can be
// written, in the first of the user's own folders (platform::userFolders())
// that takes it, made only when it is needed.
[[nodiscard]] std::optional<platform::NativePath> writePageWherePossible(const platform::NativePath &programFolder,
                                                                         const QString &url);

} // namespace redirect
