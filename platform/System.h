#pragma once

#include "platform/DesktopHandOff.h"
#include "platform/NativePath.h"

#include <QList>
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
// in the order to try them: the runtime folder (when the session has one),
// then the cache folder (on Windows the temporary folder, then the cache
// folder), each with a "sobranie" folder in it, which may not exist yet. In
// the platform's separators, each ending in one.
[[nodiscard]] QStringList userFolders();

// The user's own folder for what the reader keeps from one run to the next
// (where each work was left, the text size), with a "sobranie" folder in it,
// which may not exist yet: on Linux $XDG_STATE_HOME/sobranie/ (by default
// ~/.local/state/sobranie/), on Windows the local application data folder's.
// Never beside a collection. In the platform's separators, ending in one;
// empty when the system names no such folder.
[[nodiscard]] QString userStateFolder();

// The program's command-line arguments after its name, as the system gave
// them (on POSIX bytes, which need not be UTF-8).
[[nodiscard]] QList<NativePath> commandLineArguments(int argc, char **argv);

// Whether the standard stream descriptor (0, 1 or 2) is open. A closed one
// is opened on the null device, so that no file the program opens later
// takes its number and receives what was meant for the stream.
[[nodiscard]] bool holdStandardStream(int descriptor);

// Makes the standard streams (input, output and error) carry bytes as they
// are: on Windows they start in text mode, which turns LF into CR LF on the
// way out.
void useBinaryStandardStreams();

// Sets up the web engine's environment before the application object
// exists: no sandbox for the superuser (it cannot run there), the page's
// tree for assistive technology when one is active.
void prepareWebEngineEnvironment();

// Gives the memory freed since back to the system where the allocator keeps
// it (glibc keeps large blocks freed in its heap, and a process that read
// large works one after another grew by the largest of them); nothing where
// there is no such allocator.
void releaseFreeMemory();

// Keeps Qt from warning at every start of a session without a runtime folder
// (XDG_RUNTIME_DIR unset) that it makes one in /tmp: the reader does not use
// it then, and the user can do nothing about it.
void quietMissingRuntimeFolder();

// What to hand the desktop to open path: its text when that names it, else
// its file URL, which carries the native bytes.
[[nodiscard]] QString desktopTarget(const NativePath &path);

// A working folder for a program the desktop starts, as text that leads to
// folder: its own text when that names it, else a name the system keeps for
// the folder held open (empty where there is none: the reader's own).
[[nodiscard]] QString desktopFolder(const NativePath &folder);

// Whether programFolder is one that was installed (the install puts
// InstalledMarker in it): the reader then leaves it as installed, whoever
// runs it, and writes its redirect pages in the user's own folders.
inline constexpr char16_t InstalledMarker[] = u"INSTALLED";
[[nodiscard]] bool isInstalledFolder(const NativePath &programFolder);

// Starts handing target (a file path or a URL) to the desktop, to open in the
// program the user associates with it, with workingFolder as that program's
// current folder. Returns at once: the hand-off reports how it went.
[[nodiscard]] DesktopHandOff *openWithDesktop(const QString &target,
                                              const QString &workingFolder = desktopFolder(programFolder()));

} // namespace platform
