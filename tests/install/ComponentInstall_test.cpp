#include "install/ComponentInstall.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "common/UpdateLog.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::Gbk;
using testing_support::LogMessages;
using testing_support::ReadFile;
using testing_support::WriteFile;
using Lines = std::vector<std::string>;

// A shared object built for these tests (tests/platform/RegistrationModules.cmake).
std::string Module(std::string_view kind) {
    return std::string(VOREL_TEST_MODULE_DIR "/") + std::string(kind) + ".so";
}

// Runs body in a child process that is bound by permission bits even when it runs as root
// (it gives up the capabilities that override them). The child's exit status: 0 when body
// returned true, 1 when false, 2 when the capabilities could not be given up.
int RunBoundByPermissions(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0) {
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct data[2]{};
            if (::syscall(SYS_capget, &header, data) != 0) ::_exit(2);
            for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
                data[cap / 32].effective &= ~(1u << (cap % 32));
            if (::syscall(SYS_capset, &header, data) != 0) ::_exit(2);
        }
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

// A system folder with an old component, and an extraction folder with the new one.
class ComponentInstall : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetLog();
        fs::create_directories(m_system);
        fs::create_directories(m_extract);
        WriteFile(m_system + "/HalvoraMain.ocx", "the old component");
    }
    void TearDown() override { ResetLog(); }

    void PutNewComponent(const std::string& file) {
        fs::copy_file(file, m_extract + "/HalvoraMain.ocx", fs::copy_options::overwrite_existing);
    }
    Lines Log() const { return LogMessages(ReadFile(GetLogFilePath())); }
    std::string Installed() const { return ReadFile(m_system + "/HalvoraMain.ocx"); }

    CTempDir m_dir;
    std::string m_system = m_dir / "system32";
    std::string m_extract = m_dir / "vrn_4/Update";
    std::string m_calls = m_dir / "calls";
    CScopedEnv m_callLog{"VOREL_TEST_REGISTER_LOG", m_calls.c_str()};
};

TEST_F(ComponentInstall, CopiesTheComponentAndRegistersTheCopyInTheSystemFolder) {
    WriteFile(m_dir / "text.ocx", "not a module\n");
    struct Case {
        std::string component;
        bool installed;
        Lines log;
        bool called;
    } cases[] = {
        {Module("ok"), true, {}, true},
        {Module("s-false"), true, {}, true},  // S_FALSE counts as registered
        {Module("failure"), false, {Gbk("调用DllRegisterServer 失败#1")}, true},
        {Module("no-entry"), false, {Gbk("调用DllregisterServer 失败#2")}, false},
        {Module("missing-symbol"), false, {Gbk("装载HalvoraMain.ocx文件失败!")}, false},
        {m_dir / "text.ocx", false, {Gbk("装载HalvoraMain.ocx文件失败!")}, false},
    };
    for (const Case& c : cases) {
        ResetLog();
        fs::remove(m_calls);
        PutNewComponent(c.component);
        EXPECT_EQ(InstallComponent(m_system, m_extract), c.installed) << c.component;
        EXPECT_EQ(Log(), c.log) << c.component;
        // After a failed registration the new file stays in the system folder.
        EXPECT_EQ(Installed(), ReadFile(c.component)) << c.component;
        EXPECT_EQ(ReadFile(m_calls), c.called ? m_system + "/HalvoraMain.ocx\n" : "")
            << c.component;
    }
}

TEST_F(ComponentInstall, AWindowsComponentIsRegisteredByTheRegistrarCommand) {
    // regsvr32's exit statuses: 0 registered, 3 not loaded, 4 entry not found, 5 entry failed.
    const std::string registrar = m_dir / "regsvr";
    WriteFile(registrar, "#!/bin/sh\nexit \"$REGSVR_STATUS\"\n");
    ::chmod(registrar.c_str(), 0755);
    CScopedEnv regsvr("VOREL_REGSVR", registrar.c_str());
    PutNewComponent(testing_support::PeFixture("component-4.0.3.12.ocx"));
    struct Case {
        const char* status;
        bool installed;
        Lines log;
    } cases[] = {
        {"0", true, {}},
        {"3", false, {Gbk("装载HalvoraMain.ocx文件失败!")}},
        {"4", false, {Gbk("调用DllregisterServer 失败#2")}},
        {"5", false, {Gbk("调用DllRegisterServer 失败#1")}},
    };
    for (const Case& c : cases) {
        ResetLog();
        CScopedEnv status("REGSVR_STATUS", c.status);
        EXPECT_EQ(InstallComponent(m_system, m_extract), c.installed) << "exit " << c.status;
        EXPECT_EQ(Log(), c.log) << "exit " << c.status;
    }
    CScopedEnv none("VOREL_REGSVR", nullptr);
    ResetLog();
    EXPECT_FALSE(InstallComponent(m_system, m_extract)) << "no registrar";
    EXPECT_EQ(Log(), Lines{Gbk("装载HalvoraMain.ocx文件失败!")});
}

TEST_F(ComponentInstall, AComponentThatCannotBeReplacedStaysAndNothingIsRegistered) {
    const Lines copyFailed{Gbk("复制HalvoraPortal.ocx文件时失败，请重新启动计算机再安装!")};
    PutNewComponent(Module("ok"));

    // In use: the system keeps something in the component's place that cannot be replaced.
    fs::remove(m_system + "/HalvoraMain.ocx");
    fs::create_directories(m_system + "/HalvoraMain.ocx/held");
    EXPECT_FALSE(InstallComponent(m_system, m_extract));
    EXPECT_EQ(Log(), copyFailed);
    EXPECT_TRUE(fs::is_directory(m_system + "/HalvoraMain.ocx/held"));
    EXPECT_EQ(fs::directory_iterator(m_system)->path().filename(), "HalvoraMain.ocx")
        << "nothing left beside it";
    EXPECT_FALSE(testing_support::FileExists(m_calls)) << "not registered";

    // Nothing to copy.
    ResetLog();
    EXPECT_FALSE(CopyComponent(m_system, m_dir / "empty"));
    EXPECT_EQ(Log(), copyFailed);
}

TEST_F(ComponentInstall, AReadOnlySystemFolderKeepsTheOldComponent) {
    PutNewComponent(Module("ok"));
    ::chmod(m_system.c_str(), 0555);
    const int status = RunBoundByPermissions([&] { return InstallComponent(m_system, m_extract); });
    ::chmod(m_system.c_str(), 0755);
    ASSERT_NE(status, 2) << "could not give up the capabilities of root";
    EXPECT_EQ(status, 1) << "the copy failed";
    EXPECT_EQ(Log(), Lines{Gbk("复制HalvoraPortal.ocx文件时失败，请重新启动计算机再安装!")});
    EXPECT_EQ(Installed(), "the old component");
    EXPECT_FALSE(testing_support::FileExists(m_calls)) << "not registered";
}

}  // namespace
