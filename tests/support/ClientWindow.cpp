#include "support/ClientWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {
namespace {

void Run(int out, const std::string& title, bool withNetName, int closeDelayMs,
         const std::string& recordPath, const std::string& closeRecord) {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return;
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 10, 10, 200, 100, 0, 0, 0);
    Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &deleteWindow, 1);
    if (withNetName) {
        XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False),
                        XInternAtom(d, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()),
                        static_cast<int>(title.size()));
    } else {
        char* list[] = {const_cast<char*>(title.c_str())};
        XTextProperty property;
        Xutf8TextListToTextProperty(d, list, 1, XCompoundTextStyle, &property);
        XSetWMName(d, w, &property);
        XFree(property.value);
    }
    XMapWindow(d, w);
    XSync(d, False);
    const std::string id = std::to_string(w) + "\n";
    (void)!::write(out, id.data(), id.size());
    for (int waited = 0; waited < 20000; waited += 10) {
        while (XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type != ClientMessage || static_cast<Atom>(e.xclient.data.l[0]) != deleteWindow)
                continue;
            if (!recordPath.empty() && !closeRecord.empty()) {
                const int fd = ::open(recordPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
                const std::string line = closeRecord + "\n";
                (void)!::write(fd, line.data(), line.size());
                ::close(fd);
            }
            (void)!::write(out, "closed\n", 7);
            ::usleep(static_cast<useconds_t>(closeDelayMs) * 1000);
            XDestroyWindow(d, w);
            XSync(d, False);
            ::usleep(200000);
            return;
        }
        ::usleep(10000);
    }
}

}  // namespace

CClientWindow::CClientWindow(const std::string& utf8Title, bool withNetName, int closeDelayMs,
                             const std::string& recordPath, const std::string& closeRecord) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::close(fds[0]);
        Run(fds[1], utf8Title, withNetName, closeDelayMs, recordPath, closeRecord);
        ::_exit(0);
    }
    ::close(fds[1]);
    m_fromChild = fds[0];
    m_id = std::stoul(ReadLine());
}

CClientWindow::~CClientWindow() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        AwaitWindowGone();
    }
    if (m_fromChild >= 0) ::close(m_fromChild);
}

std::string CClientWindow::ReadLine(int timeoutMs) {
    std::string line;
    pollfd p{m_fromChild, POLLIN, 0};
    while (::poll(&p, 1, timeoutMs) > 0) {
        char c;
        if (::read(m_fromChild, &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    return line.empty() ? "0" : line;
}

// The server drops a dead client's windows a moment after the client is gone; wait for that,
// so that the next test cannot find this window.
void CClientWindow::AwaitWindowGone() const {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return;
    if (m_id != 0) {
        XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        for (int i = 0; i < 200; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(d, m_id, &attributes)) break;
            ::usleep(10000);
        }
        XSetErrorHandler(previous);
    }
    XCloseDisplay(d);
}

}  // namespace testing_support
