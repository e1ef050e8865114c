#include "ProgramProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace testing_support {

std::string InstallProgramCopy(const std::string& program, const std::string& root) {
    for (const char* folder : {"app", "system32", "registry", "tmp"})
        std::filesystem::create_directories(root + "/" + folder);
    const std::string copy = root + "/app/vorel";
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

std::vector<std::string> ProgramEnvironment(const std::string& root, const std::string& proxyUrl,
                                            bool withDisplay) {
    std::vector<std::string> env = {
        "PATH=/usr/bin:/bin",
        "HOME=" + root,
        "VOREL_SYSTEM_DIR=" + root + "/system32",
        "VOREL_REGISTRY_DIR=" + root + "/registry",
        "TMPDIR=" + root + "/tmp",
        "http_proxy=" + proxyUrl,
    };
    std::vector<const char*> inherited = {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"};
    if (withDisplay) inherited.insert(inherited.end(), {"DISPLAY", "XAUTHORITY"});
    for (const char* name : inherited)
        if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    return env;
}

pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment) {
    std::vector<std::string> argStrings = {program}, envStrings = environment;
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (std::string& a : argStrings) argv.push_back(a.data());
    for (std::string& e : envStrings) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
        return -1;
    return pid;
}

int WaitProgram(pid_t pid, std::chrono::milliseconds limit) {
    if (pid <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (ended < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testing_support
