// The built program started by a test as a user would start it: a copy in root/app (its log is
// written beside it), with the test's system, registry and temporary folders under root and
// the environment's proxy pointing at a local server.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testing_support {

// Makes root/{app,system32,registry,tmp} and copies the program to root/app/vorel; that path.
std::string InstallProgramCopy(const std::string& program, const std::string& root);

// The copy's environment: its folders under root, the proxy, the sanitizers' settings of the
// test (for the pass that runs the program built with them) and, with withDisplay, the
// test's display.
std::vector<std::string> ProgramEnvironment(const std::string& root, const std::string& proxyUrl,
                                            bool withDisplay);

// Starts program with the arguments after its name and exactly the given environment; the
// process id, or -1 when it cannot be started.
pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment);

// Waits for the process: its exit status, or -1 when it did not end normally within limit
// (it is killed and reaped then).
int WaitProgram(pid_t pid, std::chrono::milliseconds limit);

}  // namespace testing_support
