#include "support/Tinyproxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/HttpTestServer.h"

extern char** environ;

namespace testing_support {
namespace {

bool Listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

CTinyproxy::CTinyproxy(const std::string& user, const std::string& password) {
    m_nPort = UnusedPort();
    std::string config = "Port " + std::to_string(m_nPort) +
                         "\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\nAllow 127.0.0.1\n"
                         "LogLevel Info\nLogFile \"" +
                         (m_dir / "tinyproxy.log") + "\"\n";
    if (!user.empty()) config += "BasicAuth " + user + " " + password + "\n";
    WriteFile(m_dir / "tinyproxy.conf", config);

    const std::string configPath = m_dir / "tinyproxy.conf";
    const char* argv[] = {"tinyproxy", "-d", "-c", configPath.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, (m_dir / "stderr.txt").c_str(),
                                     O_WRONLY | O_CREAT, 0644);
    const int rc =
        posix_spawnp(&m_pid, "tinyproxy", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start tinyproxy (is it installed?)\n");
        std::abort();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Listening(m_nPort)) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "tinyproxy does not listen:\n%s\n",
                         ReadFile(m_dir / "stderr.txt").c_str());
            std::abort();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

CTinyproxy::~CTinyproxy() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string CTinyproxy::Log() const {
    return ReadFile(m_dir / "tinyproxy.log");
}

}  // namespace testing_support
