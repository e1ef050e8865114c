// The download step of the update under faults: a disk that fills up while the installer or
// the package is written, and a server that goes away during either transfer or between
// them. Each ends in the failed stage, and no cut file is ever taken for a whole one.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "net/HttpRequest.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"
#include "ui/UpdateSequence.h"
#include "update/XMLFileInfo.h"

namespace {

using testing_support::CHttpTestServer;
using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::FileExists;
using testing_support::HttpReply;
using testing_support::PatternBytes;
using testing_support::ReadFile;

constexpr std::size_t KB = 1024;
const std::string kInstallerPath = "/download/KD/HalvoraSetup.exe";
const std::string kPackagePath = "/download/KD/HalvoraMain.zip";

// What the sequence asked of the dialog, in order: "updating bar failed" and the like.
class CRecordingView : public ui::IUpdateView {
  public:
    void ShowStage(ui::DisplayStage stage) override {
        static const char* const kNames[] = {"initial", "succeeded", "failed", "updating"};
        Add(kNames[stage]);
    }
    void ShowProgressBar() override { Add("bar"); }
    void EndWithCancel() override { Add("cancel"); }
    const std::string& Events() const { return m_strEvents; }

  private:
    void Add(const char* event) {
        m_strEvents += (m_strEvents.empty() ? "" : " ") + std::string(event);
    }
    std::string m_strEvents;
};

// The whole sequence, as the progress dialog's timer runs it; the events it showed.
std::string RunSequence() {
    CRecordingView view;
    TransferProgress progress;
    ui::CUpdateSequence sequence(view, progress);
    sequence.Run();
    return view.Events();
}

// A server that answers exactly one request and is gone before its answer has arrived: it
// stops listening as soon as it has taken the connection.
class COneShotServer {
  public:
    explicit COneShotServer(std::string body) {
        m_nListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (m_nListen < 0 ||
            ::bind(m_nListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(m_nListen, 4) != 0 ||
            ::getsockname(m_nListen, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
            std::abort();
        m_nPort = ntohs(addr.sin_port);
        m_thread = std::thread([this, body = std::move(body)] { Serve(body); });
    }
    ~COneShotServer() {
        m_thread.join();
        if (m_nListen >= 0) ::close(m_nListen);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_nPort); }

  private:
    void Serve(const std::string& body) {
        pollfd p{m_nListen, POLLIN, 0};
        if (::poll(&p, 1, 30000) != 1) return;
        const int fd = ::accept4(m_nListen, nullptr, nullptr, SOCK_CLOEXEC);
        ::close(m_nListen);
        m_nListen = -1;
        if (fd < 0) return;
        std::string head;
        char buffer[4096];
        pollfd in{fd, POLLIN, 0};
        while (head.find("\r\n\r\n") == std::string::npos && ::poll(&in, 1, 10000) == 1) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<size_t>(n));
        }
        const std::string reply =
            "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        faults::WriteAll(fd, reply);
        ::close(fd);
    }

    int m_nListen = -1;
    int m_nPort = 0;
    std::thread m_thread;
};

class DownloadFaults : public ::testing::Test {
  protected:
    CTempDir m_root;
    CHttpTestServer m_server;
    CScopedEnv m_tmp{"TMPDIR", (m_root / "tmp").c_str()};
    CScopedEnv m_registry{"VOREL_REGISTRY_DIR", (m_root / "registry").c_str()};
    CScopedEnv m_system{"VOREL_SYSTEM_DIR", (m_root / "system32").c_str()};
    CScopedEnv m_proxy{"http_proxy", m_server.Url().c_str()};
    CScopedEnv m_noProxy{"no_proxy", nullptr};
    CScopedEnv m_noProxyUpper{"NO_PROXY", nullptr};
    const std::string m_work = m_root / "tmp/vrn_KD40_4.0.3.13";
    const std::string m_installer = m_work + "/HalvoraSetup.exe";
    const std::string m_package = m_work + "/HalvoraMain.zip";

    void SetUp() override {
        for (const char* folder : {"tmp", "registry", "system32"})
            std::filesystem::create_directory(m_root / folder);
        g_xmlFileInfo = CXMLFileInfo();
        g_xmlFileInfo.InstallURL = std::string(VOREL_DOWNLOAD_HOST) + "/download/KD/";
        g_xmlFileInfo.InstallFileName = "HalvoraSetup.exe";
        g_xmlFileInfo.InstallZipName = "HalvoraMain.zip";
        g_xmlFileInfo.InstallProjID = "KD40";
        g_xmlFileInfo.NormalInstallVersion = "4.0.3.13";
        g_xmlFileInfo.InstallFileSize = "400";
    }

