#include "net/HttpRequest.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "common/Texts.h"
#include "net/HttpSession.h"
#include "net/MessagePump.h"
#include "net/ProxySettings.h"

int g_nContinueUpdate = 1;

namespace {

constexpr const char* kDownloadPort = "80";
constexpr std::size_t kChunkSize = 10240;
constexpr std::size_t kReadSize = 102400;
constexpr std::size_t kProxyNameMax = 127;
constexpr std::size_t kManifestLimit = std::size_t{1} << 20;
constexpr std::size_t kInstallFileSlack = std::size_t{64} << 20;
constexpr std::size_t kInstallFileCeiling = std::size_t{1} << 30;

long g_nStallSeconds = 30;

struct SListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CHeaderList = std::unique_ptr<curl_slist, SListDeleter>;

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CUrl = std::unique_ptr<CURLU, UrlDeleter>;

// How the request reaches the network, from the proxy discovery.
struct ProxyChoice {
    ProxyAccess access = ProxyAccess::Preconfigured;
    std::string name;
};

ProxyChoice ChooseProxy() {
    ProxySettings settings;
    if (!GetProxySettings(settings)) return {};
    if (!settings.byFireWall) return {ProxyAccess::Direct, {}};
    // A name that would not fit the 128-byte name buffer is refused rather than cut to a
    // different proxy; the request then follows the system's settings.
    if (settings.firewallProxy.size() > kProxyNameMax) return {};
    return {ProxyAccess::Named, settings.firewallProxy};
}

// The path as it goes on the request line: bytes that cannot stand there (controls, blank,
// bytes above 0x7E) are percent-encoded, everything else is sent as given.
std::string RequestTarget(std::string_view path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string target;
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F) {
            target += '%';
            target += kHex[c >> 4];
            target += kHex[c & 0x0F];
        } else {
            target += static_cast<char>(c);
        }
    }
    return target;
}

// The URL http://host:port/path. A host that is no host name (a user, a port or a path
// inside it, say) or a port outside 1..65535 makes the request fail like an unreachable
// server.
CUrl MakeUrl(const char* host, const char* port, const char* path) {
    CUrl url(curl_url());
    if (!url) throw std::bad_alloc();
    // The port text read as atoi reads it, but with no undefined overflow: a number out of
    // range reads as 0, which is no port.
    const long number = std::strtol(port, nullptr, 10);
    const std::string portText = std::to_string(number > 0 && number <= 65535 ? number : 0);
    const std::string target = RequestTarget(path);
    if (curl_url_set(url.get(), CURLUPART_SCHEME, "http", 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_HOST, host, 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PORT, portText.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PATH, target.c_str(), 0) != CURLUE_OK)
        throw CInternetException(CURLE_URL_MALFORMAT);
    return url;
}

CHeaderList RequestHeaders() {
    CHeaderList headers;
    for (const char* line :
         {"Content-Type: application/x-www-form-urlencoded", "Connection: Keep-Alive", "Accept:"}) {
        curl_slist* grown = curl_slist_append(headers.get(), line);
        if (grown == nullptr) throw std::bad_alloc();
        (void)headers.release();
        headers.reset(grown);
    }
    return headers;
}

void Check(CURLcode rc) {
    if (rc != CURLE_OK) throw CInternetException(rc);
}

// The body as it arrives, and what went wrong inside libcurl's callback (which must not
// throw through C code).
struct Transfer {
    using Clock = std::chrono::steady_clock;

    CURL* handle = nullptr;
    const TransferProgress* progress = nullptr;
    std::size_t limit = 0;
    CByteBuffer body;
    bool statusChecked = false;
    int appError = 0;                              // CAppException code to raise
    bool otherError = false;                       // anything else that was thrown
    Clock::time_point lastArrival = Clock::now();  // of a byte of the response
    bool stalled = false;
};

int StatusError(long status) {
    return status == 407 ? 3 : 2;
}

