#include "common/Folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

class WorkFolders : public ::testing::Test {
  protected:
    CTempDir m_dir;
    std::string m_temp = m_dir / "tmp";
    CScopedEnv m_env{"TMPDIR", m_temp.c_str()};
    void SetUp() override { fs::create_directory(m_temp); }
};

TEST(ModuleDir, IsTheProgramsFolderWithATrailingSlash) {
    const std::string dir = GetModuleDir();
    EXPECT_TRUE(dir.ends_with("/common_test/")) << dir;
    EXPECT_TRUE(FileExists(dir + "common_test"));
}

TEST_F(WorkFolders, NamesTheFolderAfterTheProjectAndTheNormalVersion) {
    EXPECT_EQ(GetTempWorkDir("KD40", "4.0.3.12"), m_temp + "/vrn_KD40_4.0.3.12/");
    EXPECT_TRUE(fs::is_directory(m_temp + "/vrn_KD40_4.0.3.12"));
    EXPECT_EQ(GetTempWorkDir("", ""), m_temp + "/vrn__/")
        << "empty values leave their places empty";
}

TEST_F(WorkFolders, MakesTheFolderFreshAndPrivate) {
    const std::string folder = m_temp + "/vrn_KD40_4.0.3.12";
    fs::create_directories(folder + "/Update/sub");
    WriteFile(folder + "/Setup.exe", "old");
    WriteFile(folder + "/Update/sub/a.dat", "old");
    ASSERT_EQ(GetTempWorkDir("KD40", "4.0.3.12"), folder + "/");
    EXPECT_TRUE(fs::is_empty(folder));
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(st.st_uid, ::geteuid());
}

TEST_F(WorkFolders, ALinkPlantedAtThePathIsRemovedNotFollowed) {
    fs::create_directory(m_dir / "victim");
    WriteFile(m_dir / "victim/important", "keep");
    fs::create_directory_symlink(m_dir / "victim", m_temp + "/vrn_KD40_4.0.3.12");
    ASSERT_EQ(GetTempWorkDir("KD40", "4.0.3.12"), m_temp + "/vrn_KD40_4.0.3.12/");
    EXPECT_FALSE(fs::is_symlink(m_temp + "/vrn_KD40_4.0.3.12"));
    EXPECT_EQ(ReadFile(m_dir / "victim/important"), "keep");
}

TEST_F(WorkFolders, UnsafeManifestValuesGiveNoFolder) {
    fs::create_directory(m_temp + "/vrn_a_b");
    const std::string unsafe[] = {
        "..", ".", "a/b", "../../etc", "a\\b", std::string("a\0b", 3), "a\nb", "a\x7f"};
    for (const std::string& value : unsafe) {
        EXPECT_EQ(GetTempWorkDir(value, "4.0.3.12"), "") << value;
        EXPECT_EQ(GetTempWorkDir("KD40", value), "") << value;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_temp), {}), 1) << "nothing made or deleted";
    // A double-byte character whose second byte is a backslash is a character, not a separator.
    EXPECT_EQ(GetTempWorkDir("\x95\\", "1"), m_temp + "/vrn_\x95\\_1/");
}

TEST_F(WorkFolders, AFolderThatCannotBeMadeGivesNoFolder) {
    WriteFile(m_dir / "file", "x");
    CScopedEnv env("TMPDIR", (m_dir / "file").c_str());
    EXPECT_EQ(GetTempWorkDir("KD40", "4.0.3.12"), "");
}

TEST_F(WorkFolders, DeleteTouchesOnlyWorkFoldersUnderTheTemporaryFolder) {
    fs::create_directories(m_temp + "/vrn_KD40_1/Update");
    fs::create_directories(m_temp + "/other");
    fs::create_directories(m_dir / "outside");
    struct Case {
        std::string path;
        bool deleted;
        std::string probe;
    } cases[] = {
        {m_temp + "/other/", false, m_temp + "/other"},
        {m_dir / "outside", false, m_dir / "outside"},
        {m_temp + "/vrn_KD40_1/../other", false, m_temp + "/other"},
        {m_temp + "/", false, m_temp},
        {"", false, m_temp},
        {m_temp + "/vrn_KD40_1/Update", true, m_temp + "/vrn_KD40_1/Update"},
        {m_temp + "/vrn_KD40_1/", true, m_temp + "/vrn_KD40_1"},
        {m_temp + "/vrn_missing/", true, m_temp + "/vrn_missing"},
    };
    for (const Case& c : cases) {
        DeleteDirectory(c.path);
        EXPECT_EQ(FileExists(c.probe), !c.deleted) << c.path;
    }
}

}  // namespace
