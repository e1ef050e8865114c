#include "common/UpdateLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/Folders.h"
#include "support/TestSupport.h"

namespace {

using testing_support::Gbk;
using testing_support::LogMessages;
using testing_support::ReadFile;

class UpdateLogFile : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::remove_all(GetLogFilePath()); }
    void TearDown() override { std::filesystem::remove_all(GetLogFilePath()); }
};

TEST(UpdateLogFormat, PadsEveryFieldWithBlanks) {
    struct Case {
        platform::LocalTime time;
        const char* message;
        const char* line;
    } cases[] = {
        {{2015, 3, 7, 9, 5, 3, 6},
         "OCX Version Error: NULL.",
         "[2015- 3- 7   9: 5: 3]     OCX Version Error: NULL.\r\n"},
        {{2015, 1, 1, 0, 0, 0, 4}, "x", "[2015- 1- 1   0: 0: 0]     x\r\n"},
        {{2026, 12, 31, 23, 59, 59, 4}, "", "[2026-12-31  23:59:59]     \r\n"},
        {{999, 10, 10, 10, 10, 10, 0}, "y", "[ 999-10-10  10:10:10]     y\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatLogLine(c.time, c.message), c.line);
}

TEST_F(UpdateLogFile, LivesBesideTheProgram) {
    EXPECT_EQ(GetLogFilePath(), GetModuleDir() + "KDUpdateLog.txt");
    EXPECT_TRUE(GetLogFilePath().ends_with("/common_test/KDUpdateLog.txt"));
}

TEST_F(UpdateLogFile, AppendsOneLinePerCallInOrderWithTheBytesUnchanged) {
    const std::string gbk = Gbk("读取注册表失败!");
    EXPECT_TRUE(WriteLog(gbk));
    EXPECT_TRUE(WriteLog(""));
    EXPECT_TRUE(WriteLog(std::string(5000, 'x')));
    EXPECT_TRUE(WriteLog(std::string("a\0b", 3)));
    const std::string text = ReadFile(GetLogFilePath());
    EXPECT_EQ(LogMessages(text),
              (std::vector<std::string>{gbk, "", std::string(5000, 'x'), std::string("a\0b", 3)}));
    EXPECT_NE(text.find(gbk + "\r\n"), std::string::npos) << "no conversion on the way to the file";
}

TEST_F(UpdateLogFile, ResetStartsANewFile) {
    WriteLog("old run");
    EXPECT_TRUE(ResetLog());
    EXPECT_FALSE(testing_support::FileExists(GetLogFilePath()));
    EXPECT_TRUE(ResetLog()) << "a missing file is fine";
    WriteLog("new run");
    EXPECT_EQ(LogMessages(ReadFile(GetLogFilePath())), std::vector<std::string>{"new run"});
}

TEST_F(UpdateLogFile, AnUnopenableLogLosesTheLineQuietly) {
    // A folder standing at the log's path cannot be opened as a file, not even by root.
    ASSERT_TRUE(std::filesystem::create_directory(GetLogFilePath()));
    EXPECT_FALSE(WriteLog("lost"));
    EXPECT_TRUE(std::filesystem::is_empty(GetLogFilePath()));
}

TEST_F(UpdateLogFile, TwoWritersAtOnceKeepEveryLineWhole) {
    constexpr int kLines = 300;
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = ::fork();
        if (writers[w] == 0) {
            const std::string message(700 + w * 300, static_cast<char>('a' + w));
            for (int i = 0; i < kLines; ++i) WriteLog(message);
            _exit(0);
        }
    }
    for (pid_t pid : writers) ::waitpid(pid, nullptr, 0);
    const std::vector<std::string> messages = LogMessages(ReadFile(GetLogFilePath()));
    ASSERT_EQ(messages.size(), 2u * kLines);
    for (const std::string& m : messages)
        EXPECT_TRUE(m == std::string(700, 'a') || m == std::string(1000, 'b'));
}

}  // namespace
