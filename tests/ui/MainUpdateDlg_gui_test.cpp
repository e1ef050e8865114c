// The progress dialog on the X display (run under Xvfb): its stages, colours, keys and
// buttons. The update it runs is checked in UpdateSequence_test and end to end.
#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include <filesystem>

#include "GuiTestSupport.h"
#include "ScreenCapture.h"
#include "common/Folders.h"
#include "common/Texts.h"
#include "net/HttpRequest.h"
#include "support/TestSupport.h"
#include "ui/MainUpdateDlg.h"
#include "update/XMLFileInfo.h"

namespace {

using platform::CImage;
using testing_support::CaptureScreen;
using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::Pump;
using testing_support::PumpUntil;
using ui::CMainUpdateDlg;

const bool g_environment = (testing_support::AddGuiEnvironment(), true);

wxString Utf8(std::string_view text) { return wxString::FromUTF8(text.data(), text.size()); }

struct Cell {
    bool shown;
    wxRect rect;
};

// What each stage shows: bar, status line, percentage label, try-now, manual, close.
struct StageLayout {
    ui::DisplayStage stage;
    const char* name;
    Cell bar, status, percent, tryNow, manual, close;
    std::string_view statusText;
};

const StageLayout kStages[] = {
    {ui::StageInitial, "initial", {true, {0, 230, 500, 6}}, {true, {205, 274, 103, 20}}, {false, {270, 274, 33, 20}},
     {false, {193, 285, 109, 30}}, {false, {193, 285, 109, 30}}, {false, {474, 6, 18, 18}}, ""},
    {ui::StageUpdating, "updating", {true, {0, 230, 500, 6}}, {true, {200, 274, 137, 20}}, {true, {270, 274, 70, 20}},
     {false, {193, 285, 109, 30}}, {false, {193, 285, 109, 30}}, {false, {474, 6, 18, 18}}, texts::kStatusUpdating},
    {ui::StageSucceeded, "succeeded", {false, {0, 230, 500, 6}}, {true, {182, 255, 137, 20}}, {false, {270, 274, 70, 20}},
     {true, {193, 285, 109, 30}}, {false, {193, 285, 109, 30}}, {true, {474, 6, 18, 18}}, texts::kStatusSucceeded},
    {ui::StageFailed, "failed", {false, {0, 230, 500, 6}}, {true, {130, 255, 240, 20}}, {false, {270, 274, 70, 20}},
     {false, {193, 285, 109, 30}}, {true, {193, 285, 109, 30}}, {true, {474, 6, 18, 18}}, texts::kStatusFailed},
};

// Counts the pixels of a screen area close to a colour (text is drawn smoothed).
int PixelsNear(const CImage& image, int r, int g, int b, int tolerance = 40) {
    int count = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) {
            const platform::Bgra p = image.GetPixel(x, y);
            if (std::abs(p.r - r) + std::abs(p.g - g) + std::abs(p.b - b) <= tolerance) ++count;
        }
    return count;
}

class ProgressDialog : public testing::Test {
  protected:
    CTempDir m_dir;
    std::string m_temp = m_dir / "tmp";
    std::string m_record = m_dir / "opened";
    std::string m_opener = m_dir / "opener";
    CScopedEnv m_tmpdir{"TMPDIR", m_temp.c_str()};
    CScopedEnv m_openerEnv{"VOREL_OPENER", m_opener.c_str()};
    CScopedEnv m_noProxy{"http_proxy", "http://127.0.0.1:9"};  // nothing to download from

    void SetUp() override {
        std::filesystem::create_directory(m_temp);
        testing_support::WriteFile(m_opener, "#!/bin/sh\nprintf '%s|%s\\n' \"$PWD\" \"$1\" >> '" + m_record + "'\n");
        std::filesystem::permissions(m_opener, std::filesystem::perms::owner_all);
        SetManifestText("");
        ParseManifest();  // no install files: the update fails at once
        g_nContinueUpdate = 1;
    }

    CImage Screen(const wxWindow& dialog, wxRect r) const {
        const wxPoint origin = dialog.ClientToScreen(r.GetPosition());
        return CaptureScreen(origin.x, origin.y, r.width, r.height);
    }
    std::string Opened() const { return testing_support::ReadFile(m_record); }
};

TEST_F(ProgressDialog, EachStagePlacesAndShowsItsControls) {
    CMainUpdateDlg dialog;
    EXPECT_EQ(dialog.GetClientSize(), wxSize(500, 340));
    for (const StageLayout& s : kStages) {
        SCOPED_TRACE(s.name);
        // As in a run: the initial stage, then updating, then how it ended.
        dialog.ShowStage(ui::StageInitial);
        if (s.stage != ui::StageInitial) dialog.ShowStage(ui::StageUpdating);
        dialog.ShowStage(s.stage);
        const std::pair<const wxWindow*, Cell> cells[] = {
            {&dialog.m_progress, s.bar},   {&dialog.m_staticStatus, s.status}, {&dialog.m_staticPercent, s.percent},
            {&dialog.m_btnTryNow, s.tryNow}, {&dialog.m_btnManual, s.manual},  {&dialog.m_btnClose, s.close},
        };
        for (const auto& [window, cell] : cells) {
            EXPECT_EQ(window->IsShown(), cell.shown) << window->GetId();
            EXPECT_EQ(window->GetRect(), cell.rect) << window->GetId();
        }
        EXPECT_EQ(dialog.m_staticStatus.GetLabel(), Utf8(s.statusText));
    }
    EXPECT_EQ(dialog.m_staticPercent.GetLabel(), "1%") << "set by the updating stage";
    EXPECT_EQ(dialog.m_progress.m_nPos, 0);
    EXPECT_EQ(dialog.m_progress.m_nUpper, 100);
    EXPECT_EQ(dialog.m_progress.m_bShowText, 0);
    EXPECT_EQ(dialog.m_progress.m_clrBkgnd, platform::RGB(216, 221, 228));
    EXPECT_EQ(dialog.m_staticStatus.GetFont().GetFractionalPointSize(), 11.5);
}

