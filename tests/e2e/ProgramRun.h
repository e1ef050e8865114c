// The built program started as a user would start it: a copy in a folder of its own (its log
// is written beside it), with the test's system, registry and temporary folders, the proxy
// setting pointing at a local server, and recorders as the shell's opener and the registrar.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testing_support {

class CProgramRun {
  public:
    // Copies the program into root/app and prepares root/{system32,registry,tmp}.
    CProgramRun(const std::string& root, const std::string& proxyUrl);
    // Ends the program if it still runs.
    ~CProgramRun();

    // Starts the copy with the display of the test and extra "NAME=value" settings.
    bool Start(const std::vector<std::string>& extraEnvironment = {});
    // Waits up to timeoutMs for the end: the exit status, or -1 (the program is then killed).
    int Wait(int timeoutMs);
    void Kill();

    std::string Root() const { return m_root; }
    std::string Log() const { return m_root + "/app/KDUpdateLog.txt"; }
    std::string System() const { return m_root + "/system32"; }
    // Every address or file the program handed to the shell, one a line.
    std::string Opened() const;
    // Every registration, one a line ("/s <path>").
    std::string Registered() const;

  private:
    std::string m_root, m_proxyUrl;
    pid_t m_pid = -1;
};

}  // namespace testing_support
