// The component file replaced while it is read for its version, by a rename over it or by
// rewriting it in place: every reading is one of the files' versions or a clear failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/Texts.h"
#include "common/UpdateLog.h"
#include "support/TestSupport.h"
#include "update/ComponentVersion.h"

namespace {

using testing_support::CTempDir;
using testing_support::LogMessages;
using testing_support::PeFixture;
using testing_support::ReadFile;
using testing_support::WriteFile;

void Rewrite(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    // In small pieces, so that a reader can meet the file half written.
    for (std::size_t at = 0; at < bytes.size(); at += 512)
        ASSERT_GT(::write(fd, bytes.data() + at, std::min<std::size_t>(512, bytes.size() - at)), 0);
    ::close(fd);
}

TEST(ComponentVersionFaults, AFileReplacedWhileItIsReadGivesAVersionOrAFailure) {
    CTempDir root;
    const std::string path = root / "HalvoraMain.ocx";
    const std::string current = ReadFile(PeFixture("component-4.0.3.12.ocx"));
    const std::vector<std::string> replacements = {
        ReadFile(PeFixture("component-65535.ocx")),
        ReadFile(PeFixture("no-version.dll")),
        current.substr(0, current.size() / 3),  // cut short
        "not a component at all",
        "",
    };
    for (bool inPlace : {false, true}) {
        WriteFile(path, current);
        ResetLog();
        std::atomic<bool> stop = false;
        std::thread replacer([&] {
            for (std::size_t i = 0; !stop; ++i) {
                const std::string& bytes =
                    i % 2 == 0 ? current : replacements[(i / 2) % replacements.size()];
                if (inPlace) {
                    Rewrite(path, bytes);
                } else {
                    WriteFile(path + ".new", bytes);
                    ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
                }
                // A moment with the file whole, so that readers meet whole files too.
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        std::map<std::string, int> readings;
        for (int i = 0; i < 3000; ++i) ++readings[GetOCXVersion(path)];
        stop = true;
        replacer.join();

        const char* mode = inPlace ? "rewritten in place" : "renamed over";
        for (const auto& [version, count] : readings)
            EXPECT_TRUE(version == "4.0.3.12" || version == "65535.0.65535.7" || version.empty())
                << mode << ": " << version << " read " << count << " times";
        EXPECT_GT(readings["4.0.3.12"], 0) << mode << ": the file was read whole at times";
        EXPECT_GT(readings[""], 0) << mode << ": and replaced while it was read";
        for (const std::string& line : LogMessages(ReadFile(GetLogFilePath())))
            EXPECT_TRUE(line == std::string(texts::kVersionInfoSizeFailed) + path ||
                        line == std::string(texts::kVersionInfoFailed) + path)
                << mode << ": " << line;
    }
    ResetLog();
}

}  // namespace
