// The update prompt on the X display (run under Xvfb): the pages it asks for, its buttons
// per install kind, its keys, the client guard and the online-service link. Its message
// boxes are answered through the toolkit's testing hook.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <filesystem>

#include "GuiTestSupport.h"
#include "common/Folders.h"
#include "common/Texts.h"
#include "support/ClientWindow.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/MainUpdateDlg.h"
#include "ui/Vorel_Src_V2Dlg.h"
#include "update/InstallDecision.h"
#include "update/XMLFileInfo.h"

namespace {

using testing_support::CHttpTestServer;
using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::HttpReply;
using testing_support::Pump;
using testing_support::PumpUntil;
using ui::CVorel_Src_V2Dlg;

const bool g_environment = (testing_support::AddGuiEnvironment(), true);

wxString Utf8(std::string_view text) {
    return wxString::FromUTF8(text.data(), text.size());
}

// Answers a modal dialog of type T as answer(dialog) says (after looking at it).
template <class T>
class CAnswer : public wxExpectModalBase<T> {
  public:
    explicit CAnswer(std::function<int(T&)> answer) : m_answer(std::move(answer)) {}

  protected:
    int OnInvoked(T* dialog) const override { return m_answer(*dialog); }

  private:
    std::function<int(T&)> m_answer;
};

enum Kind { Normal, Force, Specify, Advance };

void SetKind(std::initializer_list<Kind> kinds) {
    g_nForceInstall = g_nSpecifyInstall = g_nAdvanceInstall = 0;
    for (Kind k : kinds) {
        if (k == Force) g_nForceInstall = 1;
        if (k == Specify) g_nSpecifyInstall = 1;
        if (k == Advance) g_nAdvanceInstall = 1;
    }
}

class Prompt : public testing::Test {
  protected:
    CHttpTestServer m_server;
    CTempDir m_dir;
    std::string m_record = m_dir / "opened";
    CScopedEnv m_proxy{"http_proxy", m_server.Url().c_str()};
    CScopedEnv m_opener{"VOREL_OPENER", (m_dir / "opener").c_str()};

