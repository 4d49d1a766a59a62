#pragma once

#include <QString>

class MainWindow;

// Start-up: reads the collection beside programFolder, builds its catalogue,
// shows the main window with the catalogue in it and returns the window
// (which deletes itself when closed). A run-time failure on the way is
// reported and ends the program.
MainWindow *startReader(const QString &programFolder);

// The whole run in an application object that exists: start-up, then the
// event loop until the main window is closed. Returns the exit status.
int runReader(const QString &programFolder);
