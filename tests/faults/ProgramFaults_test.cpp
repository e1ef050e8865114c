// The built program under faults: a folder standing where its log goes, and two copies of it
// writing that log at the same time. Each copy runs from a folder of its own test, with the
// environment's proxy pointing at a local server that stands in for the update server.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

namespace {

using testing_support::CHttpTestServer;
using testing_support::CTempDir;
using testing_support::FileExists;
using testing_support::HttpReply;
using testing_support::LogMessages;
using testing_support::PeFixture;
using testing_support::ReadFile;

constexpr const char* kManifestPath = "/download/KD/KdVorelV2.xml";

class ProgramFaults : public ::testing::Test {
  protected:
    CTempDir m_root;
    CHttpTestServer m_server;
    const std::string m_program = m_root / "app/vorel";
    const std::string m_log = m_root / "app/KDUpdateLog.txt";

    void SetUp() override {
        for (const char* folder : {"app", "system32", "registry", "tmp"})
            std::filesystem::create_directory(m_root / folder);
        std::filesystem::copy_file(VOREL_PROGRAM, m_program);
    }

    // Starts the copy, without a display; its process id.
    pid_t Start() {
        std::vector<std::string> env = {
            "PATH=/usr/bin:/bin",
            "HOME=" + m_root.Path(),
            "VOREL_SYSTEM_DIR=" + (m_root / "system32"),
            "VOREL_REGISTRY_DIR=" + (m_root / "registry"),
            "TMPDIR=" + (m_root / "tmp"),
            "http_proxy=" + m_server.Url(),
        };
        for (const char* sanitizer : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = std::getenv(sanitizer))
                env.push_back(std::string(sanitizer) + "=" + value);
        std::string program = m_program;
        std::vector<char*> argv = {program.data(), nullptr}, envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, m_program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
            return -1;
        return pid;
    }

    // Waits for the copy; its exit status, or -1 when it did not end normally within a minute.
    static int Wait(pid_t pid) {
        if (pid < 0) return -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(ProgramFaults, AFolderAtTheLogsPathChangesNoOutcome) {
    struct Case {
        const char* name;
        bool component;
        const char* normalVersion;  // of the manifest; the component holds 4.0.3.12
        int status;                 // 0: no prompt; 2: the prompt is due but there is no display
    } cases[] = {
        {"the component is missing", false, "4.0.3.13", 0},
        {"no update due (the stored state cannot be read)", true, "4.0.3.12", 0},
        {"a normal update due, without a display for the prompt", true, "4.0.3.13", 2},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(m_root / "system32/HalvoraMain.ocx");
        if (c.component)
            std::filesystem::copy_file(PeFixture("component-4.0.3.12.ocx"),
                                       m_root / "system32/HalvoraMain.ocx");
        m_server.Serve(kManifestPath,
                       HttpReply::Text(std::string("<KD><NormalInstallVersion>") + c.normalVersion +
                                       "</NormalInstallVersion></KD>"));
        std::filesystem::remove_all(m_log);
        EXPECT_EQ(Wait(Start()), c.status) << c.name << ", log writable";
        EXPECT_EQ(LogMessages(ReadFile(m_log)).size(), 2u) << c.name << ": two lines logged";

        std::filesystem::remove(m_log);
        std::filesystem::create_directory(m_log);
        EXPECT_EQ(Wait(Start()), c.status) << c.name << ", a folder at the log's path";
        EXPECT_TRUE(std::filesystem::is_directory(m_log) && std::filesystem::is_empty(m_log))
            << c.name;
    }
    std::filesystem::remove(m_log);
}

TEST_F(ProgramFaults, TwoCopiesAtOnceWriteWholeLines) {
    // Without the component each run adds two lines to the log and does not reset it.
    constexpr int kRuns = 25;
    std::vector<std::thread> copies;
    std::vector<int> failures(2, 0);
    for (int copy = 0; copy < 2; ++copy)
        copies.emplace_back([&, copy] {
            for (int run = 0; run < kRuns; ++run)
                if (Wait(Start()) != 0) ++failures[copy];
        });
    for (std::thread& t : copies) t.join();
    EXPECT_EQ(failures, std::vector<int>(2, 0));

    const std::string log = ReadFile(m_log);
    const std::vector<std::string> messages = LogMessages(log);
    ASSERT_EQ(messages.size(), 2u * kRuns * 2);
    const std::string missing =
        "Get OCXVersion Info Size failed! file:" + (m_root / "system32") + "/HalvoraMain.ocx";
    int counts[2] = {0, 0};
    for (const std::string& m : messages) {
        if (m == missing) {
            ++counts[0];
        } else if (m == "OCX Version Error: NULL.") {
            ++counts[1];
        } else {
            ADD_FAILURE() << "not a whole line of the program: " << m;
        }
    }
    EXPECT_EQ(counts[0], 2 * kRuns);
    EXPECT_EQ(counts[1], 2 * kRuns);
    EXPECT_TRUE(m_server.Requests().empty()) << "no manifest is fetched without a component";
}

}  // namespace
