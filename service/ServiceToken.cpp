#include "service/ServiceToken.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <optional>

#include "platform/LocalTime.h"

namespace {

constexpr std::string_view kServiceKey = "kiv807";
constexpr std::string_view kServicePathAndQuery = "/DUR2012/Service.aspx?hdType=Normal&hdToken=";
constexpr std::size_t kDigestSize = 20;

// Weekday names of the token, fixed: the process locale is changed by the GUI toolkit.
constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

}  // namespace

std::vector<uint8_t> HmacSha1Digest(std::string_view text) {
    std::vector<uint8_t> digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (HMAC(EVP_sha1(), kServiceKey.data(), static_cast<int>(kServiceKey.size()),
             reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest.data(),
             &length) == nullptr ||
        length != kDigestSize)
        return {};
    digest.resize(length);
    return digest;
}

std::string Base64EncodeDigest(const std::vector<uint8_t>& digest) {
    if (digest.size() != kDigestSize) return std::string();
    unsigned char out[4 * ((kDigestSize + 2) / 3) + 1];
    const int length = EVP_EncodeBlock(out, digest.data(), static_cast<int>(digest.size()));
    return std::string(reinterpret_cast<const char*>(out), static_cast<std::size_t>(length));
}

std::string UrlEncode(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '*') {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string FormatServiceTime(std::time_t moment) {
    const std::optional<platform::LocalTime> t = platform::ToLocalTime(moment);
    if (!t || t->year < 1970 || t->year > 3000) return "Invalid DateTime";
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d %s", t->year, t->month, t->day,
                  t->hour, t->minute, t->second, kWeekdays[t->weekday % 7]);
    return text;
}

std::string BuildServiceToken(std::string_view timeText) {
    const std::string signature = Base64EncodeDigest(HmacSha1Digest(timeText));
    if (signature.empty()) return std::string();
    std::string token = "<?xml version=\"1.0\" encoding=\"gb2312\"?>";
    token +=
        "<Token><IDType></IDType><ID></ID><CardIDList></CardIDList><Name></Name><From>D</From>";
    token += "<Systime>" + std::string(timeText) + "</Systime>";
    token += "<Verify_Type>HMAC_SHA1</Verify_Type>";
    token += "<Verify>" + signature + "</Verify>";
    token += "<svcType>E</svcType><ErrCode></ErrCode><TransCode></TransCode></Token>";
    return token;
}

std::string ServiceFallbackUrl() {
    return std::string("http://") + VOREL_WEB_HOST + "/";
}

std::string MakeOnlineServiceUrlAt(std::time_t moment) {
    try {
        const std::string token = BuildServiceToken(FormatServiceTime(moment));
        if (token.empty()) return ServiceFallbackUrl();
        return std::string("https://") + VOREL_SERVICE_HOST + std::string(kServicePathAndQuery) +
               UrlEncode(token);
    } catch (...) {
        return ServiceFallbackUrl();
    }
}

std::string MakeOnlineServiceUrl() {
    return MakeOnlineServiceUrlAt(std::time(nullptr));
}
