#include "update/ComponentVersion.h"

#include <gtest/gtest.h>

#include "common/UpdateLog.h"
#include "support/TestSupport.h"

namespace {

using testing_support::LogMessages;
using testing_support::PeFixture;
using testing_support::ReadFile;

class ComponentVersion : public ::testing::Test {
  protected:
    void SetUp() override { ResetLog(); }
    void TearDown() override { ResetLog(); }
};

TEST_F(ComponentVersion, ReadsTheProductVersionNotTheFileVersion) {
    struct Case {
        const char* fixture;
        const char* version;
    } cases[] = {
        {"component-4.0.3.12.ocx", "4.0.3.12"},  // its file version is 4.0.3.13
        {"component-65535.ocx", "65535.0.65535.7"},
        {"component-4.0.2.5.ocx", "4.0.2.5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetOCXVersion(PeFixture(c.fixture)), c.version) << c.fixture;
    EXPECT_FALSE(testing_support::FileExists(GetLogFilePath()));
}

TEST_F(ComponentVersion, AFileWithoutVersionIsLoggedWithItsPath) {
    const std::string missing = "/nonexistent/system32/HalvoraMain.ocx";
    const std::string noVersion = PeFixture("no-version.dll");
    EXPECT_EQ(GetOCXVersion(missing), "");
    EXPECT_EQ(GetOCXVersion(noVersion), "");
    EXPECT_EQ(LogMessages(ReadFile(GetLogFilePath())),
              (std::vector<std::string>{"Get OCXVersion Info Size failed! file:" + missing,
                                        "Get OCXVersion Info Size failed! file:" + noVersion}));
}

}  // namespace
