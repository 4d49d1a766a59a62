#pragma once

#include <QString>

// Opens a web address through a small local page that redirects to it, so it
// is shown by the program that opens local pages (the user's browser).
namespace SaveFileUrlm {

// How many names (0.html, 1.html, …) are tried before giving up.
inline constexpr int MaxRedirectFiles = 100;

// The redirect page for url: one line, nothing escaped.
[[nodiscard]] QString redirectPage(const QString &url);

// Writes the redirect page as AppDir & n & ".html" for the first n that can be
// opened for writing, and opens it. When no name can be written, nothing
// is opened. Silent in every case.
void SaveFileUrl(const QString &url);

} // namespace SaveFileUrlm
