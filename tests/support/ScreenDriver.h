// Driving the X display as a user would: find a window by its title, look at it, press keys
// and click in it. No window manager runs under Xvfb, so the driver also gives a window the
// keyboard the way one would. Used by the end-to-end tests and the demo.
#pragma once

#include <string>

#include "platform/Image.h"

namespace testing_support {

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// True when the X display of $DISPLAY can be opened.
bool CanOpenDisplay();

// Where the top-level window titled utf8Title shows on the screen (empty when there is none
// or it is not mapped). A title of the form "@<width>x<height>" names instead the shown
// top-level window of that size (for windows without a title).
ScreenRect WindowRect(const std::string& utf8Title);

// Waits up to timeoutMs until that window is shown (true) or until it is gone (gone = true).
bool AwaitWindow(const std::string& utf8Title, int timeoutMs, bool gone = false);

// The window's pixels; empty when it is not shown.
platform::CImage CaptureWindow(const std::string& utf8Title);

// Writes a picture as PNG; false when it cannot.
bool SavePng(const platform::CImage& picture, const std::string& path);

// Gives the window the keyboard and presses a key (an X keysym: XK_Return is 0xff0d,
// XK_Escape 0xff1b). False when the window is not shown.
bool PressKeyIn(const std::string& utf8Title, unsigned long keysym);

// Clicks the left button at the window's point (x, y). False when the window is not shown.
bool ClickIn(const std::string& utf8Title, int x, int y);

}  // namespace testing_support
