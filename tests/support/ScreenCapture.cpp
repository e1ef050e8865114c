#include "support/ScreenCapture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

namespace testing_support {
namespace {

// The lowest set bit's position, so that a visual's channel mask can be shifted down.
int Shift(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

platform::CImage CaptureScreen(int x, int y, int width, int height) {
    platform::CImage picture;
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    if (!display) return picture;
    XSync(display.get(), False);
    const Window root = DefaultRootWindow(display.get());
    auto destroy = [](XImage* image) { XDestroyImage(image); };  // a macro, not a function
    std::unique_ptr<XImage, decltype(destroy)> image(
        XGetImage(display.get(), root, x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap),
        destroy);
    if (!image || !picture.Create(width, height, 32, false)) return picture;
    const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const unsigned long value = XGetPixel(image.get(), column, row);
            uint8_t rgb[3];
            for (int c = 0; c < 3; ++c)
                rgb[c] = static_cast<uint8_t>((value & masks[c]) >> Shift(masks[c]));
            picture.SetPixel(column, row, {rgb[2], rgb[1], rgb[0], 255});
        }
    return picture;
}

}  // namespace testing_support
