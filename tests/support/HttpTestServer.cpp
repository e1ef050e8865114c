#include "support/HttpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr std::size_t kEndlessCap = std::size_t{1} << 30;  // an endless body still ends
constexpr auto kIoTimeout = std::chrono::seconds(10);
constexpr auto kStallLimit = std::chrono::seconds(60);

int ListenOnLoopback(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) std::abort();
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        std::abort();
    port = ntohs(addr.sin_port);
    return fd;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 407:
            return "Proxy Authentication Required";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

ReceivedRequest ParseHead(std::string_view head) {
    ReceivedRequest r;
    std::size_t end = head.find("\r\n");
    std::string_view line = head.substr(0, end);
    const std::size_t s1 = line.find(' ');
    const std::size_t s2 = line.find(' ', s1 == std::string_view::npos ? line.size() : s1 + 1);
    r.method = std::string(line.substr(0, s1));
    if (s1 != std::string_view::npos) r.target = std::string(line.substr(s1 + 1, s2 - s1 - 1));
    if (s2 != std::string_view::npos) r.version = std::string(line.substr(s2 + 1));
    std::string_view target = r.target;
    if (target.starts_with("http://")) {
        r.absoluteForm = true;
        target.remove_prefix(7);
        const std::size_t slash = target.find('/');
        r.targetHost = std::string(target.substr(0, slash));
        r.path = slash == std::string_view::npos ? "/" : std::string(target.substr(slash));
    } else {
        r.path = r.target;
    }
    while (end != std::string_view::npos) {
        head.remove_prefix(end + 2);
        end = head.find("\r\n");
        line = head.substr(0, end);
        if (line.empty()) break;
        const std::size_t colon = line.find(':');
        r.headers.emplace_back(
            std::string(line.substr(0, colon)),
            colon == std::string_view::npos ? "" : std::string(Trim(line.substr(colon + 1))));
    }
    return r;
}

}  // namespace

HttpReply HttpReply::Text(std::string body) {
    HttpReply r;
    r.body = std::move(body);
    return r;
}

HttpReply HttpReply::Pattern(std::size_t size) {
    HttpReply r;
    r.patternSize = size;
    return r;
}

HttpReply HttpReply::Endless() {
    HttpReply r;
    r.endless = true;
    return r;
}

HttpReply HttpReply::Silent() {
    HttpReply r;
    r.silent = true;
    return r;
}

HttpReply HttpReply::WithStatus(int code) const {
    HttpReply r = *this;
    r.status = code;
    return r;
}

HttpReply HttpReply::WithHeader(std::string line) const {
    HttpReply r = *this;
    r.headers.push_back(std::move(line));
    return r;
}

HttpReply HttpReply::WithoutLength() const {
    HttpReply r = *this;
    r.contentLength = false;
    return r;
}

HttpReply HttpReply::DroppedAfter(std::size_t bytes) const {
    HttpReply r = *this;
    r.cutAfter = bytes;
    r.stallAtCut = false;
    return r;
}

HttpReply HttpReply::StalledAfter(std::size_t bytes) const {
    HttpReply r = *this;
    r.cutAfter = bytes;
    r.stallAtCut = true;
    return r;
}

HttpReply HttpReply::Trickled(std::size_t bytesPerPiece, int pause) const {
    HttpReply r = *this;
    r.pieceSize = bytesPerPiece;
    r.pauseMs = pause;
    return r;
}

std::vector<std::string> ReceivedRequest::Header(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [n, v] : headers)
        if (Lower(n) == Lower(name)) values.push_back(v);
    return values;
}

std::string PatternBytes(std::size_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t k = offset + i;
        bytes[i] = static_cast<char>((k * 31 + (k >> 9)) & 0xFF);
    }
    return bytes;
}

int UnusedPort() {
    int port = 0;
    ::close(ListenOnLoopback(port));
    return port;
}

CHttpTestServer::CHttpTestServer() {
    m_nListen = ListenOnLoopback(m_nPort);
    if (::listen(m_nListen, 16) != 0) std::abort();
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

CHttpTestServer::~CHttpTestServer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_acceptor.join();
    ::close(m_nListen);
    std::vector<std::thread> connections;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        connections.swap(m_connections);
    }
    for (std::thread& t : connections) t.join();
}

std::string CHttpTestServer::Url() const {
    return "http://127.0.0.1:" + std::to_string(m_nPort);
}

void CHttpTestServer::Serve(const std::string& path, HttpReply reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replies[path] = std::move(reply);
}

std::vector<ReceivedRequest> CHttpTestServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool CHttpTestServer::Stopping() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bStop;
}

void CHttpTestServer::AcceptLoop() {
    while (!Stopping()) {
        pollfd p{m_nListen, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept4(m_nListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connections.emplace_back([this, fd] {
            Handle(fd);
            ::close(fd);
        });
    }
}

void CHttpTestServer::Handle(int fd) {
    std::string head;
    const auto deadline = Clock::now() + kIoTimeout;
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (Stopping() || Clock::now() > deadline || head.size() > kMaxHead) return;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    head.resize(head.find("\r\n\r\n") + 2);
    ReceivedRequest request = ParseHead(head);

    HttpReply reply;
    reply.status = 404;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
        if (auto it = m_replies.find(request.path); it != m_replies.end()) reply = it->second;
    }
    SendReply(fd, reply);
}

void CHttpTestServer::SendReply(int fd, const HttpReply& reply) {
    // Waits until the client goes, the server stops, or the stall limit passes.
    auto stall = [&] {
        const auto until = Clock::now() + kStallLimit;
        while (!Stopping() && Clock::now() < until) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            char buffer[4096];
            if (::recv(fd, buffer, sizeof buffer, 0) <= 0) return;
        }
    };
    auto sendAll = [&](std::string_view bytes) {
        auto deadline = Clock::now() + kIoTimeout;
        while (!bytes.empty()) {
            if (Stopping() || Clock::now() > deadline) return false;
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
            deadline = Clock::now() + kIoTimeout;
        }
        return true;
    };

    if (reply.silent) return stall();

    const bool generated = reply.endless || reply.patternSize > 0;
    const std::size_t size = reply.endless ? kEndlessCap
                             : generated   ? reply.patternSize
                                           : reply.body.size();
    std::string head =
        "HTTP/1.0 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
    if (reply.contentLength && !reply.endless)
        head += "Content-Length: " + std::to_string(size) + "\r\n";
    for (const std::string& line : reply.headers) head += line + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (!sendAll(head)) return;

    for (std::size_t sent = 0; sent < size;) {
        std::size_t piece = std::min(reply.pieceSize, size - sent);
        if (reply.cutAfter != std::string::npos) {
            if (sent >= reply.cutAfter) return reply.stallAtCut ? stall() : void();
            piece = std::min(piece, reply.cutAfter - sent);
        }
        if (reply.pauseMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMs));
        const std::string bytes =
            generated ? PatternBytes(sent, piece) : reply.body.substr(sent, piece);
        if (!sendAll(bytes)) return;
        sent += piece;
    }
    if (reply.cutAfter != std::string::npos && reply.cutAfter <= size && reply.stallAtCut) stall();
}

}  // namespace testing_support
