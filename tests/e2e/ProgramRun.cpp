#include "ProgramRun.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>

#include "support/ProgramProcess.h"
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
    InstallProgramCopy(VOREL_PROGRAM, root);
    WriteScript(root + "/opener", "printf '%s\\n' \"$1\" >> '" + root + "/opened'\n");
    WriteScript(root + "/registrar", "printf '%s\\n' \"$*\" >> '" + root + "/registered'\n");
}

CProgramRun::~CProgramRun() {
    Kill();
}

bool CProgramRun::Start(const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> env = ProgramEnvironment(m_root, m_proxyUrl, true);
    env.push_back("VOREL_OPENER=" + m_root + "/opener");
    env.push_back("VOREL_REGSVR=" + m_root + "/registrar");
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    m_pid = SpawnProgram(m_root + "/app/vorel", {}, env);
    return m_pid > 0;
}

int CProgramRun::Wait(int timeoutMs) {
    const int status = WaitProgram(m_pid, std::chrono::milliseconds(timeoutMs));
    m_pid = -1;
    return status;
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