    void SetUp() override {
        testing_support::WriteFile(m_dir / "opener",
                                   "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + m_record + "'\n");
        std::filesystem::permissions(m_dir / "opener", std::filesystem::perms::owner_all);
        for (const char* page : {"NormalInstallVersionTips.htm", "ForceInstallVersionTips.htm",
                                 "AdvanceInstallVersionTips.htm", "_SpecifyInstallVersionTips.htm",
                                 "NewVersionInfo.htm"})
            m_server.Serve(std::string("/tips/") + page,
                           HttpReply::Text("<html><body>tip</body></html>")
                               .WithHeader("Content-Type: text/html; charset=utf-8"));
        SetManifestText("<KD><TipsURL>http://tips.halvora.example/tips/</TipsURL></KD>");
        ParseManifest();
        SetKind({});
    }
    std::vector<std::string> RequestedPages() const {
        std::vector<std::string> pages;
        for (const auto& r : m_server.Requests()) pages.push_back(r.path);
        std::sort(pages.begin(), pages.end());
        return pages;
    }
};

TEST_F(Prompt, AsksForTheTipPageOfTheKindAndTheNewVersionPage) {
    struct Case {
        const char* name;
        std::initializer_list<Kind> kinds;
        std::string upper;
        bool notNowShown;
        int updateNowX;
    } cases[] = {
        {"normal", {}, "/tips/NormalInstallVersionTips.htm", true, 200},
        {"forced", {Force}, "/tips/ForceInstallVersionTips.htm", false, 239},
        {"forced and specified", {Force, Specify}, "/tips/ForceInstallVersionTips.htm", false, 239},
        {"specified, no component beside the program",
         {Specify},
         "/tips/_SpecifyInstallVersionTips.htm",
         false,
         239},
        {"advanced", {Advance}, "/tips/AdvanceInstallVersionTips.htm", false, 239},
    };
    // One server for every case: the web views' network process reads the proxy setting once.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t before = m_server.Requests().size();
        SetKind(c.kinds);
        CVorel_Src_V2Dlg dialog;
        dialog.Show();
        EXPECT_TRUE(PumpUntil([&] { return m_server.Requests().size() >= before + 2; }, 10000));
        std::vector<std::string> pages;
        const auto requests = m_server.Requests();
        for (std::size_t i = before; i < requests.size(); ++i)
            pages.push_back(requests[i].targetHost + requests[i].path);
        std::sort(pages.begin(), pages.end());
        std::vector<std::string> expected = {"tips.halvora.example/tips/NewVersionInfo.htm",
                                             "tips.halvora.example" + c.upper};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(pages, expected);
        EXPECT_EQ(dialog.m_btnNotNow.IsShown(), c.notNowShown);
        EXPECT_EQ(dialog.m_btnUpdateNow.GetRect(), wxRect(c.updateNowX, 348, 122, 32));
        if (c.notNowShown) {
            EXPECT_EQ(dialog.m_btnNotNow.GetRect(), wxRect(358, 358, 53, 12));
        }
        EXPECT_EQ(dialog.m_btnClose.GetRect(), wxRect(570, 10, 18, 18));
        EXPECT_EQ(dialog.GetSize(), wxSize(600, 408));
        EXPECT_EQ(dialog.GetTitle(), Utf8(texts::kPromptTitle));
        dialog.Hide();
    }
}

TEST_F(Prompt, TheSpecifiedPageCarriesTheVersionOfTheComponentBesideTheProgram) {
    const std::string beside = GetModuleDir() + "HalvoraMain.ocx";
    std::filesystem::copy_file(testing_support::PeFixture("component-4.0.2.5.ocx"), beside,
                               std::filesystem::copy_options::overwrite_existing);
    SetKind({Specify});
    CVorel_Src_V2Dlg dialog;
    EXPECT_EQ(dialog.m_strOcxVersion, "4.0.2.5");
    EXPECT_EQ(dialog.TipsPageUrl(),
              "http://tips.halvora.example/tips/4.0.2.5_SpecifyInstallVersionTips.htm");
    std::filesystem::remove(beside);
    SetManifestText("");
    ParseManifest();
    SetKind({});
    EXPECT_EQ(dialog.TipsPageUrl(), "NormalInstallVersionTips.htm") << "an empty address prefix";
    EXPECT_EQ(dialog.NewsPageUrl(), "NewVersionInfo.htm");
}

// Runs the prompt modally; whenShown() runs once it is on screen (with the keyboard).
int RunPrompt(CVorel_Src_V2Dlg& dialog, const std::function<void()>& whenShown) {
    dialog.CallAfter([&] {
        PumpUntil([&] { return dialog.IsShownOnScreen(); }, 10000);
        Pump(200);
        testing_support::GiveKeyboardFocus(dialog);
        Pump(100);
        whenShown();
        PumpUntil([&] { return !dialog.IsModal(); }, 3000);
        dialog.EndDialogOnce(-1);  // not ended by what whenShown did
    });
    return dialog.ShowModal();
}

TEST_F(Prompt, CloseNotNowAndEscapeEndANormalPromptAtOnce) {
    testing_support::CClientWindow client("瓦内尔银行哈沃拉专业版", true, 0);
    for (const char* how : {"close", "not now", "escape"}) {
        SCOPED_TRACE(how);
        CVorel_Src_V2Dlg dialog;
        const int result = RunPrompt(dialog, [&] {
            if (std::string(how) == "close") dialog.OnCloseButton();
            if (std::string(how) == "not now") dialog.OnNotNow();
            if (std::string(how) == "escape") testing_support::PressKey(0xff1b);
        });
        EXPECT_EQ(result, wxID_CANCEL);
    }
    EXPECT_EQ(client.ReadLine(300), "0") << "no close request to the client";
}

TEST_F(Prompt, AForcedPromptAsksBeforeItCloses) {
    SetKind({Force});
    testing_support::CClientWindow client("瓦内尔银行哈沃拉专业版", true, 0);
    {
        CVorel_Src_V2Dlg dialog;
        const int result = RunPrompt(dialog, [&] {
            wxTEST_DIALOG(dialog.OnCloseButton(), wxExpectModal<wxMessageDialog>(wxID_NO).Describe(
                                                      "the confirmation, answered No"));
        });
        EXPECT_EQ(result, -1) << "No keeps the prompt";
    }
    EXPECT_EQ(client.ReadLine(300), "0");
    CVorel_Src_V2Dlg dialog;
    wxString text, caption;
    const int result = RunPrompt(dialog, [&] {
        wxTEST_DIALOG(dialog.OnCloseButton(), CAnswer<wxMessageDialog>([&](wxMessageDialog& box) {
                          text = box.GetMessage();
                          caption = box.GetTitle();
                          return wxID_YES;
                      }));
    });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_EQ(text, Utf8(texts::kConfirmCloseForced));
    EXPECT_EQ(caption, Utf8(texts::kPromptTitle));
    EXPECT_EQ(client.ReadLine(), "closed") << "Yes also asks the client to close";
}

TEST_F(Prompt, ARunningClientKeepsThePromptOpen) {
    // The client's marker, held as the client holds it.
    const std::string name = "/" + std::string(texts::kClientRunningMarker);
    const int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    testing_support::CClientWindow client("瓦内尔银行哈沃拉专业版", true, 0);
    CVorel_Src_V2Dlg dialog;
    wxString text, caption;
    const int result = RunPrompt(dialog, [&] {
        wxTEST_DIALOG(dialog.OnUpdateNow(), CAnswer<wxMessageDialog>([&](wxMessageDialog& box) {
                          text = box.GetMessage();
                          caption = box.GetTitle();
                          return wxID_OK;
                      }));
    });
    ::shm_unlink(name.c_str());
    ::close(fd);
    EXPECT_EQ(result, -1) << "the prompt stays";
    EXPECT_EQ(text, Utf8(texts::kClientRunning));
    EXPECT_EQ(caption, Utf8(texts::kClientRunningCaption));
    EXPECT_EQ(client.ReadLine(), "closed") << "the client was asked to close first";
}

TEST_F(Prompt, UpdateNowRunsTheProgressDialogAndEndsWithOk) {
    testing_support::CClientWindow client("瓦内尔银行哈沃拉专业版", true, 0);
    CVorel_Src_V2Dlg dialog;
    bool progressShown = false, promptHidden = false;
    // The progress dialog fails at once (no install files) and waits; close it.
    wxTimer closer;
    closer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        for (wxWindow* w : wxTopLevelWindows) {
            auto* progress = dynamic_cast<ui::CMainUpdateDlg*>(w);
            if (progress == nullptr || !progress->m_btnManual.IsShown()) continue;
            progressShown = true;
            promptHidden = !dialog.IsShown();
            progress->OnCloseButton();
        }
    });
    closer.Start(50);
    const int result = RunPrompt(dialog, [&] { testing_support::PressKey(0xff0d); });
    closer.Stop();
    EXPECT_EQ(result, wxID_OK);
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(promptHidden) << "the prompt hides while the update runs";
    EXPECT_EQ(client.ReadLine(), "closed");
    EXPECT_FALSE(std::filesystem::exists("/dev/shm/" + std::string(texts::kClientRunningMarker)))
        << "the marker is gone again";
}

