#pragma once

#include "platform/HandOffResult.h"

#include <QString>

class QWidget;

// Handing files and addresses to the desktop from the windows, with the box
// that says so when the desktop could not open them.
namespace desktop {

enum class Pointer { Unchanged, BusyUntilStarted };

// Hands target to the desktop (the program folder as the working folder)
// without waiting for it. When it fails, a box over parent says so as report()
// does, naming the target as shownAs (target itself when empty); parent gone
// by then, the box goes over the window parent's window belonged to. With
// BusyUntilStarted the busy pointer shows until the opener runs or fails.
void open(QWidget *parent, const QString &target, const QString &shownAs = {}, Pointer pointer = Pointer::Unchanged);

// When the hand-off failed: a critical box over parent, titled with the main
// window's caption, that names the target as shownAs and why.
void report(QWidget *parent, const QString &shownAs, const platform::HandOffResult &result);

// The box's text: what could not be opened, and why.
[[nodiscard]] QString failureMessage(const QString &shownAs, const platform::HandOffResult &result);

} // namespace desktop
