// What the window tests share: the toolkit started once per test program, handling window
// events while waiting for something to show, comparing pictures, saving screenshots.
#pragma once

#include <functional>
#include <string>

#include "platform/Image.h"

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

// Writes a picture into $VOREL_SCREENSHOT_DIR, when that is set, for the documentation.
void SaveScreenshot(const platform::CImage& picture, const std::string& name);

}  // namespace testing_support
