#include "platform/FileCopy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/TestSupport.h"

namespace {

using testing_support::CTempDir;
using testing_support::ReadFile;
using testing_support::WriteFile;

// The names in a folder.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileCopy, ReplacesTheDestinationWithTheSourcesBytesAndPermissions) {
    CTempDir dir;
    std::filesystem::create_directory(dir / "system");
    WriteFile(dir / "new.ocx", std::string(300000, 'n'));
    ::chmod((dir / "new.ocx").c_str(), 0640);
    WriteFile(dir / "system/HalvoraMain.ocx", std::string(500000, 'o'));

    EXPECT_TRUE(platform::CopyFileReplacing(dir / "new.ocx", dir / "system/HalvoraMain.ocx"));
    EXPECT_EQ(ReadFile(dir / "system/HalvoraMain.ocx"), std::string(300000, 'n'));
    EXPECT_EQ(std::filesystem::status(dir / "system/HalvoraMain.ocx").permissions(),
              std::filesystem::perms(0640));
    EXPECT_EQ(Names(dir / "system"), std::vector<std::string>{"HalvoraMain.ocx"})
        << "no temporary file left";

    EXPECT_TRUE(platform::CopyFileReplacing(dir / "new.ocx", dir / "system/Fresh.ocx"))
        << "nothing to replace";
    EXPECT_EQ(ReadFile(dir / "system/Fresh.ocx"), std::string(300000, 'n'));
}

TEST(FileCopy, WritesTheNewFileOnTheDestinationsOwnFileSystem) {
    // The step that puts the new file in place only works within one file system.
    CTempDir dir;
    struct stat source {
    }, shm{};
    if (::stat(dir.Path().c_str(), &source) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        source.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    char pattern[] = "/dev/shm/vorel-copy-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string system = pattern;
    WriteFile(dir / "new.ocx", "new");
    WriteFile(system + "/HalvoraMain.ocx", "old");
    EXPECT_TRUE(platform::CopyFileReplacing(dir / "new.ocx", system + "/HalvoraMain.ocx"));
    EXPECT_EQ(ReadFile(system + "/HalvoraMain.ocx"), "new");
    EXPECT_EQ(Names(system), std::vector<std::string>{"HalvoraMain.ocx"});
    std::filesystem::remove_all(system);
}

TEST(FileCopy, AFailedCopyLeavesTheDestinationAsItWas) {
    CTempDir dir;
    WriteFile(dir / "new.ocx", "new");
    WriteFile(dir / "old.ocx", "old");
    WriteFile(dir / "a file", "not a folder");
    std::filesystem::create_directories(dir / "busy/HalvoraMain.ocx/inside");
    struct Case {
        std::string source;
        std::string destination;
    } cases[] = {
        {dir / "missing.ocx", dir / "old.ocx"},
        {dir.Path(), dir / "old.ocx"},  // a folder is no file to copy
        {dir / "new.ocx", dir / "no such folder/HalvoraMain.ocx"},
        {dir / "new.ocx", dir / "a file/HalvoraMain.ocx"},
        // A folder in the destination's place cannot be replaced, not even by root.
        {dir / "new.ocx", dir / "busy/HalvoraMain.ocx"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(platform::CopyFileReplacing(c.source, c.destination)) << c.destination;
    EXPECT_EQ(ReadFile(dir / "old.ocx"), "old");
    EXPECT_EQ(ReadFile(dir / "a file"), "not a folder");
    EXPECT_EQ(Names(dir / "busy"), std::vector<std::string>{"HalvoraMain.ocx"})
        << "no temporary file left";
    EXPECT_EQ(Names(dir / "busy/HalvoraMain.ocx"), std::vector<std::string>{"inside"});
}

TEST(FileCopy, AProcessThatHasTheOldFileMappedKeepsItsBytes) {
    // Writing into the old file would change the pages of a module that is loaded from it.
    CTempDir dir;
    const std::string old(8192, 'o');
    WriteFile(dir / "HalvoraMain.ocx", old);
    WriteFile(dir / "new.ocx", std::string(8192, 'n'));
    const int fd = ::open((dir / "HalvoraMain.ocx").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    void* mapped = ::mmap(nullptr, old.size(), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    ASSERT_NE(mapped, MAP_FAILED);

    EXPECT_TRUE(platform::CopyFileReplacing(dir / "new.ocx", dir / "HalvoraMain.ocx"));
    EXPECT_EQ(std::string(static_cast<const char*>(mapped), old.size()), old);
    EXPECT_EQ(ReadFile(dir / "HalvoraMain.ocx"), std::string(8192, 'n'));
    ::munmap(mapped, old.size());
}

}  // namespace
