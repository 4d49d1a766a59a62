#pragma once

#include <QString>

// Hands a file path or a web address to the desktop.
namespace OpURL {

// Asks the desktop to open target in the user's associated program, with
// the program folder as that program's working folder. Failures are silent.
void OpenURL(const QString &target);

// The working folder handed over: the program folder without a trailing
// separator (a root keeps its own).
[[nodiscard]] QString workingFolder();

} // namespace OpURL
