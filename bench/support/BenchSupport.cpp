#include "BenchSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace bench_support {

void Fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, message.c_str());
    std::exit(2);
}

pid_t Spawn(const std::vector<std::string>& args, bool quiet) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) Fail("cannot start " + args[0]);
    return pid;
}

Sample Measure(const std::vector<std::string>& args, bool quiet) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const pid_t pid = Spawn(args, quiet);
    // Woken when the child ends, without polling; killed after 10 minutes.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    pollfd p{pidfd, POLLIN, 0};
    if (pidfd < 0 || ::poll(&p, 1, 10 * 60 * 1000) != 1) ::kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (pidfd >= 0) ::close(pidfd);
    Sample s;
    s.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    s.peakKiB = usage.ru_maxrss;
    s.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return s;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string ScratchFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/vorel-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot make a scratch folder");
    return pattern;
}

}  // namespace bench_support