TEST_F(ProgressDialog, ShowsTheEmptyBarFirstThenFailsWithItsOneText) {
    CMainUpdateDlg dialog;
    dialog.Show();
    ASSERT_TRUE(PumpUntil([&] { return dialog.IsShownOnScreen(); }));
    // Before the timer's first tick: the background and the empty bar.
    EXPECT_EQ(dialog.m_staticStatus.GetLabel(), "");
    EXPECT_FALSE(dialog.m_staticPercent.IsShown());
    EXPECT_FALSE(dialog.m_btnClose.IsShown());
    const CImage bar = Screen(dialog, {0, 230, 500, 6});
    EXPECT_EQ(PixelsNear(bar, 193, 210, 238, 0), 500 * 6) << "the idle bar";
    testing_support::SaveScreenshot(Screen(dialog, {0, 0, 500, 340}), "progress-initial");

    // The manifest names no install files, so the sequence ends in the failed stage.
    ASSERT_TRUE(PumpUntil([&] { return dialog.m_btnManual.IsShown(); }));
    Pump(300);
    const CImage shown = Screen(dialog, {0, 0, 500, 340});
    testing_support::SaveScreenshot(shown, "progress-failed");
    EXPECT_GT(PixelsNear(Screen(dialog, {130, 255, 240, 20}), 50, 137, 241), 30) << "blue status text";
    EXPECT_GT(PixelsNear(Screen(dialog, {130, 255, 240, 20}), 255, 255, 255, 0), 1000) << "on white";
    EXPECT_EQ(PixelsNear(Screen(dialog, {474 + 8, 6 + 8, 1, 1}), 0, 0, 0, 30), 1) << "the close cross's centre";
    EXPECT_EQ(PixelsNear(Screen(dialog, {474, 6, 3, 3}), 0, 0, 0, 30), 0) << "on a transparent square";
    EXPECT_GT(PixelsNear(Screen(dialog, {193, 285, 109, 30}), 0x2a, 0x86, 0xea, 60), 1000) << "the blue button";
    EXPECT_EQ(PixelsNear(Screen(dialog, {0, 0, 1, 1}), 255, 255, 255, 0), 0) << "the rounded corner is cut";
    dialog.Hide();
}

// Runs the dialog modally; during the run, act() is called once the dialog is on screen.
int RunModal(CMainUpdateDlg& dialog, const std::function<void()>& act) {
    dialog.CallAfter([&] {
        PumpUntil([&] { return dialog.IsShownOnScreen() && dialog.m_btnManual.IsShown(); });
        act();
    });
    return dialog.ShowModal();
}

TEST_F(ProgressDialog, KeysAndButtonsEndTheDialog) {
    const std::string moduleDir = GetModuleDir();
    struct Case {
        const char* name;
        std::function<void(CMainUpdateDlg&, wxUIActionSimulator&)> act;
        int result;
        std::string opened;
    } cases[] = {
        {"enter starts the client", [](CMainUpdateDlg&, wxUIActionSimulator& sim) { sim.Char(WXK_RETURN); },
         wxID_OK, moduleDir.substr(0, moduleDir.size() - 1) + "|" + moduleDir + "HalvoraPortal.exe\n"},
        {"manual download opens the page",
         [](CMainUpdateDlg& d, wxUIActionSimulator& sim) {
             sim.MouseMove(d.m_btnManual.GetScreenRect().GetPosition() + wxPoint(50, 15));
             Pump(100);
             sim.MouseClick();
         },
         wxID_CANCEL, std::filesystem::current_path().string() + "|" + ui::ManualDownloadUrl() + "\n"},
        {"close button", [](CMainUpdateDlg& d, wxUIActionSimulator& sim) {
             sim.MouseMove(d.m_btnClose.GetScreenRect().GetPosition() + wxPoint(9, 9));
             Pump(100);
             sim.MouseClick();
         },
         wxID_CANCEL, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_record);
        g_nContinueUpdate = 1;
        CMainUpdateDlg dialog;
        wxUIActionSimulator sim;
        bool escapeIgnored = false;
        const int result = RunModal(dialog, [&] {
            // No window manager runs to give the new window the keyboard: do what it would.
            sim.MouseMove(dialog.ClientToScreen(wxPoint(20, 100)));
            dialog.Raise();
            dialog.SetFocus();
            Pump(100);
            sim.Char(WXK_ESCAPE);
            Pump(200);
            escapeIgnored = dialog.IsShown();
            c.act(dialog, sim);
        });
        EXPECT_TRUE(escapeIgnored) << "Escape never closes the dialog";
        EXPECT_EQ(result, c.result);
        PumpUntil([&] { return !c.opened.empty() && Opened() == c.opened; }, 2000);
        EXPECT_EQ(Opened(), c.opened);
        EXPECT_EQ(g_nContinueUpdate, c.opened.empty() ? 0 : 1) << "only the close button stops transfers";
    }
}

}  // namespace
