#pragma once

#include "platform/NativePath.h"

#include <QString>
#include <QStringList>

// The few services that reach the operating system. Everything
// platform-specific in the program lives behind this interface.
namespace platform {

// The platform's own path separator, whatever other characters a path holds
// (a backslash is an ordinary character in a POSIX name).
#ifdef Q_OS_WIN
inline constexpr char16_t PathSeparator = u'\\';
#else
inline constexpr char16_t PathSeparator = u'/';
#endif

// The running program's folder in the platform's own separators, as the
// system names it; a trailing separator only at a root. Empty when the system
// does not tell.
[[nodiscard]] NativePath programFolder();

// The user's own folders for small files that need not outlive the session,
// in the order to try them: the runtime folder, then the cache folder (on
// Windows the temporary folder, then the cache folder), each with a
// "sobranie" folder in it, which may not exist yet. In the platform's
// separators, each ending in one.
[[nodiscard]] QStringList userFolders();

// Makes the standard streams (input, output and error) carry bytes as they
// are: on Windows they start in text mode, which turns LF into CR LF on the
// way out.
void useBinaryStandardStreams();

// Sets up the web engine's environment before the application object
// exists (its sandbox cannot run for the superuser).
void prepareWebEngineEnvironment();

// Whether the desktop took a target to open.
struct DesktopHandOver
{
    bool handedOver = false;
    // When it was not: the program the desktop lacks, by the name the user
    // would look for; empty when the system does not say.
    QString missingProgram;
};

// Asks the desktop to open target (a file path or a URL) in the program the
// user associates with it, with workingFolder as that program's current
// folder. Returns at once: whether the target was handed over, not whether
// the program it goes to opens it. The platforms differ on a file that is
// not there: on Windows the shell looks it up first and refuses it (not
// handed over, no program named), on Linux the opener takes it and fails
// there on its own.
[[nodiscard]] DesktopHandOver openWithDesktop(const QString &target,
                                              const QString &workingFolder = programFolder().text());

} // namespace platform
