// The stored update state under faults: a hive that cannot be written, and a writer killed
// in the middle of its writes, again and again. The hive always parses and loses nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "common/UpdateLog.h"
#include "platform/RegistryHive.h"
#include "support/TestSupport.h"
#include "update/UpdateState.h"

namespace {

using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::Gbk;
using testing_support::LogMessages;
using testing_support::ReadFile;
using testing_support::WriteFile;

// A hive with the state, a value of other software beside it and a second key, some 2 KB.
std::string Hive(const char* flag, bool withKey = true) {
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"Kept\"=\"" +
                       std::string(2000, 'k') + "\"\r\n\"Count\"=dword:0000002a\r\n";
    if (withKey)
        text += "\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"=\"" +
                std::string(flag) + "\"\r\n\"LastServerOCXVersion\"=\"4.0.3.12\"\r\n";
    return text;
}

std::string Text(const std::optional<platform::RegValue>& value) {
    if (!value || value->type != platform::kRegSz || value->data.empty()) return "<not text>";
    return std::string(value->data.begin(), value->data.end() - 1);
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    return names;
}

TEST(HiveFaults, AHiveThatCannotBeWrittenFailsTheWriteAndStaysAsItWas) {
    struct Case {
        const char* name;
        std::string hive;       // what stands at the hive's path beforehand
        bool hiveFolderIsFile;  // a file stands where the hive's folder should be
        rlim_t diskRoom;        // the largest file the disk takes
        const char* message;
    } cases[] = {
        {"the disk takes no more bytes, the key exists", Hive("1"), false, 512, "写入注册表失败!"},
        {"the disk takes no more bytes, the key is new", Hive("1", false), false, 512,
         "创建注册表失败!"},
        {"a file stands where the hive folder should be", "REGEDIT4\r\nnot a folder\r\n", true,
         RLIM_INFINITY, "创建注册表失败!"},
    };
    for (const Case& c : cases) {
        CTempDir root;
        const std::string folder = root / "registry";
        const std::string path = c.hiveFolderIsFile ? folder : folder + "/HKEY_CURRENT_USER.reg";
        if (!c.hiveFolderIsFile) std::filesystem::create_directory(folder);
        WriteFile(path, c.hive);
        CScopedEnv registry("VOREL_REGISTRY_DIR", folder.c_str());
        ResetLog();
        const faults::ChildResult child = faults::RunInChild([&](int) {
            faults::LimitFileSize(c.diskRoom);
            return WriteRegString("NormalUpdateFlag", "0") ? 1 : 0;
        });
        EXPECT_EQ(child.status, 0) << c.name << ": the write reports its failure";
        EXPECT_EQ(LogMessages(ReadFile(GetLogFilePath())), std::vector<std::string>{Gbk(c.message)})
            << c.name;
        EXPECT_EQ(ReadFile(path), c.hive) << c.name << ": the old hive is intact";
        if (!c.hiveFolderIsFile) {
            EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"HKEY_CURRENT_USER.reg"})
                << c.name;
        }
    }
    ResetLog();
}

TEST(HiveFaults, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewHive) {
    CTempDir root;
    const std::string folder = root / "registry";
    const std::string path = folder + "/HKEY_CURRENT_USER.reg";
    std::filesystem::create_directory(folder);
    WriteFile(path, Hive("1"));
    CScopedEnv registry("VOREL_REGISTRY_DIR", folder.c_str());
    const std::optional<platform::CRegHive> before =
        platform::CRegHive::Parse(Hive("1"), "HKEY_CURRENT_USER");
    ASSERT_TRUE(before.has_value());

    // The writer sets the flag to "0" and "1" in turn, as fast as it can, until it is killed
    // after a random time; each time the hive must parse and hold one of the two.
    std::mt19937 random(20150307);
    std::uniform_int_distribution<int> delayUs(0, 20000);
    int seen[2] = {0, 0};
    for (int round = 0; round < 150; ++round) {
        const pid_t writer = faults::StartChild([] {
            for (int i = 0;; ++i) WriteRegString("NormalUpdateFlag", i % 2 == 0 ? "0" : "1");
        });
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ASSERT_TRUE(faults::KillChild(writer));

        const std::optional<platform::CRegHive> hive =
            platform::CRegHive::Parse(ReadFile(path), "HKEY_CURRENT_USER");
        ASSERT_TRUE(hive.has_value()) << "round " << round << ": the hive parses";
        const std::string flag = Text(hive->GetValue("SOFTWARE\\VRN\\KD40", "NormalUpdateFlag"));
        ASSERT_TRUE(flag == "0" || flag == "1") << "round " << round << ": " << flag;
        ++seen[flag == "1"];
        for (const auto& [key, name] :
             {std::pair{"SOFTWARE\\Other", "Kept"}, std::pair{"SOFTWARE\\Other", "Count"},
              std::pair{"SOFTWARE\\VRN\\KD40", "LastServerOCXVersion"}}) {
            const std::optional<platform::RegValue> value = hive->GetValue(key, name),
                                                    old = before->GetValue(key, name);
            ASSERT_TRUE(value && value->type == old->type && value->data == old->data)
                << "round " << round << ": " << name;
        }
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    // The next write clears the new files that killed writers left beside the hive.
    EXPECT_TRUE(WriteRegString("NormalUpdateFlag", "0"));
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"HKEY_CURRENT_USER.reg"});
}

}  // namespace
