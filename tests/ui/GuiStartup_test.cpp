#include "ui/GuiStartup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace {

using testing_support::CScopedEnv;

// The program's log would be written beside the running test program.
std::string LogBesideProgram() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "KDUpdateLog.txt")
        .string();
}

TEST(GuiStartup, WithoutADisplayItSaysSoOnStandardErrorOnly) {
    std::filesystem::remove(LogBesideProgram());
    CScopedEnv noWayland("WAYLAND_DISPLAY", nullptr);
    const char* displays[] = {nullptr, ":4093", "no-such-host.invalid:0"};
    for (const char* display : displays) {
        CScopedEnv env("DISPLAY", display);
        testing::internal::CaptureStderr();
        const bool started = ui::StartGui();
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(started) << (display ? display : "unset");
        EXPECT_NE(message.find("vorel: cannot open the X display"), std::string::npos) << message;
        EXPECT_NE(message.find("update window cannot be shown"), std::string::npos) << message;
        if (display) {
            EXPECT_NE(message.find(display), std::string::npos) << message;
        }
        ui::StopGui();  // nothing to stop
    }
    EXPECT_FALSE(testing_support::FileExists(LogBesideProgram())) << "nothing goes to the log";
}

}  // namespace