TEST_F(Prompt, TheOnlineServiceLinkOpensInTheBrowserInstead) {
    CVorel_Src_V2Dlg dialog;
    struct Case {
        wxString url;
        bool cancelled;
    } cases[] = {
        {"about:blank", false},
        {"http://tips.halvora.example/tips/a.htm?CallToOnlineService", true},
        {"http://tips.halvora.example/tips/a.htm?calltoonlineservice", false},
        {wxString::FromUTF8("http://tips.halvora.example/客服.htm?CallToOnlineService"), true},
    };
    int opened = 0;
    for (const Case& c : cases) {
        bool cancel = false;
        dialog.OnBeforeNavigateTips(c.url, cancel);
        EXPECT_EQ(cancel, c.cancelled) << c.url;
        opened += c.cancelled;
    }
    auto lines = [&] {
        const std::string record = testing_support::ReadFile(m_record);
        return std::count(record.begin(), record.end(), '\n');
    };
    PumpUntil([&] { return lines() >= opened; }, 3000);
    const std::string record = testing_support::ReadFile(m_record);
    EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), opened);
    EXPECT_EQ(record.rfind(
                  "https://" VOREL_SERVICE_HOST "/DUR2012/Service.aspx?hdType=Normal&hdToken=", 0),
              0u)
        << record;
}

TEST_F(Prompt, TheAboutBoxIsOfferedOnTheBackground) {
    CVorel_Src_V2Dlg dialog;
    wxString title;
    wxCommandEvent about(wxEVT_MENU, CVorel_Src_V2Dlg::IDM_ABOUTBOX);
    wxTEST_DIALOG(dialog.GetEventHandler()->ProcessEvent(about),
                  CAnswer<ui::CAboutDlg>([&](ui::CAboutDlg& box) {
                      title = box.GetTitle();
                      return wxID_OK;
                  }));
    EXPECT_EQ(title, Utf8(texts::kAboutTitle));
}

}  // namespace
