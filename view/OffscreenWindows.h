#pragma once

// The browser widget draws through a window of its own that is never shown
// ("Offscreen"); assistive technology would list it beside the reader's
// window as an empty frame. Keeps such windows out of the tree it sees.
void keepOffscreenWindowsFromAssistiveTechnology();
