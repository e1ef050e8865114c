#include "platform/ShellOpen.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"

namespace {

using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::ReadFile;
using testing_support::WriteFile;

// Waits (at most five seconds) until the file exists and has a complete line.
std::string AwaitLine(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string text = ReadFile(path);
        if (text.ends_with("\n")) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "<nothing after five seconds>";
}

void WriteScript(const std::string& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
}

class ShellOpen : public ::testing::Test {
  protected:
    CTempDir m_dir;
    std::string m_record = m_dir / "record";
    std::string m_opener = m_dir / "opener";
    void SetUp() override {
        WriteScript(m_opener,
                    "printf '%s|%s|%s\\n' \"$PWD\" \"$#\" \"$1\" >> '" + m_record + "'\n");
    }
};

TEST_F(ShellOpen, HandsAnAddressToTheOpenerAsItsOneArgument) {
    CScopedEnv opener("VOREL_OPENER", m_opener.c_str());
    // Characters a shell would act upon reach the opener untouched: no shell in between.
    const std::string url = "https://h.example/a?b=1&c=$(touch x);d='e'";
    ASSERT_TRUE(platform::ShellOpen(url));
    const std::string line = AwaitLine(m_record);
    EXPECT_TRUE(line.ends_with("|1|" + url + "\n")) << line;
}

TEST_F(ShellOpen, StartsAFileInItsWorkingFolderThroughTheOpener) {
    CScopedEnv opener("VOREL_OPENER", m_opener.c_str());
    std::filesystem::create_directory(m_dir / "work");
    ASSERT_TRUE(platform::ShellOpen("Setup.exe", m_dir / "work/"));
    EXPECT_EQ(AwaitLine(m_record), m_dir / "work|1|" + m_dir / "work/Setup.exe\n");
}

TEST_F(ShellOpen, StartsAProgramDirectlyWhenNoOpenerIsSet) {
    CScopedEnv opener("VOREL_OPENER", nullptr);
    std::filesystem::create_directory(m_dir / "app");
    WriteScript(m_dir / "app/HalvoraPortal.exe", "echo \"started in $PWD\" > '" + m_record + "'\n");
    ASSERT_TRUE(platform::ShellOpen("HalvoraPortal.exe", m_dir / "app/"));
    EXPECT_EQ(AwaitLine(m_record), "started in " + m_dir / "app\n");
}

TEST_F(ShellOpen, ReportsWhenNothingCanBeStarted) {
    CScopedEnv opener("VOREL_OPENER", nullptr);
    CScopedEnv path("PATH", m_dir.Path().c_str());  // no xdg-open there
    EXPECT_FALSE(platform::ShellOpen("http://h.example/"));
    EXPECT_FALSE(platform::ShellOpen("Missing.exe", m_dir.Path()));
    EXPECT_FALSE(platform::ShellOpen(""));
}

}  // namespace
