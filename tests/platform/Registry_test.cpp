#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <random>

#include "support/TestSupport.h"

namespace {

using platform::CRegKey;
using platform::RegRoot;
using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::ReadFile;
using testing_support::WriteFile;

class RegistryFiles : public ::testing::Test {
  protected:
    CTempDir m_dir;
    CScopedEnv m_env{"VOREL_REGISTRY_DIR", m_dir.Path().c_str()};
    std::string HivePath() const { return m_dir / "HKEY_CURRENT_USER.reg"; }

    static std::string Query(std::string_view key, std::string_view name, std::size_t size = 1024) {
        std::optional<CRegKey> k = CRegKey::OpenForRead(RegRoot::CurrentUser, key);
        if (!k) return "<no key>";
        std::string buffer(size, '\0');
        std::size_t stored = 0;
        if (!k->QueryValue(name, buffer.data(), buffer.size(), &stored)) return "<no value>";
        return buffer.substr(0, stored);
    }
};

TEST_F(RegistryFiles, HivesLiveWhereTheEnvironmentSays) {
    EXPECT_EQ(platform::RegHivePath(RegRoot::CurrentUser), HivePath());
    EXPECT_EQ(platform::RegHivePath(RegRoot::LocalMachine), m_dir / "HKEY_LOCAL_MACHINE.reg");
    CScopedEnv noDir("VOREL_REGISTRY_DIR", nullptr);
    CScopedEnv config("XDG_CONFIG_HOME", "/home/u/.cfg");
    EXPECT_EQ(platform::RegHivePath(RegRoot::CurrentUser),
              "/home/u/.cfg/vorel/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(platform::RegHivePath(RegRoot::LocalMachine), "/etc/vorel/HKEY_LOCAL_MACHINE.reg");
    CScopedEnv noConfig("XDG_CONFIG_HOME", nullptr);
    CScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(platform::RegHivePath(RegRoot::CurrentUser),
              "/home/u/.config/vorel/HKEY_CURRENT_USER.reg");
}

TEST_F(RegistryFiles, MissingHiveKeyOrValueCannotBeRead) {
    EXPECT_EQ(Query("SOFTWARE\\VRN\\KD40", "N"), "<no key>") << "no hive file";
    WriteFile(HivePath(),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"N\"=\"abc\"\r\n");
    EXPECT_EQ(Query("SOFTWARE\\VRN\\KD41", "N"), "<no key>");
    EXPECT_EQ(Query("SOFTWARE\\VRN\\KD40", "M"), "<no value>");
    EXPECT_EQ(Query("SOFTWARE\\VRN\\KD40", "N"), std::string("abc\0", 4));
}

TEST_F(RegistryFiles, AValueLargerThanTheBufferFails) {
    WriteFile(HivePath(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"N\"=\"abc\"\r\n");
    EXPECT_EQ(Query("K", "N", 4), std::string("abc\0", 4)) << "exactly fits with its NUL";
    EXPECT_EQ(Query("K", "N", 3), "<no value>");
}

TEST_F(RegistryFiles, AnUnparsableHiveReadsAsMissingAndIsNeverOverwritten) {
    const std::string
        cases[] =
            {
                "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"="
                "\"0",  // truncated
                std::string("\x7f"
                            "ELF\x02\x01\x01\x00\x00\xff\xfe\x00garbage",
                            19),
                "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"="
                "\"0\r\n\"X\"=\"1\"\r\n",
            };
    for (const std::string& text : cases) {
        WriteFile(HivePath(), text);
        EXPECT_EQ(Query("SOFTWARE\\VRN\\KD40", "NormalUpdateFlag"), "<no key>");
        std::optional<CRegKey> key =
            CRegKey::OpenOrCreate(RegRoot::CurrentUser, "SOFTWARE\\VRN\\KD40");
        ASSERT_TRUE(key.has_value());
        EXPECT_FALSE(key->SetValue("NormalUpdateFlag", platform::kRegSz, "0", 2));
        EXPECT_EQ(ReadFile(HivePath()), text);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), {}), 1)
            << "no file left beside it";
    }
}

TEST_F(RegistryFiles, AWriteKeepsEveryOtherByte) {
    const std::string before =
        "REGEDIT4\r\n\r\n; comment kept\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n"
        "\"LastServerOCXVersion\"=\"4.0.3.11\"\r\n\"NormalUpdateFlag\"=\"1\"\r\n\"Raw\"=hex:00,"
        "\\\r\n  01\r\n\r\n"
        "[HKEY_CURRENT_USER\\Other]\r\n@=dword:00000007\r\n";
    WriteFile(HivePath(), before);
    ::chmod(HivePath().c_str(), 0640);
    std::optional<CRegKey> key = CRegKey::OpenOrCreate(RegRoot::CurrentUser, "SOFTWARE\\VRN\\KD40");
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(key->SetValue("NormalUpdateFlag", platform::kRegSz, "0", 2));
    std::string after = before;
    after.replace(after.find("\"NormalUpdateFlag\"=\"1\""), 22, "\"NormalUpdateFlag\"=\"0\"");
    EXPECT_EQ(ReadFile(HivePath()), after);
    EXPECT_EQ(std::filesystem::status(HivePath()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0640));
}

