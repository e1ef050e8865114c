#include "platform/SystemPaths.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

using testing_support::CScopedEnv;

TEST(SystemPaths, ProgramFileIsThisTestProgram) {
    const std::string path = platform::GetProgramFilePath();
    EXPECT_TRUE(path.ends_with("/platform_files_test")) << path;
}

TEST(SystemPaths, TemporaryFolderFollowsTmpdir) {
    struct Case {
        const char* tmpdir;
        const char* expected;
    } cases[] = {{nullptr, "/tmp/"},
                 {"", "/tmp/"},
                 {"/var/scratch", "/var/scratch/"},
                 {"/var/scratch/", "/var/scratch/"}};
    for (const Case& c : cases) {
        CScopedEnv env("TMPDIR", c.tmpdir);
        EXPECT_EQ(platform::GetTempFolder(), c.expected) << (c.tmpdir ? c.tmpdir : "(unset)");
    }
}

TEST(SystemPaths, SystemFolderFollowsTheSetting) {
    {
        CScopedEnv env("VOREL_SYSTEM_DIR", "/srv/system32/");
        EXPECT_EQ(platform::GetSystemFolder(), "/srv/system32");
    }
    CScopedEnv env("VOREL_SYSTEM_DIR", nullptr);
    EXPECT_EQ(platform::GetSystemFolder(), VOREL_DEFAULT_SYSTEM_DIR);
}

}  // namespace
