#include "install/PackageExtraction.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/UpdateLog.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CTempDir;
using testing_support::Gbk;
using testing_support::LogMessages;
using testing_support::ReadFile;
using testing_support::WriteFile;
using Listing = std::vector<std::string>;

// A package made at build time (tests/install/CMakeLists.txt, make_zips.py).
std::string Zip(std::string_view name) {
    return std::string(VOREL_ZIP_FIXTURE_DIR "/") + std::string(name);
}
std::string Tree(std::string_view name) {
    return std::string(VOREL_ZIP_FIXTURE_DIR "/tree/") + std::string(name);
}
std::string Expected(std::string_view name) {
    return std::string(VOREL_ZIP_FIXTURE_DIR "/expected/") + std::string(name);
}

// Everything in folder, as sorted relative paths; folders end in "/".
Listing List(const std::string& folder) {
    Listing names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(entry.path().lexically_relative(folder).string() +
                        (entry.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

size_t OpenDescriptors() {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// The target folder is the package's path without its extension, made afresh by the caller.
class PackageExtraction : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetLog();
        fs::create_directories(m_target);
        m_descriptors = OpenDescriptors();
    }
    void TearDown() override {
        EXPECT_EQ(OpenDescriptors(), m_descriptors)
            << "the archive, an entry or an output file stayed open";
        ResetLog();
    }

    std::vector<std::string> Log() const { return LogMessages(ReadFile(GetLogFilePath())); }
    std::vector<std::string> LogOf(std::string_view utf8) const { return {Gbk(utf8)}; }
    std::string Out(std::string_view name) const { return m_target + "/" + std::string(name); }

    CTempDir m_dir;
    std::string m_target = m_dir / "work/Update";
    size_t m_descriptors = 0;
};

TEST_F(PackageExtraction, WritesARealPackageWithItsFoldersAndBothMethods) {
    ASSERT_TRUE(UnzipPackage(Zip("package.zip"), m_target));
    EXPECT_EQ(List(m_target), (Listing{"HalvoraMain.ocx", "sub/", "sub/data.bin", "sub/deeper/",
                                       "sub/deeper/readme.txt"}));
    for (const char* file : {"HalvoraMain.ocx", "sub/data.bin", "sub/deeper/readme.txt"})
        EXPECT_EQ(ReadFile(Out(file)), ReadFile(Tree(file))) << file;

    const std::string methods = m_dir / "work/methods";
    fs::create_directory(methods);
    ASSERT_TRUE(UnzipPackage(Zip("methods.zip"), methods));
    for (const char* file : {"stored.bin", "deflated.txt"})
        EXPECT_EQ(ReadFile(methods + "/" + file),
                  ReadFile(Expected(std::string("methods/") + file)))
            << file;
    EXPECT_FALSE(testing_support::FileExists(GetLogFilePath()));
}

TEST_F(PackageExtraction, AnEmptyArchiveWritesNothing) {
    for (const char* zip : {"empty.zip", "empty-with-comment.zip"}) {
        EXPECT_TRUE(UnzipPackage(Zip(zip), m_target)) << zip;
        EXPECT_EQ(List(m_target), Listing{}) << zip;
    }
    EXPECT_FALSE(testing_support::FileExists(GetLogFilePath()));
}

TEST_F(PackageExtraction, OverwritesAFileThatIsThereAndKeepsAFolderThatIsThere) {
    WriteFile(Out("HalvoraMain.ocx"), std::string(200000, 'o'));
    fs::create_directories(Out("sub/deeper"));
    EXPECT_TRUE(UnzipPackage(Zip("package.zip"), m_target));
    EXPECT_EQ(ReadFile(Out("HalvoraMain.ocx")), ReadFile(Tree("HalvoraMain.ocx")));
    EXPECT_EQ(ReadFile(Out("sub/deeper/readme.txt")), "read me\n");
}

TEST_F(PackageExtraction, AWrongChecksumDoesNotStopTheExtraction) {
    EXPECT_TRUE(UnzipPackage(Zip("bad-crc.zip"), m_target));
    EXPECT_EQ(List(m_target), (Listing{"after.txt", "bad-crc.txt", "before.txt"}));
    EXPECT_EQ(ReadFile(Out("bad-crc.txt")), ReadFile(Expected("bad-crc/bad-crc.txt")));
    EXPECT_FALSE(testing_support::FileExists(GetLogFilePath()));
}

TEST_F(PackageExtraction, FailuresEndTheExtractionWithTheirLineAndKeepWhatWasWritten) {
    WriteFile(m_dir / "not-a-zip.zip", "PK but not really");
    struct Case {
        std::string zip;
        const char* line;
        Listing left;
    } cases[] = {
        {m_dir / "missing.zip", "解压时打开zip文件失败!", {}},
        {m_dir / "not-a-zip.zip", "解压时打开zip文件失败!", {}},
        // sub/deeper/ does not exist when its file comes.
        {Zip("no-folder-entries.zip"), "解压时打开目标文件失败!", {"HalvoraMain.ocx"}},
        // bzip2 is no method the reader can decompress.
        {Zip("bzip2.zip"), "解压时打开源文件失败!", {"ok.txt"}},
        // The end record counts one entry more than there is.
        {Zip("missing-entry.zip"), "解压时读取下一个源文件失败!", {"one.txt", "two.txt"}},
    };
    for (const Case& c : cases) {
        fs::remove_all(m_target);
        fs::create_directory(m_target);
        ResetLog();
        EXPECT_FALSE(UnzipPackage(c.zip, m_target)) << c.zip;
        EXPECT_EQ(Log(), LogOf(c.line)) << c.zip;
        EXPECT_EQ(List(m_target), c.left) << c.zip;
    }
}

TEST_F(PackageExtraction, ADamagedDeflateStreamFailsWithThePartWrittenClosed) {
    EXPECT_FALSE(UnzipPackage(Zip("bad-deflate.zip"), m_target));
    EXPECT_EQ(Log(), LogOf("解压时读取源文件失败!"));
    EXPECT_EQ(List(m_target), (Listing{"broken.txt", "first.txt"}));
    const uintmax_t partial = fs::file_size(Out("broken.txt"));
    EXPECT_GE(partial, 8192u) << "the data before the damage is written";
    EXPECT_LT(partial, 200000u);
}

TEST_F(PackageExtraction, NamesThatLeadOutOfTheTargetFolderAreRefusedBeforeAnythingIsWritten) {
    const char* zips[] = {
        "escape-parent.zip",           // ../escape.txt
        "escape-inner.zip",            // sub/../../escape.txt
        "escape-folder.zip",           // ../escape-dir/
        "escape-dotdot.zip",           // ..
        "escape-absolute.zip",         // /escape.txt
        "escape-absolute-folder.zip",  // /escape-dir/
        "escape-drive.zip",            // C:/escape.txt
        "escape-drive-relative.zip",   // c:escape.txt
        "escape-backslash.zip",        // ..\escape.txt
        "escape-backslash-inner.zip",  // sub\..\..\escape.txt
        "escape-nul.zip",              // nul, a NUL, ../escape.txt
    };
    for (const char* zip : zips) {
        fs::remove_all(m_target);
        fs::create_directory(m_target);
        ResetLog();
        EXPECT_FALSE(UnzipPackage(Zip(zip), m_target)) << zip;
        EXPECT_EQ(Log(), LogOf("解压时解析zip文件信息失败!")) << zip;
        EXPECT_EQ(List(m_target), Listing{"ok.txt"}) << zip;
        EXPECT_EQ(List(m_dir.Path()), (Listing{"work/", "work/Update/", "work/Update/ok.txt"}))
            << zip;
    }
}

TEST_F(PackageExtraction, NamesUpTo511BytesAreWrittenAndLongerOnesRefused) {
    const std::string folders = std::string(250, 'a') + "/" + std::string(250, 'b') + "/";
    EXPECT_TRUE(UnzipPackage(Zip("long-name.zip"), m_target));
    EXPECT_EQ(ReadFile(Out(folders + "ccccc.txt")), "511\n");

    fs::remove_all(m_target);
    fs::create_directory(m_target);
    EXPECT_FALSE(UnzipPackage(Zip("too-long-name.zip"), m_target));
    EXPECT_EQ(Log(), LogOf("解压时解析zip文件信息失败!"));
    EXPECT_EQ(List(m_target), (Listing{std::string(250, 'a') + "/", folders, "ok.txt"}));
}

TEST_F(PackageExtraction, AGbkNameWhoseSecondByteIsABackslashIsOneCharacter) {
    EXPECT_TRUE(UnzipPackage(Zip("gbk-name.zip"), m_target));
    EXPECT_EQ(ReadFile(Out(Gbk("文件夹") + "0000/" + Gbk("乗") + ".txt")), "gbk\n");
}

TEST_F(PackageExtraction, DataBeyondAnyRealPackageIsRefused) {
    // One entry declaring 4 GiB: refused before its file is made.
    EXPECT_FALSE(UnzipPackage(Zip("huge-entry.zip"), m_target));
    EXPECT_EQ(Log(), LogOf("解压时读取源文件失败!"));
    EXPECT_EQ(List(m_target), Listing{"ok.txt"});

    // Two entries of 600 MiB each: the second takes the package past its limit.
    fs::remove_all(m_target);
    fs::create_directory(m_target);
    ResetLog();
    EXPECT_FALSE(UnzipPackage(Zip("huge-package.zip"), m_target));
    EXPECT_EQ(Log(), LogOf("解压时读取源文件失败!"));
    EXPECT_EQ(List(m_target), Listing{"first.bin"});
}

TEST_F(PackageExtraction, DataRunningPastItsDeclaredSizeIsCutThere) {
    // The stream holds 100000 bytes; the headers declare 1000 (with their checksum).
    EXPECT_TRUE(UnzipPackage(Zip("overrun.zip"), m_target));
    EXPECT_EQ(ReadFile(Out("overrun.txt")), ReadFile(Expected("overrun/overrun.txt")));
}

TEST_F(PackageExtraction, AWriteThatFailsIsAFailure) {
    // A full disk, as /dev/full stands for it: a large entry fails as it is written, a small
    // one only when its file is closed.
    struct Case {
        const char* zip;
        const char* file;
    } cases[] = {{"package.zip", "HalvoraMain.ocx"}, {"bad-crc.zip", "before.txt"}};
    for (const Case& c : cases) {
        fs::remove_all(m_target);
        fs::create_directory(m_target);
        ResetLog();
        fs::create_symlink("/dev/full", Out(c.file));
        EXPECT_FALSE(UnzipPackage(Zip(c.zip), m_target)) << c.zip;
        EXPECT_EQ(Log(), LogOf("解压时打开目标文件失败!")) << c.zip;
        EXPECT_EQ(List(m_target), Listing{c.file}) << c.zip;
    }
}

}  // namespace
