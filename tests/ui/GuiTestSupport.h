// What the window tests share: the toolkit started once per test program, handling window
// events while waiting for something to show, comparing pictures, saving screenshots.
#pragma once

#include <functional>
#include <string>

#include "platform/Image.h"

class wxWindow;

namespace testing_support {

// Starts the toolkit for the whole test program (as the updater does when a window is due)
// and turns the toolkit's assertions into test failures. Call once, at static initialisation.
void AddGuiEnvironment();

// Handles pending window events until done() holds (true) or the time is up (false).
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 3000);
// Handles window events for a while.
void Pump(int milliseconds);

// True when both pictures have the same size and colours; where receives the first
// differing pixel.
bool SameImage(const platform::CImage& a, const platform::CImage& b, std::string* where = nullptr);

// Gives a top-level window the keyboard, as a window manager would (none runs under Xvfb):
// the pointer goes over it (the keyboard follows the pointer without a window manager) and
// the window takes the focus. Window events are not handled meanwhile.
void GiveKeyboardFocus(wxWindow& topLevel);

// Presses and releases a key (an X keysym, such as XK_Return) through XTest, without
// handling window events meanwhile; the key goes to the window with the keyboard.
void PressKey(unsigned long keysym);

// Writes a picture into $VOREL_SCREENSHOT_DIR, when that is set, for the documentation.
void SaveScreenshot(const platform::CImage& picture, const std::string& name);

}  // namespace testing_support
