// The built program under faults: a folder standing where its log goes, and two copies of it
// writing that log at the same time. Each copy runs from a folder of its own test, with the
// environment's proxy pointing at a local server that stands in for the update server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/HttpTestServer.h"
#include "support/ProgramProcess.h"
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

    void SetUp() override { testing_support::InstallProgramCopy(VOREL_PROGRAM, m_root.Path()); }

    // Starts the copy, without a display; its process id.
    pid_t Start() {
        return testing_support::SpawnProgram(
            m_program, {},
            testing_support::ProgramEnvironment(m_root.Path(), m_server.Url(), false));
    }

    // Waits for the copy; its exit status, or -1 when it did not end normally within a minute.
    static int Wait(pid_t pid) {
        return testing_support::WaitProgram(pid, std::chrono::minutes(1));
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
