// The update sequence without a window: the real engine against a local HTTP server reached
// through the proxy setting, real zip packages, files signed with osslsigncode, the registry
// hive, a recorder as the shell's opener and a recorder as the component registrar.
#include "ui/UpdateSequence.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "common/UpdateLog.h"
#include "net/HttpRequest.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"
#include "update/InstallDecision.h"
#include "update/XMLFileInfo.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CHttpTestServer;
using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::HttpReply;
using testing_support::ReadFile;
using testing_support::WriteFile;
using ui::DisplayStage;

std::string Signed(std::string_view name) {
    return ReadFile(std::string(VOREL_SIGNED_FIXTURE_DIR "/") + std::string(name));
}

// What the sequence did to its dialog.
struct CRecordingView : ui::IUpdateView {
    std::vector<int> stages;
    int barShown = 0;
    bool cancelled = false;
    void ShowStage(DisplayStage stage) override { stages.push_back(stage); }
    void ShowProgressBar() override { ++barShown; }
    void EndWithCancel() override { cancelled = true; }
};

// Every position and text the engine shows during the transfers.
struct CRecordingControl : IProgressControl {
    std::vector<int> positions;
    std::vector<std::string> texts;
    bool Exists() const override { return true; }
    void SetPos(int position) override { positions.push_back(position); }
    void SetText(std::string_view text) override { texts.emplace_back(text); }
};

void WriteScript(const std::string& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
}

class UpdateSequence : public ::testing::Test {
  public:
    CTempDir m_dir;
    std::string m_temp = m_dir / "tmp", m_system = m_dir / "system32",
                m_registry = m_dir / "registry";
    std::string m_opened = m_dir / "opened", m_registered = m_dir / "registered";
    CHttpTestServer m_server;
    CScopedEnv m_envTemp{"TMPDIR", m_temp.c_str()};
    CScopedEnv m_envSystem{"VOREL_SYSTEM_DIR", m_system.c_str()};
    CScopedEnv m_envRegistry{"VOREL_REGISTRY_DIR", m_registry.c_str()};
    CScopedEnv m_envOpener{"VOREL_OPENER", (m_dir / "opener").c_str()};
    CScopedEnv m_envRegistrar{"VOREL_REGSVR", (m_dir / "registrar").c_str()};
    CScopedEnv m_envProxy{"http_proxy", m_server.Url().c_str()};
    CScopedEnv m_envNoProxy{"no_proxy", nullptr};
    CScopedEnv m_envNoProxyUpper{"NO_PROXY", nullptr};

    CRecordingView m_view;
    CRecordingControl m_bar, m_label;
    TransferProgress m_progress{0, &m_bar, &m_label, 0};

    void SetUp() override {
        fs::create_directories(m_temp);
        fs::create_directories(m_system);
        WriteFile(m_system + "/HalvoraMain.ocx", "the old component");
        WriteScript(m_dir / "opener", "printf '%s|%s\\n' \"$PWD\" \"$1\" >> '" + m_opened + "'\n");
        SetRegistrarStatus(0);
        g_nContinueUpdate = 1;
        g_nMiniInstall = 1;
        Manifest("download.halvora.example/dl/kd/", "Setup.exe", "Update.zip");
        ResetLog();
    }
    void TearDown() override { ResetLog(); }

    void SetRegistrarStatus(int status) {
        WriteScript(m_dir / "registrar", "printf '%s\\n' \"$*\" >> '" + m_registered + "'\nexit " +
                                             std::to_string(status) + "\n");
    }
    void Manifest(const std::string& url, const std::string& installer, const std::string& package,
                  const std::string& size = "100") {
        SetManifestText("<KD><InstallURL>" + url + "</InstallURL><InstallFileName>" + installer +
                        "</InstallFileName><InstallZipName>" + package +
                        "</InstallZipName><InstallFileSize>" + size +
                        "</InstallFileSize><InstallProjID>KD40</InstallProjID>"
                        "<NormalInstallVersion>4.0.3.12</NormalInstallVersion></KD>");
        ParseManifest();
    }
    // A zip package with the component at its root (made by Info-ZIP).
    std::string Package(const std::string& component) {
        const std::string tree = m_dir / "package-tree";
        fs::create_directories(tree + "/docs");
        WriteFile(tree + "/HalvoraMain.ocx", component);
        WriteFile(tree + "/docs/readme.txt", "read me");
        const std::string zip = m_dir / "package.zip";
        fs::remove(zip);
        const std::string command =
            "cd '" + tree + "' && zip -q -r -X '" + zip + "' HalvoraMain.ocx docs";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return ReadFile(zip);
    }
    void ServeFiles(const std::string& installer, const std::string& package) {
        m_server.Serve("/dl/kd/Setup.exe", HttpReply::Text(installer));
        m_server.Serve("/dl/kd/Update.zip", HttpReply::Text(package));
    }
    std::string WorkDir() const { return m_temp + "/vrn_KD40_4.0.3.12/"; }
    std::vector<std::string> RequestedPaths() const {
        std::vector<std::string> paths;
        for (const auto& r : m_server.Requests()) paths.push_back(r.targetHost + r.path);
        return paths;
    }
    void Run() {
        ui::CUpdateSequence sequence(m_view, m_progress);
        sequence.Run();
    }
    std::string HiveText() const { return ReadFile(m_registry + "/HKEY_CURRENT_USER.reg"); }
    // The opener's records, which may arrive a moment after the sequence has handed over.
    std::string Opened() const {
        for (int i = 0; i < 200 && !fs::exists(m_opened); ++i) ::usleep(10000);
        ::usleep(50000);
        return ReadFile(m_opened);
    }
};

