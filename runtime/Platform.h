#pragma once

#include <QString>

#include <functional>

class QWidget;

// The few services that reach the operating system and the window system.
// Everything platform-specific in the program lives behind this interface.
namespace runtime {

class RuntimeError;

// The running program's folder in the platform's own separators; a trailing
// separator only at a root.
[[nodiscard]] QString programFolder();

// Sets up the web engine's environment before the application object
// exists (its sandbox cannot run for the superuser).
void prepareWebEngine();

// Handles the window events queued now, then returns without waiting.
void doEvents();

// Asks the desktop to open target (a file path or a URL) in the program the
// user associates with it, with workingFolder as that program's current
// folder. Returns at once; failures are not reported.
void shellOpen(const QString &target, const QString &workingFolder);

// A modal box with the critical-error icon and one OK button.
void criticalBox(QWidget *parent, const QString &title, const QString &text);

// The standard run-time error report: a critical box with the given title
// (the main window's caption), then the program ends with a non-zero status.
void reportFatal(const RuntimeError &error, const QString &title);

// Runs body; a run-time failure escaping it is reported by reportFatal. For
// handlers whose failures end the program, so no exception crosses the event loop.
void guardFatal(const QString &title, const std::function<void()> &body);

// Replaces the end of the program after a fatal report (tests record it instead).
void setFatalExit(std::function<void(int status)> exitFunction);

} // namespace runtime
