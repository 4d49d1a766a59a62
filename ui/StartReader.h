#pragma once

class MainWindow;

namespace platform {
class NativePath;
}

// Start-up: reads the collection beside programFolder, builds its catalogue,
// shows the main window with the catalogue in it and returns the window
// (which deletes itself when closed). A program folder the reader cannot name
// as text, or a run-time failure on the way, is reported and ends the program
// (nullptr when that end is not taken).
MainWindow *startReader(const platform::NativePath &programFolder);

// The whole run in an application object that exists: start-up, then the
// event loop until the main window is closed. Returns the exit status.
int runReader(const platform::NativePath &programFolder);
