#include "platform/ShellOpen.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace platform {
namespace {

// Starts argv[0] (searched in PATH when it has no "/") in folder, and reaps it in the
// background so that no zombie stays behind while the program runs on.
bool Spawn(const std::vector<std::string>& args, const std::string& folder) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    bool ok = true;
    if (!folder.empty()) ok = posix_spawn_file_actions_addchdir_np(&actions, folder.c_str()) == 0;
    pid_t pid = -1;
    if (ok) ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!ok) return false;
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return true;
}

}  // namespace

bool ShellOpen(std::string_view target, std::string_view workingFolder) {
    if (target.empty()) return false;
    const char* configured = std::getenv("VOREL_OPENER");
    const bool hasOpener = configured != nullptr && *configured != '\0';
    const std::string opener = hasOpener ? configured : "xdg-open";
    if (workingFolder.empty()) return Spawn({opener, std::string(target)}, std::string());

    std::string folder(workingFolder);
    std::string file = target.front() == '/'
                           ? std::string(target)
                           : folder + (folder.back() == '/' ? "" : "/") + std::string(target);
    if (hasOpener) return Spawn({opener, file}, folder);
    return Spawn({file}, folder);
}

}  // namespace platform
