// The progress dialog on the X display (run under Xvfb): its stages, colours, keys and
// buttons. The update it runs is checked in UpdateSequence_test and end to end.
#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include <filesystem>
#include <set>

#include "GuiTestSupport.h"
#include "common/Folders.h"
#include "common/Texts.h"
#include "net/HttpRequest.h"
#include "support/ClientWindow.h"
#include "support/HttpTestServer.h"
#include "support/ScreenCapture.h"
#include "support/TestSupport.h"
#include "ui/MainUpdateDlg.h"
#include "update/InstallDecision.h"
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

wxString Utf8(std::string_view text) {
    return wxString::FromUTF8(text.data(), text.size());
}

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
    {ui::StageInitial,
     "initial",
     {true, {0, 230, 500, 6}},
     {true, {205, 274, 103, 20}},
     {false, {270, 274, 33, 20}},
     {false, {193, 285, 109, 30}},
     {false, {193, 285, 109, 30}},
     {false, {474, 6, 18, 18}},
     ""},
    {ui::StageUpdating,
     "updating",
     {true, {0, 230, 500, 6}},
     {true, {200, 274, 137, 20}},
     {true, {270, 274, 70, 20}},
     {false, {193, 285, 109, 30}},
     {false, {193, 285, 109, 30}},
     {false, {474, 6, 18, 18}},
     texts::kStatusUpdating},
    {ui::StageSucceeded,
     "succeeded",
     {false, {0, 230, 500, 6}},
     {true, {182, 255, 137, 20}},
     {false, {270, 274, 70, 20}},
     {true, {193, 285, 109, 30}},
     {false, {193, 285, 109, 30}},
     {true, {474, 6, 18, 18}},
     texts::kStatusSucceeded},
    {ui::StageFailed,
     "failed",
     {false, {0, 230, 500, 6}},
     {true, {130, 255, 240, 20}},
     {false, {270, 274, 70, 20}},
     {false, {193, 285, 109, 30}},
     {true, {193, 285, 109, 30}},
     {true, {474, 6, 18, 18}},
     texts::kStatusFailed},
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
        testing_support::WriteFile(
            m_opener, "#!/bin/sh\nprintf '%s|%s\\n' \"$PWD\" \"$1\" >> '" + m_record + "'\n");
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
            {&dialog.m_progress, s.bar},          {&dialog.m_staticStatus, s.status},
            {&dialog.m_staticPercent, s.percent}, {&dialog.m_btnTryNow, s.tryNow},
            {&dialog.m_btnManual, s.manual},      {&dialog.m_btnClose, s.close},
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
    EXPECT_GT(PixelsNear(Screen(dialog, {130, 255, 240, 20}), 50, 137, 241), 30)
        << "blue status text";
    EXPECT_GT(PixelsNear(Screen(dialog, {130, 255, 240, 20}), 255, 255, 255, 0), 1000)
        << "on white";
    EXPECT_EQ(PixelsNear(Screen(dialog, {474 + 8, 6 + 8, 1, 1}), 0, 0, 0, 30), 1)
        << "the close cross's centre";
    EXPECT_EQ(PixelsNear(Screen(dialog, {474, 6, 3, 3}), 0, 0, 0, 30), 0)
        << "on a transparent square";
    EXPECT_GT(PixelsNear(Screen(dialog, {193, 285, 109, 30}), 0x2a, 0x86, 0xea, 60), 1000)
        << "the blue button";
    EXPECT_EQ(PixelsNear(Screen(dialog, {0, 0, 1, 1}), 255, 255, 255, 0), 0)
        << "the rounded corner is cut";
    dialog.Hide();
}

// Ends a modal run that has not ended by itself in time (result kTimedOut), so that a test
// fails instead of hanging.
constexpr int kTimedOut = -1;
class CWatchdog : public wxTimer {
  public:
    explicit CWatchdog(CMainUpdateDlg& dialog) : m_dialog(dialog) { StartOnce(30000); }
    void Notify() override { m_dialog.EndDialogOnce(kTimedOut); }

  private:
    CMainUpdateDlg& m_dialog;
};

