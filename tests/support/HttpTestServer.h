// An HTTP server on 127.0.0.1 for the tests: it answers each path as told, records every
// request as it arrived, and also answers absolute-form targets ("GET http://host/path"),
// so that it can stand in for the update server behind the environment's proxy setting.
// Every connection it serves ends by itself (time-outs everywhere).
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

// What the server sends for one path. Made with one of the makers and adjusted with the
// With... calls, such as HttpReply::Text("x").WithStatus(404).
struct HttpReply {
    int status = 200;
    std::string body;
    std::size_t patternSize = 0;       // when set: a body of that many PatternBytes instead
    bool endless = false;              // PatternBytes without end or length, until the client goes
    bool contentLength = true;         // send a Content-Length header
    std::vector<std::string> headers;  // extra header lines, such as "Location: /other"
    bool silent = false;               // read the request, then send nothing at all
    std::size_t cutAfter = std::string::npos;  // after that many body bytes ...
    bool stallAtCut = false;                   // ... stall (true) or close the connection (false)
    std::size_t pieceSize = 64 * 1024;         // the body goes out in pieces of this size ...
    int pauseMs = 0;                           // ... with this pause before each piece

    static HttpReply Text(std::string body);
    static HttpReply Pattern(std::size_t size);
    static HttpReply Endless();
    static HttpReply Silent();
    HttpReply WithStatus(int code) const;
    HttpReply WithHeader(std::string line) const;
    HttpReply WithoutLength() const;
    HttpReply DroppedAfter(std::size_t bytes) const;
    HttpReply StalledAfter(std::size_t bytes) const;
    HttpReply Trickled(std::size_t bytesPerPiece, int pauseMs) const;
};

// One request as it arrived.
struct ReceivedRequest {
    std::string method, target, version;
    bool absoluteForm = false;  // the target was "http://host[:port]/path"
    std::string targetHost;     // host[:port] of an absolute-form target
    std::string path;           // path of the target
    std::vector<std::pair<std::string, std::string>> headers;  // in order, as sent

    // The values of every header of that name (any letter case).
    std::vector<std::string> Header(std::string_view name) const;
};

// The bytes of a generated body: byte i is a fixed function of i, NUL bytes included.
std::string PatternBytes(std::size_t offset, std::size_t count);

class CHttpTestServer {
  public:
    // Listens on a free port of 127.0.0.1 and serves in threads of its own.
    CHttpTestServer();
    // Stops listening, ends stalled connections and waits for every thread.
    ~CHttpTestServer();
    CHttpTestServer(const CHttpTestServer&) = delete;
    CHttpTestServer& operator=(const CHttpTestServer&) = delete;

    int Port() const { return m_nPort; }
    // "http://127.0.0.1:<port>", for a proxy setting.
    std::string Url() const;

    // What to answer for a path (the path of the target, with its query). Other paths get 404.
    void Serve(const std::string& path, HttpReply reply);

    // Every request received so far, in the order of arrival.
    std::vector<ReceivedRequest> Requests() const;

  private:
    void AcceptLoop();
    void Handle(int fd);
    void SendReply(int fd, const HttpReply& reply);
    bool Stopping() const;

    int m_nListen = -1;
    int m_nPort = 0;
    mutable std::mutex m_mutex;
    bool m_bStop = false;
    std::map<std::string, HttpReply> m_replies;
    std::vector<ReceivedRequest> m_requests;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};

// A port of 127.0.0.1 on which nothing listens (at the moment of the call).
int UnusedPort();

}  // namespace testing_support
