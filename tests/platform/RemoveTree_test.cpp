#include "platform/RemoveTree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CTempDir;
using testing_support::FileExists;
using testing_support::WriteFile;

TEST(RemoveTree, DeletesAFolderWithEverythingInIt) {
    CTempDir dir;
    fs::create_directories(dir / "work/a/b");
    WriteFile(dir / "work/a/b/file", "data");
    WriteFile(dir / "work/top", "data");
    EXPECT_TRUE(platform::RemoveTree(dir / "work/"));
    EXPECT_FALSE(FileExists(dir / "work"));
    EXPECT_TRUE(platform::RemoveTree(dir / "work")) << "a missing folder is no failure";
}

TEST(RemoveTree, RemovesLinksWithoutFollowingThem) {
    CTempDir dir;
    fs::create_directories(dir / "outside");
    WriteFile(dir / "outside/precious", "keep");
    fs::create_directories(dir / "work");
    fs::create_directory_symlink(dir / "outside", dir / "work/inner-link");
    fs::create_directory_symlink(dir / "outside", dir / "top-link");

    EXPECT_TRUE(platform::RemoveTree(dir / "work"));
    EXPECT_TRUE(platform::RemoveTree(dir / "top-link/"))
        << "the trailing slash must not reach the target";
    EXPECT_FALSE(FileExists(dir / "work"));
    EXPECT_FALSE(FileExists(dir / "top-link"));
    EXPECT_EQ(testing_support::ReadFile(dir / "outside/precious"), "keep");
}

TEST(RemoveTree, RefusesPathsThatNameNoFolderOfItsOwn) {
    CTempDir dir;
    fs::create_directories(dir / "work/sub");
    WriteFile(dir / "work/sub/file", "data");
    for (const std::string& path : {std::string(), std::string("/"), std::string("//"),
                                    dir / "work/sub/..", dir / "work/sub/../", dir / "work/."}) {
        EXPECT_FALSE(platform::RemoveTree(path)) << "'" << path << "'";
    }
    EXPECT_TRUE(FileExists(dir / "work/sub/file"));
}

}  // namespace