// Runs the dialog modally; whenShown() is called once the dialog is on screen.
int RunModal(CMainUpdateDlg& dialog, const std::function<void()>& whenShown) {
    CWatchdog watchdog(dialog);
    dialog.CallAfter([&] {
        PumpUntil([&] { return dialog.IsShownOnScreen(); }, 15000);
        whenShown();
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
        {"enter starts the client",
         [](CMainUpdateDlg&, wxUIActionSimulator& sim) { sim.Char(WXK_RETURN); }, wxID_OK,
         moduleDir.substr(0, moduleDir.size() - 1) + "|" + moduleDir + "HalvoraPortal.exe\n"},
        {"manual download opens the page",
         [](CMainUpdateDlg& d, wxUIActionSimulator& sim) {
             sim.MouseMove(d.m_btnManual.GetScreenRect().GetPosition() + wxPoint(50, 15));
             Pump(100);
             sim.MouseClick();
         },
         wxID_CANCEL,
         std::filesystem::current_path().string() + "|" + ui::ManualDownloadUrl() + "\n"},
        {"close button",
         [](CMainUpdateDlg& d, wxUIActionSimulator& sim) {
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
            PumpUntil([&] { return dialog.m_btnManual.IsShown(); });
            testing_support::GiveKeyboardFocus(dialog);
            Pump(100);
            sim.Char(WXK_ESCAPE);
            Pump(200);
            escapeIgnored = dialog.IsShown();
            c.act(dialog, sim);
            PumpUntil([&] { return !dialog.IsModal(); }, 2000);
            dialog.EndDialogOnce(wxID_CANCEL);
        });
        EXPECT_TRUE(escapeIgnored) << "Escape never closes the dialog";
        EXPECT_EQ(result, c.result);
        PumpUntil([&] { return !c.opened.empty() && Opened() == c.opened; }, 2000);
        EXPECT_EQ(Opened(), c.opened);
        EXPECT_EQ(g_nContinueUpdate, c.opened.empty() ? 0 : 1)
            << "only the close button stops transfers";
    }
}

}  // namespace

// A whole update in the dialog: the real engine against a local server through the proxy
// setting, a real package with a component signed for these tests, the registrar and the
// opener recorded.
namespace {

using testing_support::CHttpTestServer;
using testing_support::HttpReply;
using testing_support::ReadFile;
using testing_support::WriteFile;

// Samples the dialog while the update runs (its timer events are handled between the
// chunks of the transfers).
class CSampler : public wxTimer {
  public:
    struct Sample {
        int position;
        std::string percent, status;
        bool closeShown;
    };
    CSampler(CMainUpdateDlg& dialog, std::function<void(const Sample&)> onSample = {})
        : m_dialog(dialog), m_onSample(std::move(onSample)) {}
    void Notify() override {
        Sample s{m_dialog.m_progress.m_nPos, m_dialog.m_staticPercent.GetLabel().utf8_string(),
                 m_dialog.m_staticStatus.GetLabel().utf8_string(), m_dialog.m_btnClose.IsShown()};
        samples.push_back(s);
        if (m_onSample) m_onSample(s);
    }
    std::vector<Sample> samples;

  private:
    CMainUpdateDlg& m_dialog;
    std::function<void(const Sample&)> m_onSample;
};

class ProgressRun : public ProgressDialog {
  protected:
    CHttpTestServer m_server;
    std::string m_system = m_dir / "system32";
    CScopedEnv m_proxy{"http_proxy", m_server.Url().c_str()};
    CScopedEnv m_envSystem{"VOREL_SYSTEM_DIR", m_system.c_str()};
    CScopedEnv m_envRegistry{"VOREL_REGISTRY_DIR", (m_dir / "registry").c_str()};
    CScopedEnv m_envRegistrar{"VOREL_REGSVR", "/bin/true"};

