#include "platform/TopLevelWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/GbkText.h"

namespace platform {
namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

struct XFreer {
    void operator()(void* p) const { XFree(p); }
};

// X errors on our own connection (a window that vanished while we look at it) are expected
// and ignored; errors on other connections go to the handler that was installed before.
Display* g_pOwnDisplay = nullptr;
XErrorHandler g_pPreviousHandler = nullptr;
bool g_bErrorSeen = false;

int OnXError(Display* display, XErrorEvent* event) {
    if (display == g_pOwnDisplay) {
        g_bErrorSeen = true;
        return 0;
    }
    return g_pPreviousHandler != nullptr ? g_pPreviousHandler(display, event) : 0;
}

// One connection to the display for the duration of a call.
class CXSession {
  public:
    CXSession() : m_display(XOpenDisplay(nullptr)) {
        if (!m_display) return;
        g_pOwnDisplay = m_display.get();
        g_pPreviousHandler = XSetErrorHandler(OnXError);
    }
    ~CXSession() {
        if (!m_display) return;
        XSync(m_display.get(), False);
        XSetErrorHandler(g_pPreviousHandler);
        g_pOwnDisplay = nullptr;
    }
    Display* Get() const { return m_display.get(); }

  private:
    DisplayHandle m_display;
};

bool HasProperty(Display* d, Window w, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, 0, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) != Success)
        return false;
    if (data != nullptr) XFree(data);
    return type != None;
}

std::vector<Window> Children(Display* d, Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count) || children == nullptr) return {};
    std::unique_ptr<Window, XFreer> owned(children);
    return std::vector<Window>(children, children + count);
}

std::string Utf8Title(Display* d, Window w) {
    const Atom netWmName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, netWmName, 0, 4096, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        std::unique_ptr<unsigned char, XFreer> owned(data);
        if (type == utf8 && format == 8) return std::string(reinterpret_cast<char*>(data), count);
    }
    XTextProperty property{};
    if (!XGetWMName(d, w, &property) || property.value == nullptr) return std::string();
    std::unique_ptr<unsigned char, XFreer> owned(property.value);
    char** list = nullptr;
    int items = 0;
    if (Xutf8TextPropertyToTextList(d, &property, &list, &items) < Success || list == nullptr)
        return std::string();
    std::string title = items > 0 ? list[0] : "";
    XFreeStringList(list);
    return title;
}

// The client window at or below w: w itself when it has WM_STATE, else the first
// descendant that has it (window managers wrap clients in frames).
Window FindClient(Display* d, Window w, Atom wmState, int depth) {
    if (HasProperty(d, w, wmState)) return w;
    if (depth >= 4) return 0;
    for (Window child : Children(d, w))
        if (Window client = FindClient(d, child, wmState, depth + 1)) return client;
    return 0;
}

bool WindowExists(Display* d, Window w) {
    XWindowAttributes attributes;
    g_bErrorSeen = false;
    const bool ok = XGetWindowAttributes(d, w, &attributes) != 0;
    XSync(d, False);
    return ok && !g_bErrorSeen;
}

bool DeliverClose(Display* d, Window w) {
    if (w == 0 || !WindowExists(d, w)) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    g_bErrorSeen = false;
    XSendEvent(d, w, False, NoEventMask, &event);
    XSync(d, False);
    return !g_bErrorSeen;
}

}  // namespace

WindowId FindTopLevelWindow(std::string_view titleGbk) {
    CXSession session;
    Display* d = session.Get();
    if (d == nullptr) return 0;
    const std::string wanted = GbkToUtf8(titleGbk);
    const Atom wmState = XInternAtom(d, "WM_STATE", False);
    const std::vector<Window> top = Children(d, DefaultRootWindow(d));
    bool anyManaged = false;
    for (Window w : top) {
        Window client = FindClient(d, w, wmState, 0);
        if (client == 0) continue;
        anyManaged = true;
        if (Utf8Title(d, client) == wanted) return client;
    }
    if (anyManaged) return 0;
    // No window manager: the top-level windows are the root's children themselves.
    for (Window w : top)
        if (Utf8Title(d, w) == wanted) return w;
    return 0;
}

bool PostCloseRequest(WindowId window) {
    CXSession session;
    return session.Get() != nullptr && DeliverClose(session.Get(), window);
}

bool SendCloseRequest(WindowId window, int timeoutMs) {
    CXSession session;
    Display* d = session.Get();
    if (d == nullptr || !DeliverClose(d, window)) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline && WindowExists(d, window)) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(d, window, &attributes) && attributes.map_state != IsViewable)
            break;
        ::usleep(20000);
    }
    return true;
}

}  // namespace platform
