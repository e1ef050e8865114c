// The update log under faults: a folder standing at its path, and two processes writing it at
// once. The program goes on as if each line had been written, and every line is whole.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "common/UpdateLog.h"
#include "install/PackageExtraction.h"
#include "install/PublisherSignature.h"
#include "support/TestSupport.h"
#include "update/ComponentVersion.h"
#include "update/InstallDecision.h"
#include "update/UpdateState.h"

namespace {

using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::LogMessages;
using testing_support::PeFixture;
using testing_support::ReadFile;
using testing_support::WriteFile;

TEST(LogFaults, AFolderAtTheLogsPathChangesNoOutcome) {
    CTempDir root;
    CScopedEnv registry("VOREL_REGISTRY_DIR", (root / "registry").c_str());
    WriteFile(root / "bad.zip", "PK\x03\x04 not a zip archive");
    std::filesystem::create_directory(root / "target");
    // Steps that log their failure, with what each returns.
    struct Step {
        const char* name;
        std::function<std::string()> run;
    } steps[] = {
        {"empty local version", [] { return std::to_string(DecideInstallKind("")); }},
        {"component missing", [&] { return GetOCXVersion(root / "HalvoraMain.ocx"); }},
        {"component without version",
         [] { return GetOCXVersion(PeFixture("no-version.dll")) + "|"; }},
        {"stored state missing",
         [] {
             std::string value = "unchanged";
             return std::to_string(ReadRegString("NormalUpdateFlag", value)) + value;
         }},
        {"package damaged",
         [&] { return std::to_string(UnzipPackage(root / "bad.zip", root / "target")); }},
        {"installer unsigned",
         [] { return std::to_string(CheckPublisherSignature(PeFixture("no-version.dll"))); }},
    };
    ResetLog();
    std::vector<std::string> withLog;
    for (const Step& step : steps) withLog.push_back(step.run());
    const std::vector<std::string> logged = LogMessages(ReadFile(GetLogFilePath()));
    ASSERT_EQ(logged.size(), std::size(steps)) << "the steps log their failures";

    ResetLog();
    std::filesystem::create_directory(GetLogFilePath());
    EXPECT_FALSE(WriteLog("a line that cannot be written"));
    for (std::size_t i = 0; i < std::size(steps); ++i)
        EXPECT_EQ(steps[i].run(), withLog[i])
            << steps[i].name << ": the same outcome without a log";
    EXPECT_TRUE(std::filesystem::is_directory(GetLogFilePath()));
    EXPECT_TRUE(std::filesystem::is_empty(GetLogFilePath()))
        << "nothing is written into the folder";
    std::filesystem::remove(GetLogFilePath());
}

TEST(LogFaults, TwoWritersAtOnceWriteWholeLines) {
    // Lines of many lengths, some far beyond a pipe's atomic size, from two processes at once.
    constexpr int kLines = 1500;
    auto message = [](char writer, int i) {
        return std::string(1, writer) + std::to_string(i) + " " +
               std::string(static_cast<std::size_t>(i * 37 % 6000), writer);
    };
    ResetLog();
    std::vector<pid_t> writers;
    for (char writer : {'a', 'b'})
        writers.push_back(faults::StartChild([&, writer] {
            for (int i = 0; i < kLines; ++i) WriteLog(message(writer, i));
        }));
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::vector<std::string> messages = LogMessages(ReadFile(GetLogFilePath()));
    ASSERT_EQ(messages.size(), 2u * kLines);
    int next[2] = {0, 0};
    for (const std::string& m : messages) {
        ASSERT_TRUE(m[0] == 'a' || m[0] == 'b') << m.substr(0, 80);
        const int writer = m[0] - 'a';
        ASSERT_EQ(m, message(m[0], next[writer])) << "a whole line, in its writer's order";
        ++next[writer];
    }
    ResetLog();
}

}  // namespace
