// Reading back what the X server shows, for checking windows pixel by pixel.
#pragma once

#include "platform/Image.h"

namespace testing_support {

// The screen's pixels in the rectangle (x, y, width, height) of the default display as an
// opaque picture; empty when the display cannot be read.
platform::CImage CaptureScreen(int x, int y, int width, int height);

}  // namespace testing_support