TEST_F(UpdateSequence, ReplacesTheComponentAloneWhenItMay) {
    const std::string component = Signed("signed-symantec.dll");
    ServeFiles(Signed("signed-verisign.dll"), Package(component));
    Run();
    EXPECT_EQ(m_view.stages, (std::vector<int>{ui::StageUpdating, ui::StageSucceeded}));
    EXPECT_FALSE(m_view.cancelled);
    EXPECT_EQ(m_view.barShown, 1);
    EXPECT_EQ(RequestedPaths(),
              (std::vector<std::string>{"download.halvora.example/dl/kd/Setup.exe",
                                        "download.halvora.example/dl/kd/Update.zip"}))
        << "both files, the installer first";
    EXPECT_EQ(ReadFile(m_system + "/HalvoraMain.ocx"), component);
    EXPECT_EQ(ReadFile(m_registered), "/s " + m_system + "/HalvoraMain.ocx\n")
        << "registered once, in place";
    EXPECT_NE(HiveText().find("\"NormalUpdateFlag\"=\"0\""), std::string::npos);
    EXPECT_EQ(ReadFile(WorkDir() + "Setup.exe"), Signed("signed-verisign.dll"))
        << "the installer stays";
    EXPECT_EQ(ReadFile(WorkDir() + "Update/docs/readme.txt"), "read me");
    EXPECT_FALSE(fs::exists(m_opened)) << "nothing started";
    EXPECT_FALSE(fs::exists(GetLogFilePath())) << "nothing logged";
}

