#include "ui/GuiStartup.h"

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <cstdio>

namespace ui {
namespace {

// The application object: the program runs its dialogs modally and has no main loop.
class CGuiApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

bool g_bGuiStarted = false;

}  // namespace

bool StartGui(wxApp* app) {
    if (g_bGuiStarted) return true;
    // Window shapes, placement and finding the client's windows by title need X11.
    wxSetEnv("GDK_BACKEND", "x11");
    static char programName[] = "vorel";
    static char* argv[] = {programName, nullptr};
    static int argc = 1;
    wxApp::SetInstance(app != nullptr ? app : new CGuiApp);
    bool started;
    {
        wxLogNull quiet;  // the toolkit's own complaint would not name the program
        started = wxEntryStart(argc, argv);
    }
    if (!started) {
        wxString display;
        if (!wxGetEnv("DISPLAY", &display)) display = "(not set)";
        std::fprintf(stderr,
                     "vorel: cannot open the X display %s, so the update window cannot be shown.\n",
                     static_cast<const char*>(display.utf8_str()));
        return false;
    }
    g_bGuiStarted = true;
    return true;
}

void StopGui() {
    if (!g_bGuiStarted) return;
    wxEntryCleanup();
    g_bGuiStarted = false;
}

}  // namespace ui