TEST_F(RegistryFiles, CreatesTheHiveAndItsFolder) {
    CTempDir other;
    const std::string folder = other / "nested/registry";
    CScopedEnv env("VOREL_REGISTRY_DIR", folder.c_str());
    std::optional<CRegKey> key = CRegKey::OpenOrCreate(RegRoot::CurrentUser, "SOFTWARE\\VRN\\KD40");
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(ReadFile(folder + "/HKEY_CURRENT_USER.reg"),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n");
    ASSERT_TRUE(key->SetValue("NormalUpdateFlag", platform::kRegSz, "0", 2));
    EXPECT_EQ(ReadFile(folder + "/HKEY_CURRENT_USER.reg"),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"="
              "\"0\"\r\n");
}

TEST_F(RegistryFiles, AFolderThatCannotBeMadeFailsTheOpen) {
    // A file where a folder should be stops root as well as anyone else.
    WriteFile(m_dir / "blocker", "x");
    const std::string folder = m_dir / "blocker/registry";
    CScopedEnv env("VOREL_REGISTRY_DIR", folder.c_str());
    EXPECT_FALSE(CRegKey::OpenOrCreate(RegRoot::CurrentUser, "SOFTWARE\\VRN\\KD40").has_value());
}

// Writes two values in turn, forever, so that a kill can land anywhere in a write.
[[noreturn]] void WriteForever() {
    std::optional<CRegKey> key = CRegKey::OpenOrCreate(RegRoot::CurrentUser, "SOFTWARE\\VRN\\KD40");
    for (unsigned i = 0;; ++i) {
        const char* value = (i % 2 == 0) ? "new-value-with-some-length" : "old";
        if (!key ||
            !key->SetValue("NormalUpdateFlag", platform::kRegSz, value, std::strlen(value) + 1))
            _exit(3);
    }
}

TEST_F(RegistryFiles, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewHive) {
    const std::string before =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"Keep\"="
        "\"me\"\r\n\"NormalUpdateFlag\"=\"old\"\r\n";
    WriteFile(HivePath(), before);
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) WriteForever();
        ::usleep(std::uniform_int_distribution<unsigned>(200, 20000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own";
        const std::string flag = Query("SOFTWARE\\VRN\\KD40", "NormalUpdateFlag");
        EXPECT_TRUE(flag == std::string("old\0", 4) ||
                    flag == std::string("new-value-with-some-length\0", 27))
            << flag;
        EXPECT_EQ(Query("SOFTWARE\\VRN\\KD40", "Keep"), std::string("me\0", 3));
    }
    // The next write clears temporary files that killed writers left behind.
    std::optional<CRegKey> key = CRegKey::OpenOrCreate(RegRoot::CurrentUser, "SOFTWARE\\VRN\\KD40");
    ASSERT_TRUE(key && key->SetValue("NormalUpdateFlag", platform::kRegSz, "0", 2));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), {}), 1);
}

TEST_F(RegistryFiles, TwoWritersNeverLoseEachOthersValues) {
    auto writer = [](const char* name) {
        std::optional<CRegKey> key = CRegKey::OpenOrCreate(RegRoot::CurrentUser, "K");
        for (int i = 0; i < 100; ++i) {
            const std::string value = std::to_string(i);
            if (!key || !key->SetValue(std::string(name) + value, platform::kRegSz, value.c_str(),
                                       value.size() + 1))
                _exit(3);
        }
        _exit(0);
    };
    pid_t a = ::fork();
    if (a == 0) writer("A");
    pid_t b = ::fork();
    if (b == 0) writer("B");
    int statusA = 0, statusB = 0;
    ::waitpid(a, &statusA, 0);
    ::waitpid(b, &statusB, 0);
    ASSERT_EQ(statusA, 0);
    ASSERT_EQ(statusB, 0);
    for (int i = 0; i < 100; ++i) {
        const std::string value = std::to_string(i) + std::string(1, '\0');
        EXPECT_EQ(Query("K", "A" + std::to_string(i)), value);
        EXPECT_EQ(Query("K", "B" + std::to_string(i)), value);
    }
}

}  // namespace