    void SetUp() override {
        ProgressDialog::SetUp();
        std::filesystem::create_directories(m_system);
        WriteFile(m_system + "/HalvoraMain.ocx", "the old component");
        SetManifestText(
            "<KD><InstallURL>download.halvora.example/dl/kd/</"
            "InstallURL><InstallFileName>Setup.exe</InstallFileName>"
            "<InstallZipName>Update.zip</InstallZipName><InstallFileSize>12</InstallFileSize>"
            "<InstallProjID>KD40</InstallProjID><NormalInstallVersion>4.0.3.12</"
            "NormalInstallVersion></KD>");
        ParseManifest();
        g_nMiniInstall = 1;
        // The installer (7 KB of the 12 KB expected) arrives in pieces of 512 bytes: slow
        // enough to watch.
        m_server.Serve("/dl/kd/Setup.exe",
                       HttpReply::Text(Signed("signed-verisign.dll")).Trickled(512, 40));
        m_server.Serve("/dl/kd/Update.zip", HttpReply::Text(Package()));
    }
    static std::string Signed(std::string_view name) {
        return ReadFile(std::string(VOREL_SIGNED_FIXTURE_DIR "/") + std::string(name));
    }
    std::string Package() {
        const std::string tree = m_dir / "tree";
        std::filesystem::create_directories(tree);
        WriteFile(tree + "/HalvoraMain.ocx", Signed("signed-symantec.dll"));
        const std::string command = "cd '" + tree + "' && zip -q -X ../Update.zip HalvoraMain.ocx";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return ReadFile(m_dir / "Update.zip");
    }
};

TEST_F(ProgressRun, TheBarAndTheLabelFollowTheTransfersAndTheCloseButtonStaysHidden) {
    CMainUpdateDlg dialog;
    bool captured = false;
    CSampler sampler(dialog, [&](const CSampler::Sample& s) {
        if (!captured && s.position >= 25) {
            captured = true;
            testing_support::SaveScreenshot(Screen(dialog, {0, 0, 500, 340}), "progress-updating");
        }
    });
    sampler.Start(20);
    const int result = RunModal(dialog, [&] {
        PumpUntil([&] { return dialog.m_btnTryNow.IsShown(); }, 15000);
        Pump(300);
        testing_support::SaveScreenshot(Screen(dialog, {0, 0, 500, 340}), "progress-succeeded");
        dialog.EndDialogOnce(wxID_CANCEL);
    });
    sampler.Stop();
    EXPECT_EQ(result, wxID_CANCEL) << "ended by the test";

    std::set<int> positions;
    for (const CSampler::Sample& s : sampler.samples) {
        if (s.status != texts::kStatusUpdating) continue;
        positions.insert(s.position);
        EXPECT_FALSE(s.closeShown) << "the close button stays hidden while the update runs";
        ASSERT_TRUE(s.percent.ends_with("%")) << s.percent;
        const int shown = std::stoi(s.percent);
        EXPECT_LE(shown, 99);
        EXPECT_TRUE(shown == s.position || (shown == 99 && s.position >= 61) ||
                    (s.position == 0 && shown == 1))
            << s.position << " shown as " << s.percent;
    }
    EXPECT_GE(positions.size(), 4u) << "the bar moved while the installer arrived";
    EXPECT_LT(*positions.rbegin(), 100);
    EXPECT_TRUE(dialog.m_btnTryNow.IsShown() && dialog.m_btnClose.IsShown() &&
                !dialog.m_btnManual.IsShown());
    EXPECT_EQ(ReadFile(m_system + "/HalvoraMain.ocx"), Signed("signed-symantec.dll"));
}

TEST_F(ProgressRun, EnterDuringATransferStartsTheClientOnceTheUpdateHasRun) {
    CMainUpdateDlg dialog;
    bool focused = false, pressed = false;
    CSampler sampler(dialog, [&](const CSampler::Sample& s) {
        if (s.status != texts::kStatusUpdating || pressed) return;
        if (!focused) {
            // What a window manager would do for the new window (nothing here may run the
            // event loop: the update is running it).
            focused = true;
            testing_support::GiveKeyboardFocus(dialog);
        } else if (s.position >= 10) {
            pressed = true;
            testing_support::PressKey(0xff0d);  // Return
        }
    });
    sampler.Start(20);
    const int result = RunModal(dialog, [] {});
    sampler.Stop();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(m_server.Requests().size(), 2u)
        << "the update ran to its end before the dialog closed";
    EXPECT_EQ(ReadFile(m_system + "/HalvoraMain.ocx"), Signed("signed-symantec.dll"));
    PumpUntil([&] { return !Opened().empty(); }, 2000);
    EXPECT_TRUE(Opened().ends_with("|" + GetModuleDir() + "HalvoraPortal.exe\n")) << Opened();
}

TEST_F(ProgressRun, TheLogInWindowIsAskedToCloseBeforeTheInstallerStarts) {
    g_nMiniInstall = 0;
    testing_support::CClientWindow login("专业版用户登录", true, 300, m_record,
                                         "log-in window closed");
    ASSERT_NE(login.Id(), 0u);
    CMainUpdateDlg dialog;
    const int result = RunModal(dialog, [] {});
    EXPECT_EQ(result, wxID_CANCEL) << "the dialog ends once the installer is started";
    const std::string workDir = m_temp + "/vrn_KD40_4.0.3.12";
    PumpUntil([&] { return Opened().find("Setup.exe") != std::string::npos; }, 3000);
    EXPECT_EQ(Opened(), "log-in window closed\n" + workDir + "|" + workDir + "/Setup.exe\n");
    EXPECT_EQ(ReadFile(m_system + "/HalvoraMain.ocx"), "the old component");
}

}  // namespace
