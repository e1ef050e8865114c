#include "platform/TopLevelWindows.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "support/TestSupport.h"

// Xlib's macros (None, Bool, Status ...) would break the test framework's headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using testing_support::CScopedEnv;

// A client program's window in a child process: it maps a window with the title, reports
// its id on the pipe, and on WM_DELETE_WINDOW writes "closed" and destroys the window
// (after closeDelayMs). It gives up after ten seconds.
struct CClientWindow {
    pid_t pid = -1;
    int fromChild = -1;
    unsigned long id = 0;

    CClientWindow(const std::string& utf8Title, bool withNetName, int closeDelayMs) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            Run(fds[1], utf8Title, withNetName, closeDelayMs);
            _exit(0);
        }
        ::close(fds[1]);
        fromChild = fds[0];
        id = std::stoul(ReadLine());
    }
    ~CClientWindow() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
            AwaitWindowGone();
        }
        if (fromChild >= 0) ::close(fromChild);
    }

    // The server drops a dead client's windows a moment after the client is gone; wait for
    // that, so that the next test cannot find this window.
    void AwaitWindowGone() const {
        Display* d = XOpenDisplay(nullptr);
        if (d == nullptr || id == 0) return;
        XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        for (int i = 0; i < 200; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(d, id, &attributes)) break;
            ::usleep(10000);
        }
        XSetErrorHandler(previous);
        XCloseDisplay(d);
    }

    std::string ReadLine(int timeoutMs = 5000) {
        std::string line;
        pollfd p{fromChild, POLLIN, 0};
        while (::poll(&p, 1, timeoutMs) > 0) {
            char c;
            if (::read(fromChild, &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        return line.empty() ? "0" : line;
    }

    static void Run(int out, const std::string& title, bool withNetName, int closeDelayMs) {
        Display* d = XOpenDisplay(nullptr);
        if (d == nullptr) return;
        Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 10, 10, 200, 100, 0, 0, 0);
        Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(d, w, &deleteWindow, 1);
        if (withNetName) {
            XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
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
        std::string id = std::to_string(w) + "\n";
        (void)!::write(out, id.data(), id.size());
        for (int waited = 0; waited < 10000; waited += 10) {
            while (XPending(d) > 0) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == deleteWindow) {
                    (void)!::write(out, "closed\n", 7);
                    ::usleep(closeDelayMs * 1000);
                    XDestroyWindow(d, w);
                    XSync(d, False);
                    ::usleep(200000);
                    return;
                }
            }
            ::usleep(10000);
        }
    }
};

const char kMainTitle[] = "瓦内尔银行哈沃拉专业版";
const char kLoginTitle[] = "专业版用户登录";

TEST(TopLevelWindows, FindsAWindowByItsTitleInEitherProperty) {
    for (bool netName : {true, false}) {
        CClientWindow client(kLoginTitle, netName, 0);
        ASSERT_NE(client.id, 0u);
        EXPECT_EQ(platform::FindTopLevelWindow(testing_support::Gbk(kLoginTitle)), client.id) << netName;
        EXPECT_EQ(platform::FindTopLevelWindow(testing_support::Gbk(kMainTitle)), 0u) << netName;
    }
}

TEST(TopLevelWindows, PostingAsksTheWindowToCloseAndReturnsAtOnce) {
    CClientWindow client(kMainTitle, true, 900);
    ASSERT_NE(client.id, 0u);
    const platform::WindowId window = platform::FindTopLevelWindow(testing_support::Gbk(kMainTitle));
    ASSERT_EQ(window, client.id);
    EXPECT_TRUE(platform::PostCloseRequest(window));
    EXPECT_EQ(client.ReadLine(), "closed");
    EXPECT_NE(platform::FindTopLevelWindow(testing_support::Gbk(kMainTitle)), 0u) << "still there while it closes";
}

TEST(TopLevelWindows, SendingWaitsUntilTheWindowIsGone) {
    CClientWindow client(kLoginTitle, true, 500);
    ASSERT_NE(client.id, 0u);
    const platform::WindowId window = platform::FindTopLevelWindow(testing_support::Gbk(kLoginTitle));
    ASSERT_EQ(window, client.id);
    EXPECT_TRUE(platform::SendCloseRequest(window));
    EXPECT_EQ(platform::FindTopLevelWindow(testing_support::Gbk(kLoginTitle)), 0u);
}

TEST(TopLevelWindows, WithoutADisplayNothingIsFound) {
    CScopedEnv display("DISPLAY", nullptr);
    EXPECT_EQ(platform::FindTopLevelWindow(testing_support::Gbk(kMainTitle)), 0u);
    EXPECT_FALSE(platform::PostCloseRequest(12345));
}

}  // namespace
