// The pieces of one HTTP request inside the engine: its session and the failures it raises.
// Nothing here leaves net/: HttpRequest turns every failure into a result and an error text.
#pragma once

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <string>

// A failure the engine raises itself. Codes: 1 the body could not be kept (no memory, the
// size bound, or the transfer was called off), 2 a status other than 200 and 407, 3 407.
class CAppException : public std::exception {
  public:
    explicit CAppException(int errorCode) : m_nErrorCode(errorCode) {}
    int ErrorCode() const { return m_nErrorCode; }
    const char* what() const noexcept override { return "CAppException"; }

  private:
    int m_nErrorCode;
    std::string m_strMessage;  // left empty
};

// A failure of the HTTP client: connecting, sending, or receiving the status or the body.
class CInternetException : public std::exception {
  public:
    explicit CInternetException(CURLcode code) : m_code(code) {}
    CURLcode Code() const { return m_code; }
    const char* what() const noexcept override { return curl_easy_strerror(m_code); }

  private:
    CURLcode m_code;
};

// How a session reaches the network.
enum class ProxyAccess {
    Preconfigured,  // the system's settings: the environment's proxy variables
    Direct,         // no proxy at all
    Named,          // the one proxy named, with no bypass list
};

// One request's internet session: a libcurl handle set up with the agent text, the access
// mode and the engine's fixed options. Each request makes and destroys its own.
class CHttpSession {
  public:
    // Opens the session; IsOpen() is false when the HTTP client could not make one.
    CHttpSession(ProxyAccess access, const std::string& proxyName);

    bool IsOpen() const { return m_handle != nullptr; }
    CURL* Handle() const { return m_handle.get(); }

  private:
    struct Deleter {
        void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    };
    std::unique_ptr<CURL, Deleter> m_handle;
};
