#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace platform {
class RuntimeError;
}

// The reader's messages: the critical box, and the standard run-time error
// report for failures that end the program.
namespace fatal {

// A modal box with the critical-error icon and one OK button.
void showCriticalBox(QWidget *parent, const QString &title, const QString &text);

// A critical box with the given title (the main window's caption) and text,
// then the program ends with a non-zero status.
void stop(const QString &title, const QString &text);

// The standard run-time error report, ended as by stop().
void report(const platform::RuntimeError &error, const QString &title);

// Runs body; a run-time failure escaping it is reported. For handlers whose
// failures end the program, so no exception crosses the event loop.
void guard(const QString &title, const std::function<void()> &body);

using ExitFunction = std::function<void(int status)>;

// Replaces how the program ends after a report (tests record it instead);
// returns the function it replaces.
ExitFunction setExitFunction(ExitFunction exitFunction);

} // namespace fatal
