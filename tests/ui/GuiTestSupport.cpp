#include "GuiTestSupport.h"

#include <gtest/gtest.h>
#include <wx/evtloop.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "support/TestSupport.h"
#include "ui/GuiStartup.h"

// After the test framework: Xlib's macros would break its headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace testing_support {
namespace {

class CGuiEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        // A preference for another backend must not keep the program off X11.
        CScopedEnv wayland("GDK_BACKEND", "wayland");
        ASSERT_TRUE(ui::StartGui());
        EXPECT_STREQ(std::getenv("GDK_BACKEND"), "x11");
        wxSetAssertHandler([](const wxString& file, int line, const wxString&, const wxString& cond,
                              const wxString& msg) {
            ADD_FAILURE_AT(file.utf8_str(), line) << cond.utf8_str() << " " << msg.utf8_str();
        });
        m_loop = new wxGUIEventLoop;
        wxEventLoopBase::SetActive(m_loop);
    }
    void TearDown() override {
        wxEventLoopBase::SetActive(nullptr);
        delete m_loop;
        ui::StopGui();
    }

  private:
    wxGUIEventLoop* m_loop = nullptr;
};

}  // namespace

void AddGuiEnvironment() {
    testing::AddGlobalTestEnvironment(new CGuiEnvironment);
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (true) {
        wxEventLoopBase::GetActive()->YieldFor(wxEVT_CATEGORY_ALL);
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        wxMilliSleep(10);
    }
}

void Pump(int milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

bool SameImage(const platform::CImage& a, const platform::CImage& b, std::string* where) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) {
            platform::Bgra p = a.GetPixel(x, y), q = b.GetPixel(x, y);
            if (p.r != q.r || p.g != q.g || p.b != q.b) {
                if (where) *where = std::to_string(x) + "," + std::to_string(y);
                return false;
            }
        }
    return true;
}

void GiveKeyboardFocus(wxWindow& topLevel) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return;
    const wxPoint inside = topLevel.ClientToScreen(wxPoint(topLevel.GetClientSize().x / 2, 2));
    XWarpPointer(display, 0, DefaultRootWindow(display), 0, 0, 0, 0, inside.x, inside.y);
    XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
    topLevel.Raise();
    topLevel.SetFocus();
}

void PressKey(unsigned long keysym) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return;
    const KeyCode code = XKeysymToKeycode(display, keysym);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
}

void SaveScreenshot(const platform::CImage& picture, const std::string& name) {
    const char* dir = std::getenv("VOREL_SCREENSHOT_DIR");
    if (dir == nullptr) return;
    std::vector<uint8_t> png;
    ASSERT_TRUE(platform::EncodePng(picture, png));
    WriteFile(std::string(dir) + "/" + name + ".png", std::string(png.begin(), png.end()));
}

}  // namespace testing_support