    // The names in the working folder, sorted.
    std::vector<std::string> WorkFiles() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(m_work, ec))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    // After a failed run: nothing installed, nothing recorded in the registry.
    void ExpectNothingInstalled(const char* name) const {
        EXPECT_TRUE(std::filesystem::is_empty(m_root / "system32")) << name;
        EXPECT_FALSE(FileExists(m_root / "registry/HKEY_CURRENT_USER.reg")) << name;
    }
};

TEST_F(DownloadFaults, AFullDiskFailsTheStepAndLeavesNoCutFile) {
    struct Case {
        const char* name;
        std::size_t installerSize, packageSize;
        rlim_t diskRoom;  // the largest file the disk takes
        std::vector<std::string> stored;
    } cases[] = {
        {"room for neither file", 300 * KB, 100 * KB, 150 * KB, {}},
        {"room for the installer, not for the package",
         100 * KB,
         300 * KB,
         150 * KB,
         {"HalvoraSetup.exe"}},
        {"no room for even a byte of the installer", 10 * KB, 10 * KB, 0, {}},
        // The same transfers with room enough: both files whole (the package is no zip, so the
        // update fails later on, at the extraction).
        {"room for both",
         100 * KB,
         300 * KB,
         1024 * KB,
         {"HalvoraMain", "HalvoraMain.zip", "HalvoraSetup.exe"}},
    };
    for (const Case& c : cases) {
        m_server.Serve(kInstallerPath, HttpReply::Pattern(c.installerSize));
        m_server.Serve(kPackagePath, HttpReply::Pattern(c.packageSize));
        const faults::ChildResult child = faults::RunInChild([&](int out) {
            faults::LimitFileSize(c.diskRoom);
            faults::WriteAll(out, RunSequence());
            return 0;
        });
        EXPECT_EQ(child.status, 0) << c.name;
        EXPECT_EQ(child.output, "updating bar failed") << c.name;
        EXPECT_EQ(WorkFiles(), c.stored) << c.name << ": whole files only, no .part file left";
        if (FileExists(m_installer)) {
            EXPECT_EQ(ReadFile(m_installer), PatternBytes(0, c.installerSize)) << c.name;
        }
        if (FileExists(m_package)) {
            EXPECT_EQ(ReadFile(m_package), PatternBytes(0, c.packageSize)) << c.name;
        }
        ExpectNothingInstalled(c.name);
    }
}

TEST_F(DownloadFaults, AServerGoneDuringATransferFailsTheStep) {
    struct Case {
        const char* name;
        HttpReply installer, package;
        std::vector<std::string> stored;
    } cases[] = {
        {"gone in the middle of the installer",
         HttpReply::Pattern(300 * KB).DroppedAfter(100 * KB),
         HttpReply::Pattern(100 * KB),
         {}},
        {"gone at the first byte of the installer",
         HttpReply::Pattern(300 * KB).DroppedAfter(0),
         HttpReply::Pattern(100 * KB),
         {}},
        {"gone in the middle of the package",
         HttpReply::Pattern(100 * KB),
         HttpReply::Pattern(300 * KB).DroppedAfter(150 * KB),
         {"HalvoraSetup.exe"}},
        {"silent after the request for the package",
         HttpReply::Pattern(100 * KB),
         HttpReply::Silent(),
         {"HalvoraSetup.exe"}},
        // Without a length nothing tells a cut body from a whole one: the cut package is stored,
        // but it is no zip archive, and the installer that would take over is not signed.
        {"gone in the middle of a package sent without its length",
         HttpReply::Pattern(100 * KB),
         HttpReply::Pattern(300 * KB).WithoutLength().DroppedAfter(150 * KB),
         {"HalvoraMain", "HalvoraMain.zip", "HalvoraSetup.exe"}},
    };
    // A server that stays silent is given up after the stall time-out, shortened here.
    SetStallTimeoutForTesting(std::chrono::seconds(2));
    for (const Case& c : cases) {
        m_server.Serve(kInstallerPath, c.installer);
        m_server.Serve(kPackagePath, c.package);
        EXPECT_EQ(RunSequence(), "updating bar failed") << c.name;
        EXPECT_EQ(WorkFiles(), c.stored) << c.name;
        if (FileExists(m_installer)) {
            EXPECT_EQ(ReadFile(m_installer), PatternBytes(0, 100 * KB)) << c.name;
        }
        ExpectNothingInstalled(c.name);
    }
    SetStallTimeoutForTesting(std::chrono::seconds(30));
}

TEST_F(DownloadFaults, AServerGoneBetweenTheTransfersFailsTheStep) {
    COneShotServer once(PatternBytes(0, 200 * KB));
    CScopedEnv proxy("http_proxy", once.Url().c_str());
    EXPECT_EQ(RunSequence(), "updating bar failed");
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"HalvoraSetup.exe"});
    EXPECT_EQ(ReadFile(m_installer), PatternBytes(0, 200 * KB));
    ExpectNothingInstalled("gone between the transfers");
}

}  // namespace
