// Downloads a 256 MiB install file from nginx on 127.0.0.1 with HttpDownload, storing it
// as the update sequence stores a download (the whole body, one file, written in one go),
// against curl's command line writing the same file into the same folder. Both go the
// program's way to port 80: through the environment's proxy setting, which points at nginx.
// The runs alternate; each run is a process of its own, so its peak resident memory is its
// own. Prints the medians, the throughput ratio and peak memory against the body size.
//
// bench_download [--runs N] [--size-mib M]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "net/HttpRequest.h"
#include "support/BenchSupport.h"

namespace {

using bench_support::Fail;
using bench_support::Measure;
using bench_support::Median;
using bench_support::Sample;

using Clock = std::chrono::steady_clock;

constexpr const char* kHost = "download.halvora.example";
constexpr const char* kPath = "/download/KD/KdSetup.exe";

// Writes front to back in pieces of 64 KiB. One write() of the whole body is much slower
// on some kernels and file systems (on the VM this was measured on, a single 256 MiB write
// took 1.5 s, 64 KiB writes 0.1 s), so a body is stored in pieces.
bool WriteAll(int fd, const char* data, std::size_t size) {
    constexpr std::size_t kPiece = 64 * 1024;
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::min(size, kPiece));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The child of one run of ours: fetch and store as the update sequence does.
int FetchAndStore(const char* out, float expectedKB) {
    TransferProgress progress;
    progress.expectedKB = expectedKB;
    CByteBuffer body;
    int length = 0;
    if (HttpDownload(kHost, kPath, body, length, &progress) != 0) {
        std::fprintf(stderr, "HttpDownload failed: %s\n",
                     body.Data() != nullptr ? body.Data() : "");
        return 1;
    }
    const int fd = ::open(out, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return 1;
    const bool ok = WriteAll(fd, body.Data(), static_cast<std::size_t>(length));
    return ::close(fd) == 0 && ok ? 0 : 1;
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        Fail("no free port");
    ::close(fd);
    return ntohs(addr.sin_port);
}

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

// nginx with a configuration of its own, serving one folder on 127.0.0.1.
class CNginx {
  public:
    CNginx(const std::string& dir, const std::string& root) {
        m_nPort = FreePort();
        const std::string conf = dir + "/nginx.conf";
        std::filesystem::create_directories(dir + "/temp");
        FILE* f = std::fopen(conf.c_str(), "w");
        if (f == nullptr) Fail("cannot write " + conf);
        std::fprintf(f,
                     "daemon off;\nmaster_process off;\nworker_processes 1;\npid %s/nginx.pid;\n"
                     "error_log %s/error.log;\nevents { worker_connections 64; }\n"
                     "http {\n  access_log off;\n  sendfile on;\n  tcp_nopush on;\n"
                     "  default_type application/octet-stream;\n"
                     "  client_body_temp_path %s/temp/body;\n  proxy_temp_path %s/temp/proxy;\n"
                     "  fastcgi_temp_path %s/temp/fastcgi;\n  uwsgi_temp_path %s/temp/uwsgi;\n"
                     "  scgi_temp_path %s/temp/scgi;\n"
                     "  server { listen 127.0.0.1:%d default_server; root %s; }\n}\n",
                     dir.c_str(), dir.c_str(), dir.c_str(), dir.c_str(), dir.c_str(), dir.c_str(),
                     dir.c_str(), m_nPort, root.c_str());
        std::fclose(f);
        m_pid =
            bench_support::Spawn({"nginx", "-p", dir + "/", "-e", dir + "/error.log", "-c", conf});
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
        while (!Listening(m_nPort)) {
            if (Clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                Fail("nginx does not listen; see " + dir + "/error.log");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~CNginx() {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    int Port() const { return m_nPort; }

  private:
    int m_nPort = 0;
    pid_t m_pid = -1;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--fetch") == 0)
        return FetchAndStore(argv[2], std::strtof(argv[3], nullptr));

    int runs = 7;
    std::size_t sizeMiB = 256;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--size-mib") == 0)
            sizeMiB = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
    }
    const std::size_t size = sizeMiB << 20;

    const std::string dir = bench_support::ScratchFolder();
    const std::string root = dir + "/www";
    const std::string file = root + kPath;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    {
        // Incompressible bytes, although nothing on the way compresses.
        std::vector<uint64_t> block((4u << 20) / 8);
        std::mt19937_64 random(42);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (std::size_t written = 0; written < size; written += block.size() * 8) {
            for (uint64_t& word : block) word = random();
            if (!WriteAll(fd, reinterpret_cast<const char*>(block.data()),
                          std::min(block.size() * 8, size - written)))
                Fail("cannot write the install file");
        }
        ::close(fd);
    }

    CNginx nginx(dir, root);
    const std::string proxy = "http://127.0.0.1:" + std::to_string(nginx.Port());
    ::setenv("http_proxy", proxy.c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    ::unsetenv("all_proxy");
    ::unsetenv("ALL_PROXY");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string out = dir + "/KdSetup.exe";
    const std::string expectedKB = std::to_string(static_cast<double>(size) / 1024);
    const std::string url = std::string("http://") + kHost + kPath;

    std::vector<double> ourTimes, curlTimes;
    std::vector<long> ourPeaks, curlPeaks;
    std::printf("%zu MiB from nginx %s through http_proxy, %d runs each, alternating\n", sizeMiB,
                proxy.c_str(), runs);
    for (int run = 0; run < 2 * runs; ++run) {
        const bool ours = (run % 2 == 0) == (run / 2 % 2 == 0);  // ours, curl, curl, ours, ...
        std::filesystem::remove(out);
        const Sample s = ours ? Measure({self, "--fetch", out, expectedKB})
                              : Measure({"curl", "-sS", "--fail", "-o", out, url});
        std::error_code ec;
        const bool complete = s.ok && std::filesystem::file_size(out, ec) == size;
        std::printf("  %-13s %7.3f s  %8.1f MiB/s  peak %7.1f MiB%s\n",
                    ours ? "HttpDownload" : "curl -o", s.seconds, sizeMiB / s.seconds,
                    s.peakKiB / 1024.0, complete ? "" : "  FAILED");
        if (!complete) Fail("a download failed");
        (ours ? ourTimes : curlTimes).push_back(s.seconds);
        (ours ? ourPeaks : curlPeaks).push_back(s.peakKiB);
    }
    std::filesystem::remove(out);

    const double ourMedian = Median(ourTimes);
    const double curlMedian = Median(curlTimes);
    const long ourPeak = *std::max_element(ourPeaks.begin(), ourPeaks.end());
    const long curlPeak = *std::max_element(curlPeaks.begin(), curlPeaks.end());
    const double body = static_cast<double>(size) / 1024;  // KiB
    std::printf("median time: HttpDownload %.3f s (%.1f MiB/s), curl %.3f s (%.1f MiB/s)\n",
                ourMedian, sizeMiB / ourMedian, curlMedian, sizeMiB / curlMedian);
    std::printf("throughput of HttpDownload / curl (ratio of medians): %.2f  (target >= 0.90)\n",
                curlMedian / ourMedian);
    std::printf(
        "peak resident memory: HttpDownload %.1f MiB = %.2f x body, curl %.1f MiB  (target <= 1.30 "
        "x body)\n",
        ourPeak / 1024.0, ourPeak / body, curlPeak / 1024.0);
    std::filesystem::remove_all(dir);
    return 0;
}
