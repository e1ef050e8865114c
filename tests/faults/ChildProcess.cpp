#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

namespace faults {

ChildResult RunInChild(const std::function<int(int out)>& body, std::chrono::milliseconds limit) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) std::abort();
    const pid_t pid = ::fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        ::close(fds[0]);
        const int status = body(fds[1]);
        ::close(fds[1]);
        ::_exit(status);
    }
    ::close(fds[1]);
    ChildResult result;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool killed = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        result.output.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!killed && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

pid_t StartChild(const std::function<void()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    return pid;
}

bool KillChild(pid_t child) {
    ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

void LimitFileSize(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) std::abort();
}

void WriteAll(int fd, const std::string& text) {
    std::string_view rest = text;
    while (!rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        rest.remove_prefix(static_cast<size_t>(n));
    }
}

}  // namespace faults
