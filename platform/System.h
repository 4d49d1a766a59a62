#pragma once

#include <QString>

// The few services that reach the operating system. Everything
// platform-specific in the program lives behind this interface.
namespace platform {

// The running program's folder in the platform's own separators; a trailing
// separator only at a root.
[[nodiscard]] QString programFolder();

// Sets up the web engine's environment before the application object
// exists (its sandbox cannot run for the superuser).
void prepareWebEngineEnvironment();

// Asks the desktop to open target (a file path or a URL) in the program the
// user associates with it, with workingFolder as that program's current
// folder. Returns at once; failures are not reported.
void openWithDesktop(const QString &target, const QString &workingFolder = programFolder());

} // namespace platform
