#include "platform/ComponentRegistrar.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/TestSupport.h"

namespace {

using platform::RegistrationResult;
using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::ReadFile;
using testing_support::WriteFile;

// A shared object built for these tests (RegistrationModules.cmake).
std::string Module(std::string_view kind) {
    return std::string(VOREL_TEST_MODULE_DIR "/") + std::string(kind) + ".so";
}

const char* Describe(RegistrationResult result) {
    switch (result) {
        case RegistrationResult::kRegistered:
            return "registered";
        case RegistrationResult::kNotLoaded:
            return "not loaded";
        case RegistrationResult::kEntryMissing:
            return "entry missing";
        case RegistrationResult::kEntryFailed:
            return "entry failed";
    }
    return "?";
}

// A stand-in for regsvr32: writes its arguments, one a line, to $REGSVR_ARGS and exits with
// $REGSVR_STATUS ("signal": ends by a signal instead).
std::string WriteRegistrar(const CTempDir& dir) {
    const std::string path = dir / "regsvr";
    WriteFile(path,
              "#!/bin/sh\n"
              "printf '%s\\n' \"$@\" > \"$REGSVR_ARGS\"\n"
              "[ \"$REGSVR_STATUS\" = signal ] && kill -KILL $$\n"
              "exit \"$REGSVR_STATUS\"\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

TEST(ComponentRegistrar, CallsTheEntryOfANativeModuleAndReadsItsResult) {
    CTempDir dir;
    const std::string calls = dir / "calls";
    CScopedEnv log("VOREL_TEST_REGISTER_LOG", calls.c_str());
    CScopedEnv noRegistrar("VOREL_REGSVR", "/bin/false");  // never used for a native module
    WriteFile(dir / "text.ocx", "not a module\n");
    struct Case {
        std::string module;
        RegistrationResult result;
        bool called;
    } cases[] = {
        {Module("ok"), RegistrationResult::kRegistered, true},
        {Module("s-false"), RegistrationResult::kRegistered, true},  // S_FALSE is a success
        {Module("failure"), RegistrationResult::kEntryFailed, true},
        {Module("no-entry"), RegistrationResult::kEntryMissing, false},
        {Module("missing-symbol"), RegistrationResult::kNotLoaded,
         false},  // a dependency is missing
        {dir / "text.ocx", RegistrationResult::kNotLoaded, false},
        {dir / "missing.ocx", RegistrationResult::kNotLoaded, false},
    };
    for (const Case& c : cases) {
        // Installed under the component's own name, as the updater registers it.
        const std::string installed = dir / "HalvoraMain.ocx";
        std::filesystem::remove(installed);
        std::filesystem::remove(calls);
        if (testing_support::FileExists(c.module)) std::filesystem::copy_file(c.module, installed);
        EXPECT_STREQ(Describe(platform::RegisterServer(installed)), Describe(c.result)) << c.module;
        EXPECT_EQ(ReadFile(calls), c.called ? installed + "\n" : "")
            << c.module << ": called once, in that copy";
    }
}

TEST(ComponentRegistrar, HandsAWindowsImageToTheRegistrarAndReadsItsExitStatus) {
    CTempDir dir;
    const std::string arguments = dir / "arguments";
    CScopedEnv registrar("VOREL_REGSVR", WriteRegistrar(dir).c_str());
    CScopedEnv argumentsFile("REGSVR_ARGS", arguments.c_str());
    // A folder name that a shell would split and run.
    std::filesystem::create_directory(dir / "system 32;true");
    const std::string component = dir / "system 32;true/HalvoraMain.ocx";
    std::filesystem::copy_file(testing_support::PeFixture("component-4.0.3.12.ocx"), component);
    struct Case {
        const char* status;
        RegistrationResult result;
    } cases[] = {
        {"0", RegistrationResult::kRegistered},   {"3", RegistrationResult::kNotLoaded},
        {"4", RegistrationResult::kEntryMissing}, {"5", RegistrationResult::kEntryFailed},
        {"1", RegistrationResult::kNotLoaded},    {"signal", RegistrationResult::kNotLoaded},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(arguments);
        CScopedEnv status("REGSVR_STATUS", c.status);
        EXPECT_STREQ(Describe(platform::RegisterServer(component)), Describe(c.result))
            << "exit " << c.status;
        EXPECT_EQ(ReadFile(arguments), "/s\n" + component + "\n")
            << "one argument each, no shell in between";
    }
}

TEST(ComponentRegistrar, AWindowsImageWithoutARegistrarIsNotLoaded) {
    CTempDir dir;
    const std::string component = testing_support::PeFixture("component-4.0.3.12.ocx");
    {
        CScopedEnv none("VOREL_REGSVR", nullptr);
        EXPECT_EQ(platform::RegisterServer(component), RegistrationResult::kNotLoaded);
    }
    {
        CScopedEnv empty("VOREL_REGSVR", "");
        EXPECT_EQ(platform::RegisterServer(component), RegistrationResult::kNotLoaded);
    }
    {
        CScopedEnv missing("VOREL_REGSVR", (dir / "no-such-registrar").c_str());
        EXPECT_EQ(platform::RegisterServer(component), RegistrationResult::kNotLoaded);
    }
}

}  // namespace
