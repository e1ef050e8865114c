#include "support/ScreenDriver.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "platform/GbkText.h"
#include "platform/TopLevelWindows.h"
#include "support/ScreenCapture.h"

namespace testing_support {
namespace {

using DisplayPtr = std::unique_ptr<Display, int (*)(Display*)>;

DisplayPtr OpenDisplay() {
    return DisplayPtr(XOpenDisplay(nullptr), XCloseDisplay);
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

void MovePointer(Display* d, int x, int y) {
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
}

// The shown child of the root of that size (no window manager: top-level windows are the
// root's children).
Window FindBySize(Display* d, int width, int height) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = count; i-- > 0 && found == 0;) {  // topmost first
        XWindowAttributes a{};
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
            a.width == width && a.height == height)
            found = children[i];
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

bool CanOpenDisplay() {
    return static_cast<bool>(OpenDisplay());
}

ScreenRect WindowRect(const std::string& utf8Title) {
    DisplayPtr d = OpenDisplay();
    platform::WindowId window = 0;
    int width = 0, height = 0;
    if (d && std::sscanf(utf8Title.c_str(), "@%dx%d", &width, &height) == 2) {
        XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
        window = FindBySize(d.get(), width, height);
        XSync(d.get(), False);
        XSetErrorHandler(previous);
    } else {
        window = platform::FindTopLevelWindow(platform::Utf8ToGbk(utf8Title));
    }
    if (window == 0 || !d) return {};
    XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
    XWindowAttributes attributes{};
    ScreenRect rect;
    Window child = 0;
    if (XGetWindowAttributes(d.get(), window, &attributes) && attributes.map_state == IsViewable &&
        XTranslateCoordinates(d.get(), window, DefaultRootWindow(d.get()), 0, 0, &rect.x, &rect.y,
                              &child)) {
        rect.width = attributes.width;
        rect.height = attributes.height;
    }
    XSync(d.get(), False);
    XSetErrorHandler(previous);
    return rect;
}

bool AwaitWindow(const std::string& utf8Title, int timeoutMs, bool gone) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (WindowRect(utf8Title).Empty() == gone) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

platform::CImage CaptureWindow(const std::string& utf8Title) {
    const ScreenRect r = WindowRect(utf8Title);
    if (r.Empty()) return {};
    return CaptureScreen(r.x, r.y, r.width, r.height);
}

bool SavePng(const platform::CImage& picture, const std::string& path) {
    std::vector<uint8_t> png;
    if (picture.IsNull() || !platform::EncodePng(picture, png)) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

bool PressKeyIn(const std::string& utf8Title, unsigned long keysym) {
    const ScreenRect r = WindowRect(utf8Title);
    DisplayPtr d = OpenDisplay();
    if (r.Empty() || !d) return false;
    // Without a window manager the keyboard follows the pointer.
    MovePointer(d.get(), r.x + r.width / 2, r.y + 3);
    XSetInputFocus(d.get(), PointerRoot, RevertToPointerRoot, CurrentTime);
    const KeyCode code = XKeysymToKeycode(d.get(), keysym);
    XTestFakeKeyEvent(d.get(), code, True, CurrentTime);
    XTestFakeKeyEvent(d.get(), code, False, CurrentTime);
    XSync(d.get(), False);
    return true;
}

bool ClickIn(const std::string& utf8Title, int x, int y) {
    const ScreenRect r = WindowRect(utf8Title);
    DisplayPtr d = OpenDisplay();
    if (r.Empty() || !d) return false;
    MovePointer(d.get(), r.x + x, r.y + y);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // hover first, as a hand would
    MovePointer(d.get(), r.x + x + 1, r.y + y);
    XTestFakeButtonEvent(d.get(), 1, True, CurrentTime);
    XSync(d.get(), False);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    XTestFakeButtonEvent(d.get(), 1, False, CurrentTime);
    XSync(d.get(), False);
    return true;
}

}  // namespace testing_support
