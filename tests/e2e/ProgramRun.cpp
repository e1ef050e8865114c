#include "ProgramRun.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"

namespace testing_support {
namespace {

void WriteScript(const std::string& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

}  // namespace

CProgramRun::CProgramRun(const std::string& root, const std::string& proxyUrl)
    : m_root(root), m_proxyUrl(proxyUrl) {
    for (const char* folder : {"app", "system32", "registry", "tmp"})
        std::filesystem::create_directories(root + "/" + folder);
    std::filesystem::copy_file(VOREL_PROGRAM, root + "/app/vorel",
                               std::filesystem::copy_options::overwrite_existing);
    WriteScript(root + "/opener", "printf '%s\\n' \"$1\" >> '" + root + "/opened'\n");
    WriteScript(root + "/registrar", "printf '%s\\n' \"$*\" >> '" + root + "/registered'\n");
}

CProgramRun::~CProgramRun() {
    Kill();
}

bool CProgramRun::Start(const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> env = {
        "PATH=/usr/bin:/bin",
        "HOME=" + m_root,
        "VOREL_SYSTEM_DIR=" + m_root + "/system32",
        "VOREL_REGISTRY_DIR=" + m_root + "/registry",
        "TMPDIR=" + m_root + "/tmp",
        "VOREL_OPENER=" + m_root + "/opener",
        "VOREL_REGSVR=" + m_root + "/registrar",
        "http_proxy=" + m_proxyUrl,
    };
    // The sanitizers' settings too, for the pass that runs the program built with them.
    for (const char* inherited :
         {"DISPLAY", "XAUTHORITY", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(inherited))
            env.push_back(std::string(inherited) + "=" + value);
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::string program = m_root + "/app/vorel";
    std::vector<char*> argv = {program.data(), nullptr}, envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    return posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) == 0;
}

int CProgramRun::Wait(int timeoutMs) {
    if (m_pid <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            Kill();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void CProgramRun::Kill() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

std::string CProgramRun::Opened() const {
    return ReadFile(m_root + "/opened");
}
std::string CProgramRun::Registered() const {
    return ReadFile(m_root + "/registered");
}

}  // namespace testing_support
