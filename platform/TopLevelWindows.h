// Other programs' top-level windows, found by title and asked to close (X11).
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// A window of another program; 0 is none.
using WindowId = unsigned long;

// The first top-level window whose title is titleGbk (FindWindowA): client windows that carry
// WM_STATE, or the root's children when no window manager runs; _NET_WM_NAME or WM_NAME is
// compared. 0 when there is none or no display can be opened.
WindowId FindTopLevelWindow(std::string_view titleGbk);

// Asks the window to close (WM_CLOSE): sends it WM_DELETE_WINDOW and returns at once.
bool PostCloseRequest(WindowId window);

// Asks the window to close and waits, at most timeoutMs, until it is gone (SendMessageA with
// WM_CLOSE). true when the request was delivered.
bool SendCloseRequest(WindowId window, int timeoutMs = 5000);

}  // namespace platform
