// Starting and stopping the GUI toolkit (wxWidgets on GTK, asked for X11). The program
// starts it only when a window is due, after the update check.
#pragma once

namespace ui {

// Starts the toolkit on the X11 display. False when no display can be opened: a message
// then goes to standard error (nothing to the log) and the toolkit stays stopped. True at
// once when it already runs.
bool StartGui();

// Stops the toolkit that StartGui started; nothing when it does not run.
void StopGui();

}  // namespace ui
