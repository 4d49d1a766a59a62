#pragma once

#include "platform/System.h"

#include <QString>

class QWidget;

// Handing files and addresses to the desktop from the windows, with the box
// that says so when the desktop has nothing to open them with.
namespace desktop {

// Hands target to the desktop (the program folder as the working folder);
// when it was not handed over, says so as report() does.
void open(QWidget *parent, const QString &target);

// When handOver failed: a critical box over parent, titled with the main
// window's caption, that names the target as shownAs and what is missing.
void report(QWidget *parent, const QString &shownAs, const platform::DesktopHandOver &handOver);

// The box's text: what could not be opened, and the program that is missing
// (empty when the system did not say which).
[[nodiscard]] QString noOpenerMessage(const QString &shownAs, const QString &missingProgram);

} // namespace desktop