// One chunk of at most 10240 bytes: the continue flag, append, window messages, progress.
bool TakeChunk(Transfer& t, const char* data, std::size_t n) {
    if (g_nContinueUpdate == 0 || n > t.limit - t.body.Size() || !t.body.Append(data, n)) {
        t.appError = 1;
        return false;
    }
    PumpMessages();
    ReportProgress(t.progress, static_cast<float>(t.body.Size() / 1024));
    return true;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    Transfer& t = *static_cast<Transfer*>(user);
    const std::size_t total = size * count;
    t.lastArrival = Transfer::Clock::now();
    try {
        if (!t.statusChecked) {
            t.statusChecked = true;
            long status = 0;
            curl_easy_getinfo(t.handle, CURLINFO_RESPONSE_CODE, &status);
            if (status != 200) {
                t.appError = StatusError(status);
                return CURL_WRITEFUNC_ERROR;
            }
            // A body announced beyond the bound fails at once rather than at the bound.
            curl_off_t announced = -1;
            curl_easy_getinfo(t.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
            if (announced > 0 && static_cast<std::size_t>(announced) > t.limit) {
                t.appError = 1;
                return CURL_WRITEFUNC_ERROR;
            }
            // Room for the announced body at once; a wrong announcement only costs growth.
            if (announced > 0) (void)t.body.Reserve(static_cast<std::size_t>(announced));
        }
        for (std::size_t done = 0; done < total; done += kChunkSize) {
            if (!TakeChunk(t, data + done, std::min(kChunkSize, total - done)))
                return CURL_WRITEFUNC_ERROR;
        }
        return total;
    } catch (...) {
        t.otherError = true;
        return CURL_WRITEFUNC_ERROR;
    }
}

size_t OnHeader(char*, size_t size, size_t count, void* user) {
    static_cast<Transfer*>(user)->lastArrival = Transfer::Clock::now();
    return size * count;
}

// Called at least once a second while the request runs: a transfer that has received
// nothing for the stall time-out is abandoned.
int OnTick(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    Transfer& t = *static_cast<Transfer*>(user);
    if (Transfer::Clock::now() - t.lastArrival < std::chrono::seconds(g_nStallSeconds)) return 0;
    t.stalled = true;
    return 1;
}

// Steps from connecting to the last byte of the body. Throws on every failure.
CByteBuffer Fetch(CHttpSession& session, const char* host, const char* port, const char* path,
                  const TransferProgress* progress) {
    CURL* handle = session.Handle();
    CUrl url = MakeUrl(host, port, path);
    CHeaderList headers = RequestHeaders();
    Transfer t;
    t.handle = handle;
    t.lastArrival = Transfer::Clock::now();
    t.progress = progress;
    t.limit = BodyLimit(progress);

    Check(curl_easy_setopt(handle, CURLOPT_CURLU, url.get()));
    Check(curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http"));
    Check(curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0)));
    Check(curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L));
    Check(curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get()));
    Check(curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L));
    // No credentials of any kind: none for the server, none for a proxy, not even those a
    // proxy URL or the user's netrc might carry.
    Check(curl_easy_setopt(handle, CURLOPT_HTTPAUTH, static_cast<unsigned long>(CURLAUTH_NONE)));
    Check(curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_NONE)));
    Check(curl_easy_setopt(handle, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED)));
    Check(curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, static_cast<long>(kReadSize)));
    // A server that accepts and then stays silent must not hold the program forever. The
    // tick ends a transfer that has received nothing for the stall time-out. (libcurl's own
    // low-speed check averages the speed over several seconds: it ends a stall late, and
    // can end a slow but steady start early.)
    Check(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, g_nStallSeconds));
    Check(curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L));
    Check(curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnTick));
    Check(curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &t));
    Check(curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader));
    Check(curl_easy_setopt(handle, CURLOPT_HEADERDATA, &t));
    Check(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody));
    Check(curl_easy_setopt(handle, CURLOPT_WRITEDATA, &t));

    const CURLcode rc = curl_easy_perform(handle);
    if (t.otherError) throw std::bad_alloc();
    if (t.stalled) throw CInternetException(CURLE_OPERATION_TIMEDOUT);
    if (t.appError != 0) throw CAppException(t.appError);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    // The status is read before the body: a failure after a status other than 200 is
    // reported for that status.
    if (rc != CURLE_OK && (status == 0 || status == 200)) throw CInternetException(rc);
    if (status != 200) throw CAppException(StatusError(status));
    return std::move(t.body);
}

std::string_view ErrorText(int appErrorCode) {
    switch (appErrorCode) {
        case 1:
            return texts::kHttpNoMemory;
        case 2:
            return texts::kHttpStatusNotOk;
        case 3:
            return texts::kHttpProxyAuth;
        default:
            return texts::kHttpOtherAppError;
    }
}

// Hands the error text to the caller: NUL-terminated, length = byte count + 1.
void StoreErrorText(std::string_view utf8, CByteBuffer& body, int& length) {
    std::string text = texts::Gbk(utf8);
    text += '\0';
    CByteBuffer buffer;
    if (!buffer.Append(text.data(), text.size())) return;
    body = std::move(buffer);
    length = static_cast<int>(body.Size());
}

}  // namespace

std::size_t BodyLimit(const TransferProgress* progress) {
    if (progress == nullptr) return kManifestLimit;
    const double expectedKB = progress->expectedKB;
    const double expected = std::isfinite(expectedKB) && expectedKB > 0 ? expectedKB * 1024.0 : 0.0;
    const double limit = 16.0 * expected + static_cast<double>(kInstallFileSlack);
    return limit >= static_cast<double>(kInstallFileCeiling) ? kInstallFileCeiling
                                                             : static_cast<std::size_t>(limit);
}

void SetStallTimeoutForTesting(std::chrono::seconds timeout) {
    g_nStallSeconds = static_cast<long>(std::max<std::chrono::seconds::rep>(timeout.count(), 1));
}

int HttpDownload(const char* host, const char* path, CByteBuffer& body, int& length,
                 const TransferProgress* progress) {
    if (host == nullptr || path == nullptr) return 2;
    return HttpRequest(host, kDownloadPort, path, body, length, progress) ? 0 : 1;
}

bool HttpRequest(const char* host, const char* port, const char* path, CByteBuffer& body,
                 int& length, const TransferProgress* progress) {
    if (host == nullptr || path == nullptr || port == nullptr || *host == '\0' || *path == '\0')
        return false;
    std::string_view error;
    try {
        const ProxyChoice proxy = ChooseProxy();
        CHttpSession session(proxy.access, proxy.name);
        if (!session.IsOpen()) throw std::bad_alloc();
        CByteBuffer received = Fetch(session, host, port, path, progress);
        length = static_cast<int>(received.Size());
        body = std::move(received);
        return true;
    } catch (const CAppException& e) {
        error = ErrorText(e.ErrorCode());
    } catch (const CInternetException&) {
        error = texts::kHttpCheckLine;
    } catch (...) {
        error = texts::kHttpOtherError;
    }
    try {
        StoreErrorText(error, body, length);
    } catch (...) {
        // No memory left even for the text: the caller sees the failure without it.
    }
    return false;
}
