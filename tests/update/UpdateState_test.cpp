#include "update/UpdateState.h"

#include <gtest/gtest.h>

#include "common/UpdateLog.h"
#include "support/TestSupport.h"

namespace {

using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::Gbk;
using testing_support::LogMessages;
using testing_support::ReadFile;
using testing_support::WriteFile;

class StoredState : public ::testing::Test {
  protected:
    CTempDir m_dir;
    CScopedEnv m_registry{"VOREL_REGISTRY_DIR", m_dir.Path().c_str()};
    std::string Hive() const { return m_dir / "HKEY_CURRENT_USER.reg"; }
    std::vector<std::string> Log() const { return LogMessages(ReadFile(GetLogFilePath())); }
    void SetUp() override { ResetLog(); }
    void TearDown() override { ResetLog(); }
};

TEST_F(StoredState, ReadsTextUpToItsFirstNul) {
    WriteFile(
        Hive(),
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"LastServerOCXVersion\"=\"4."
        "0.3.12\"\r\n"
        "\"Raw\"=hex:41,00,42\r\n\"Long\"=\"" +
            std::string(1023, 'x') + "\"\r\n\"TooLong\"=\"" + std::string(1024, 'y') +
            "\"\r\n\"Unterminated\"=hex(1):" + std::string("41") +
            [] {
                std::string s;
                for (int i = 0; i < 1023; ++i) s += ",41";
                return s;
            }() +
            "\r\n");
    struct Case {
        const char* name;
        bool ok;
        std::string value;
    } cases[] = {
        {"LastServerOCXVersion", true, "4.0.3.12"},
        {"Raw", true, "A"},
        {"Long", true, std::string(1023, 'x')},
        {"Unterminated", true, std::string(1024, 'A')},
        {"TooLong", false, "kept"},
        {"Missing", false, "kept"},
    };
    for (const Case& c : cases) {
        std::string out = "kept";
        EXPECT_EQ(ReadRegString(c.name, out), c.ok) << c.name;
        EXPECT_EQ(out, c.value) << c.name;
    }
    EXPECT_EQ(Log(), std::vector<std::string>(2, Gbk("读取注册表失败!")));
}

TEST_F(StoredState, AMissingKeyIsLogged) {
    std::string out = "kept";
    EXPECT_FALSE(ReadRegString("NormalUpdateFlag", out));
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(Log(), std::vector<std::string>{Gbk("读取注册表失败!")});
}

TEST_F(StoredState, WritesATextValueWithItsNul) {
    ASSERT_TRUE(WriteRegString("NormalUpdateFlag", "0"));
    EXPECT_EQ(ReadFile(Hive()),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"="
              "\"0\"\r\n");
    std::string out;
    ASSERT_TRUE(ReadRegString("NormalUpdateFlag", out));
    EXPECT_EQ(out, "0");
    EXPECT_FALSE(testing_support::FileExists(GetLogFilePath()));
}

TEST_F(StoredState, WriteFailuresAreLoggedAndLeaveTheHiveAlone) {
    const std::string garbage =
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"=\"1";
    WriteFile(Hive(), garbage);
    EXPECT_FALSE(WriteRegString("NormalUpdateFlag", "0"));
    EXPECT_EQ(ReadFile(Hive()), garbage);
    EXPECT_EQ(Log(), std::vector<std::string>{Gbk("写入注册表失败!")});

    ResetLog();
    WriteFile(m_dir / "file", "x");
    CScopedEnv blocked("VOREL_REGISTRY_DIR", (m_dir / "file/registry").c_str());
    EXPECT_FALSE(WriteRegString("NormalUpdateFlag", "0"));
    EXPECT_EQ(Log(), std::vector<std::string>{Gbk("创建注册表失败!")});
}

}  // namespace
