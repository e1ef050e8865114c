// Starting and stopping the GUI toolkit (wxWidgets on GTK, asked for X11). The program
// starts it only when a window is due, after the update check.
#pragma once

class wxApp;

namespace ui {

// Starts the toolkit on the X11 display with app as its application object (which the
// toolkit then owns; a plain one when null). False when no display can be opened: a message
// then goes to standard error (nothing to the log) and the toolkit stays stopped. True at
// once when it already runs.
bool StartGui(wxApp* app = nullptr);

// Stops the toolkit that StartGui started; nothing when it does not run.
void StopGui();

}  // namespace ui
