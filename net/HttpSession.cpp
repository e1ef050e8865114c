#include "net/HttpSession.h"

namespace {

constexpr const char* kUserAgent = "VRN HttpRequest for Win32";

}  // namespace

CHttpSession::CHttpSession(ProxyAccess access, const std::string& proxyName)
    : m_handle(curl_easy_init()) {
    CURL* handle = m_handle.get();
    if (handle == nullptr) return;
    bool ok = curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent) == CURLE_OK &&
              curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    switch (access) {
        case ProxyAccess::Preconfigured:
            break;  // libcurl reads http_proxy and no_proxy itself
        case ProxyAccess::Direct:
            ok = ok && curl_easy_setopt(handle, CURLOPT_PROXY, "") == CURLE_OK;
            break;
        case ProxyAccess::Named:
            ok = ok && curl_easy_setopt(handle, CURLOPT_PROXY, proxyName.c_str()) == CURLE_OK &&
                 curl_easy_setopt(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP)) ==
                     CURLE_OK &&
                 curl_easy_setopt(handle, CURLOPT_NOPROXY, "") == CURLE_OK;
            break;
    }
    if (!ok) m_handle.reset();
}
