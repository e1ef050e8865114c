// The engine receiving any response through a local socket: the status line, the headers and
// the body exactly as the input gives them, cut wherever the input ends (the server closes
// the connection there). Input: one byte of options, then the response bytes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "FuzzSupport.h"
#include "common/Texts.h"
#include "net/HttpRequest.h"

using fuzz_support::Require;

namespace {

int g_nListen = -1;
std::string g_strPort;

bool WaitFor(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, ms) == 1;
}

// Serves one connection: reads the request head, sends the response, closes.
void ServeOnce(std::string_view response) {
    if (!WaitFor(g_nListen, POLLIN, 5000)) return;
    const int fd = ::accept4(g_nListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && WaitFor(fd, POLLIN, 5000)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    while (!response.empty() && WaitFor(fd, POLLOUT, 5000)) {
        const ssize_t n = ::send(fd, response.data(), response.size(), MSG_NOSIGNAL);
        if (n <= 0) break;
        response.remove_prefix(static_cast<std::size_t>(n));
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

bool IsEngineErrorText(std::string_view text) {
    for (std::string_view known :
         {texts::kHttpNoMemory, texts::kHttpStatusNotOk, texts::kHttpProxyAuth,
          texts::kHttpOtherAppError, texts::kHttpCheckLine, texts::kHttpOtherError})
        if (text == texts::Gbk(known)) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Straight to the local server: no proxy of the environment, no stored settings.
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
        ::unsetenv(name);
    const std::string registry = fuzz_support::ScratchFolder() + "/registry";
    ::mkdir(registry.c_str(), 0700);
    ::setenv("VOREL_REGISTRY_DIR", registry.c_str(), 1);
    SetStallTimeoutForTesting(std::chrono::seconds(3));

    g_nListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (g_nListen < 0 || ::bind(g_nListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(g_nListen, 16) != 0 ||
        ::getsockname(g_nListen, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        std::perror("listen");
        std::abort();
    }
    g_strPort = std::to_string(ntohs(addr.sin_port));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t options = data[0];
    const std::string_view response = fuzz_support::AsText(data + 1, size - 1);

    // With a progress record (an install file) or without one (the manifest); the transfer
    // called off by the progress dialog's close button now and then.
    TransferProgress progress;
    progress.expectedKB = static_cast<float>(options >> 2);
    progress.stage = options & 1;
    g_nContinueUpdate = (options & 0x82) == 0x82 ? 0 : 1;

    std::thread server(ServeOnce, response);
    CByteBuffer body;
    int length = -1;
    const bool ok = HttpRequest("127.0.0.1", g_strPort.c_str(), "/download/KD/KdVorelV2.xml", body,
                                length, (options & 2) != 0 ? &progress : nullptr);
    server.join();
    g_nContinueUpdate = 1;

    if (ok) {
        Require(length >= 0 && static_cast<std::size_t>(length) == body.Size(),
                "the length is the body's");
        Require(body.Size() <= BodyLimit((options & 2) != 0 ? &progress : nullptr),
                "a body stays within its limit");
        const std::string lower = Lower(response);
        if (lower.find("chunked") == std::string::npos &&
            lower.find("encoding") == std::string::npos)
            Require(response.find(body.View()) != std::string_view::npos,
                    "the body is bytes the server sent");
    } else {
        Require(length > 0 && static_cast<std::size_t>(length) == body.Size() &&
                    body.View().back() == '\0',
                "a failure hands over a NUL-terminated text");
        Require(IsEngineErrorText(body.View().substr(0, body.Size() - 1)),
                "a failure is one of the engine's texts");
    }
    return 0;
}
