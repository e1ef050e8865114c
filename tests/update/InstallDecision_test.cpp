#include "update/InstallDecision.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/Folders.h"
#include "common/UpdateLog.h"
#include "support/TestSupport.h"
#include "update/XMLFileInfo.h"

namespace {

using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::Gbk;
using testing_support::LogMessages;
using testing_support::ReadFile;
using testing_support::WriteFile;

struct Outcome {
    bool result;
    int force, specify, advance, mini;
    int registryLines;  // "读取注册表失败!" lines in the log
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << "{" << o.result << ", F" << o.force << " S" << o.specify << " A" << o.advance
              << " M" << o.mini << ", " << o.registryLines << " registry lines}";
}

class Decision : public ::testing::Test {
  protected:
    CTempDir m_dir;
    CScopedEnv m_registry{"VOREL_REGISTRY_DIR", m_dir.Path().c_str()};

    void SetUp() override { ResetLog(); }
    void TearDown() override { ResetLog(); }

    // hive: the stored state's values as REGEDIT4 lines, or nullptr for no hive at all.
    Outcome Decide(std::string manifest, const char* local, const char* hive) {
        g_nForceInstall = g_nSpecifyInstall = g_nAdvanceInstall = g_nMiniInstall = 0;
        std::filesystem::remove(m_dir / "HKEY_CURRENT_USER.reg");
        if (hive != nullptr)
            WriteFile(
                m_dir / "HKEY_CURRENT_USER.reg",
                std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n") + hive);
        SetManifestText(manifest);
        ParseManifest();
        ResetLog();
        Outcome o{DecideInstallKind(local), g_nForceInstall, g_nSpecifyInstall,
                  g_nAdvanceInstall,        g_nMiniInstall,  0};
        for (const std::string& line : LogMessages(ReadFile(GetLogFilePath()))) {
            if (line == Gbk("读取注册表失败!")) ++o.registryLines;
        }
        return o;
    }
};

std::string Manifest(const char* force, const char* specify, const char* advance,
                     const char* normal, const char* mini) {
    std::string m = "<KD>";
    auto add = [&](const char* name, const char* value) {
        if (value != nullptr) m += std::string("<") + name + ">" + value + "</" + name + ">";
    };
    add("ForceInstallVersion", force);
    add("SpecifyInstallVersion", specify);
    add("AdvanceInstallVersion", advance);
    add("NormalInstallVersion", normal);
    add("MiniInstallVersion", mini);
    return m + "</KD>";
}

TEST_F(Decision, SpecialKindsNeedNoStoredState) {
    struct Case {
        const char* name;
        std::string manifest;
        const char* local;
        Outcome expected;
    } cases[] = {
        {"forced", Manifest("4.0.3.0", "", "", "", "9.0.0.0"), "4.0.2.9", {true, 1, 0, 0, 0, 0}},
        {"forced version equal is not newer",
         Manifest("4.0.2.5", "", "", "", "9.0.0.0"),
         "4.0.2.5",
         {false, 0, 0, 0, 0, 2}},
        {"specified by substring",
         Manifest("", "4.0.2.15", "", "", "9.0.0.0"),
         "4.0.2.1",
         {true, 0, 1, 0, 0, 0}},
        {"specified with any separator",
         Manifest("", "4.0.2.7;4.0.2.5", "", "", "9.0.0.0"),
         "4.0.2.5",
         {true, 0, 1, 0, 0, 0}},
        {"empty specified list",
         Manifest("", "", "", "", "9.0.0.0"),
         "4.0.2.5",
         {false, 0, 0, 0, 0, 2}},
        {"advanced", Manifest("", "", "4.0.3.0", "", "9.0.0.0"), "4.0.2.9", {true, 0, 0, 1, 0, 0}},
        {"all three",
         Manifest("5.0.0.0", "4.0.2.9", "5.0.0.0", "5.0.0.0", "4.0.0.0"),
         "4.0.2.9",
         {true, 1, 1, 1, 1, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Decide(c.manifest, c.local, nullptr), c.expected) << c.name;
}

TEST_F(Decision, MinimumVersionForAComponentOnlyUpdate) {
    struct Case {
        const char* name;
        const char* mini;
        const char* local;
        int expected;
    } cases[] = {
        {"local newer", "4.0.0.9", "4.0.2.5", 1},
        {"local equal", "4.0.2.5", "4.0.2.5", 0},
        {"local older", "4.0.3.0", "4.0.2.5", 0},
        {"element missing", nullptr, "4.0.2.5", 1},
        {"element missing, local 0.0.0.0", nullptr, "0.0.0.0", 0},
    };
    for (const Case& c : cases) {
        // No update is due, yet the flag is set all the same.
        Outcome o = Decide(Manifest(nullptr, nullptr, nullptr, nullptr, c.mini), c.local, nullptr);
        EXPECT_FALSE(o.result) << c.name;
        EXPECT_EQ(o.mini, c.expected) << c.name;
    }
}

TEST_F(Decision, ANormalUpdateIsGatedByTheStoredState) {
    const std::string manifest = Manifest("", "", "", "4.0.3.12", "9.0.0.0");
    struct Case {
        const char* name;
        const char* local;
        const char* hive;  // nullptr: no hive file
        bool expected;
        int registryLines;
    } cases[] = {
        {"no stored state", "4.0.2.9", nullptr, true, 2},
        {"numeric order 10 > 9", "4.0.3.9", nullptr, true, 2},
        {"key without values", "4.0.2.9", "", true, 2},
        {"flag 0", "4.0.2.9",
         "\"NormalUpdateFlag\"=\"0\"\r\n\"LastServerOCXVersion\"=\"4.0.3.12\"\r\n", true, 0},
        {"flag 1, same version dealt with", "4.0.2.9",
         "\"NormalUpdateFlag\"=\"1\"\r\n\"LastServerOCXVersion\"=\"4.0.3.12\"\r\n", false, 0},
        {"flag 1, older version dealt with", "4.0.2.9",
         "\"NormalUpdateFlag\"=\"1\"\r\n\"LastServerOCXVersion\"=\"4.0.3.11\"\r\n", true, 0},
        {"flag 1, last version missing", "4.0.2.9", "\"NormalUpdateFlag\"=\"1\"\r\n", true, 1},
        {"flag 2", "4.0.2.9", "\"NormalUpdateFlag\"=\"2\"\r\n\"LastServerOCXVersion\"=\"\"\r\n",
         false, 0},
        {"flag yes", "4.0.2.9", "\"NormalUpdateFlag\"=\"yes\"\r\n\"LastServerOCXVersion\"=\"\"\r\n",
         false, 0},
        {"flag ' 1'", "4.0.2.9", "\"NormalUpdateFlag\"=\" 1\"\r\n\"LastServerOCXVersion\"=\"\"\r\n",
         false, 0},
        {"flag 01", "4.0.2.9", "\"NormalUpdateFlag\"=\"01\"\r\n\"LastServerOCXVersion\"=\"\"\r\n",
         false, 0},
        {"flag stored as a number 0", "4.0.2.9",
         "\"NormalUpdateFlag\"=dword:00000000\r\n\"LastServerOCXVersion\"=\"\"\r\n", true, 0},
        {"flag stored as a number 0x31", "4.0.2.9",
         "\"NormalUpdateFlag\"=dword:00000031\r\n\"LastServerOCXVersion\"=\"4.0.3.12\"\r\n", false,
         0},
        {"flag stored as a number 1", "4.0.2.9",
         "\"NormalUpdateFlag\"=dword:00000001\r\n\"LastServerOCXVersion\"=\"\"\r\n", false, 0},
        {"normal version equal", "4.0.3.12",
         "\"NormalUpdateFlag\"=\"0\"\r\n\"LastServerOCXVersion\"=\"\"\r\n", false, 0},
        {"normal version older", "4.0.4.0", nullptr, false, 2},
    };
    for (const Case& c : cases) {
        Outcome o = Decide(manifest, c.local, c.hive);
        EXPECT_EQ(o.result, c.expected) << c.name;
        EXPECT_EQ(o.registryLines, c.registryLines) << c.name;
        EXPECT_EQ(o.force + o.specify + o.advance, 0) << c.name;
    }
}

TEST_F(Decision, AnEmptyLocalVersionIsLoggedAndOffersNothing) {
    g_nForceInstall = g_nSpecifyInstall = g_nAdvanceInstall = g_nMiniInstall = 0;
    SetManifestText(Manifest("9.0.0.0", "", "9.0.0.0", "9.0.0.0", "0.0.0.0"));
    ParseManifest();
    EXPECT_FALSE(DecideInstallKind(""));
    EXPECT_EQ(g_nForceInstall + g_nSpecifyInstall + g_nAdvanceInstall + g_nMiniInstall, 0);
    EXPECT_EQ(LogMessages(ReadFile(GetLogFilePath())),
              std::vector<std::string>{Gbk("本地客户端版本号获取失败，为空！")});
}

TEST_F(Decision, TheManifestExampleAsksForASpecifiedComponentOnlyUpdate) {
    CTempDir temp;
    CScopedEnv env("TMPDIR", temp.Path().c_str());
    SetManifestText(
        "<KD><ForceInstallVersion>4.0.1.0</ForceInstallVersion>"
        "<SpecifyInstallVersion>4.0.2.5,4.0.2.7</SpecifyInstallVersion><SpecForceInstallVersion></"
        "SpecForceInstallVersion>"
        "<AdvanceInstallVersion>4.0.0.0</AdvanceInstallVersion><NormalInstallVersion>4.0.3.12</"
        "NormalInstallVersion>"
        "<MiniInstallVersion>4.0.0.9</MiniInstallVersion><InstallProjID>KD40</InstallProjID></KD>");
    ParseManifest();
    g_nForceInstall = g_nSpecifyInstall = g_nAdvanceInstall = g_nMiniInstall = 0;
    EXPECT_TRUE(DecideInstallKind("4.0.2.5"));
    EXPECT_EQ(
        (Outcome{true, g_nForceInstall, g_nSpecifyInstall, g_nAdvanceInstall, g_nMiniInstall, 0}),
        (Outcome{true, 0, 1, 0, 1, 0}));
    EXPECT_EQ(GetTempWorkDir(g_xmlFileInfo.InstallProjID, g_xmlFileInfo.NormalInstallVersion),
              temp.Path() + "/vrn_KD40_4.0.3.12/");
    EXPECT_FALSE(testing_support::FileExists(GetLogFilePath())) << "nothing logged";
}

}  // namespace