TEST_F(UpdateSequence, FallsBackToTheSignedInstaller) {
    struct Case {
        const char* name;
        int miniInstall;
        std::string component;  // in the package; empty: a damaged package
        int registrarStatus;
        bool componentReplaced;  // the new component lands in the system folder
    } cases[] = {
        {"component-only update not allowed", 0, Signed("signed-symantec.dll"), 0, false},
        {"component signed through the wrong authority", 1, Signed("signed-verisign.dll"), 0,
         false},
        {"component changed after signing", 1, Signed("flip-image.dll"), 0, false},
        {"component not signed", 1, Signed("unsigned.dll"), 0, false},
        {"package cannot be extracted", 1, "", 0, false},
        {"registration fails", 1, Signed("signed-symantec.dll"), 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        g_nMiniInstall = c.miniInstall;
        SetRegistrarStatus(c.registrarStatus);
        fs::remove(m_opened);
        fs::remove(m_registered);
        m_view = {};
        ServeFiles(Signed("signed-verisign.dll"), c.component.empty()
                                                      ? std::string("PK\x03\x04 not really a zip")
                                                      : Package(c.component));
        Run();
        EXPECT_EQ(m_view.stages, std::vector<int>{ui::StageUpdating});
        EXPECT_TRUE(m_view.cancelled) << "the dialog ends once the installer is started";
        EXPECT_EQ(Opened(),
                  WorkDir().substr(0, WorkDir().size() - 1) + "|" + WorkDir() + "Setup.exe\n");
        EXPECT_EQ(ReadFile(m_system + "/HalvoraMain.ocx") != "the old component",
                  c.componentReplaced);
        EXPECT_EQ(HiveText(), "") << "the stored state is not written";
    }
}

TEST_F(UpdateSequence, FailsWhenNothingMayBeInstalled) {
    ServeFiles(Signed("signed-symantec.dll"), Package(Signed("signed-verisign.dll")));
    Run();
    EXPECT_EQ(m_view.stages, (std::vector<int>{ui::StageUpdating, ui::StageFailed}));
    EXPECT_FALSE(m_view.cancelled);
    EXPECT_FALSE(fs::exists(m_opened)) << "a rejected installer is never started";
    EXPECT_EQ(ReadFile(m_system + "/HalvoraMain.ocx"), "the old component");
    EXPECT_FALSE(fs::exists(m_registered));
}

TEST_F(UpdateSequence, FailsWithoutWritingAnythingWhenTheDownloadCannotBeMade) {
    using Arrange = std::function<void(CHttpTestServer&, UpdateSequence&)>;
    const auto both = [](CHttpTestServer& s) {
        s.Serve("/dl/kd/Setup.exe", HttpReply::Text("installer"));
        s.Serve("/dl/kd/Update.zip", HttpReply::Text("package"));
    };
    const auto names = [both](std::string url, std::string installer,
                              std::string package) -> Arrange {
        return [=](CHttpTestServer& s, UpdateSequence& t) {
            both(s);
            t.Manifest(url, installer, package);
        };
    };
    struct Case {
        const char* name;
        Arrange arrange;
        bool refusedBeforeRequesting;
    } cases[] = {
        {"installer missing on the server",
         [](CHttpTestServer& s, UpdateSequence&) {
             s.Serve("/dl/kd/Update.zip", HttpReply::Text("x"));
         },
         false},
        {"package missing on the server",
         [](CHttpTestServer& s, UpdateSequence&) {
             s.Serve("/dl/kd/Setup.exe", HttpReply::Text("x"));
         },
         false},
        {"installer cut off",
         [](CHttpTestServer& s, UpdateSequence&) {
             s.Serve("/dl/kd/Setup.exe", HttpReply::Pattern(50000).DroppedAfter(20000));
             s.Serve("/dl/kd/Update.zip", HttpReply::Text("x"));
         },
         false},
        {"address with a scheme",
         names("http://download.halvora.example/dl/kd/", "Setup.exe", "Update.zip"), false},
        {"address without a folder", names("download.halvora.example", "Setup.exe", "Update.zip"),
         false},
        {"installer name leading elsewhere", names("h/dl/kd/", "../../Setup.exe", "Update.zip"),
         true},
        {"installer name with a backslash", names("h/dl/kd/", "..\\Setup.exe", "Update.zip"), true},
        {"empty installer name", names("h/dl/kd/", "", "Update.zip"), true},
        {"package name ..", names("h/dl/kd/", "Setup.exe", ".."), true},
        {"package name without a dot", names("h/dl/kd/", "Setup.exe", "Update"), true},
        {"package name that is only an extension", names("h/dl/kd/", "Setup.exe", ".zip"), true},
        {"package name with a control character", names("h/dl/kd/", "Setup.exe", "Up\x01.zip"),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CHttpTestServer server;
        CScopedEnv proxy("http_proxy", server.Url().c_str());
        m_view = {};
        fs::remove_all(m_temp);
        fs::create_directories(m_temp);
        Manifest("download.halvora.example/dl/kd/", "Setup.exe", "Update.zip");
        c.arrange(server, *this);
        Run();
        EXPECT_EQ(m_view.stages, (std::vector<int>{ui::StageUpdating, ui::StageFailed}));
        EXPECT_FALSE(m_view.cancelled);
        EXPECT_FALSE(fs::exists(m_opened));
        EXPECT_EQ(ReadFile(m_system + "/HalvoraMain.ocx"), "the old component");
        // Nothing but the working folder and whole files in it: no part of a download.
        for (const auto& entry : fs::recursive_directory_iterator(m_temp))
            EXPECT_TRUE(entry.is_directory() || entry.path().filename() == "Setup.exe")
                << entry.path();
        if (c.refusedBeforeRequesting) {
            EXPECT_TRUE(server.Requests().empty());
            EXPECT_TRUE(fs::is_empty(m_temp)) << "refused before anything was made";
        }
    }
}

TEST_F(UpdateSequence, AWorkingFolderThatCannotBeMadeFailsTheDownload) {
    ServeFiles(Signed("signed-verisign.dll"), Package(Signed("signed-symantec.dll")));
    WriteFile(m_dir / "not-a-folder", "x");
    CScopedEnv temp("TMPDIR", (m_dir / "not-a-folder").c_str());
    Run();
    EXPECT_EQ(m_view.stages, (std::vector<int>{ui::StageUpdating, ui::StageFailed}));
    EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(UpdateSequence, TheSecondTransferIsShown39PointsHigherAndBelow100) {
    // 100 KB expected: the installer is 60 KB, the package about 45 KB.
    ServeFiles(std::string(60 * 1024, 'i'),
               Package(std::string(45 * 1024, 'c') + Signed("signed-symantec.dll")));
    Run();
    ASSERT_FALSE(m_bar.positions.empty());
    // The first transfer climbs to 60; the second one starts lower, at 39 plus its first
    // chunk, and never reaches 100.
    const auto& p = m_bar.positions;
    const auto second = std::adjacent_find(p.begin(), p.end(), [](int a, int b) { return b < a; });
    ASSERT_NE(second, p.end());
    EXPECT_LE(p.front(), 10);
    EXPECT_TRUE(std::is_sorted(p.begin(), second + 1));
    EXPECT_EQ(*second, 60) << "the installer ends at 60 of 100 KB";
    EXPECT_GE(*(second + 1), 39) << "the package's first chunk, of 10 KB at most";
    EXPECT_LE(*(second + 1), 39 + 10);
    EXPECT_TRUE(std::is_sorted(second + 1, p.end()));
    EXPECT_LT(p.back(), 100);
    EXPECT_EQ(m_label.texts.front(), std::to_string(p.front()) + "%");
    EXPECT_EQ(m_label.texts.back(), std::to_string(std::min(p.back(), 99)) + "%");
}

}  // namespace
