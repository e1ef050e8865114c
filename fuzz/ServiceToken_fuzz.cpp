// The service link: URL encoding of any bytes, the token around any time text, and the time
// text of any moment. Input: the text; its first 8 bytes are also the moment.
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "service/ServiceToken.h"

using fuzz_support::Require;

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsKept(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '*';
}

// The bytes of an encoded text, or nullopt when it holds anything the encoding never writes.
std::optional<std::string> Decode(std::string_view encoded) {
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(encoded[i]);
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= encoded.size()) return std::nullopt;
            const int high = HexValue(encoded[i + 1]), low = HexValue(encoded[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            const unsigned char byte = static_cast<unsigned char>(high * 16 + low);
            if (IsKept(byte) || byte == ' ') return std::nullopt;  // would have stayed as it is
            out += static_cast<char>(byte);
            i += 2;
        } else if (IsKept(c)) {
            out += static_cast<char>(c);
        } else {
            return std::nullopt;
        }
    }
    return out;
}

bool IsTimeText(const std::string& text) {
    if (text == "Invalid DateTime") return true;
    int year, month, day, hour, minute, second, used = 0;
    char weekday[16] = {};
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %15s%n", &year, &month, &day, &hour,
                    &minute, &second, weekday, &used) != 7 ||
        static_cast<std::size_t>(used) != text.size())
        return false;
    static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    bool known = false;
    for (const char* day : kDays) known = known || std::strcmp(day, weekday) == 0;
    return known && year >= 1970 && year <= 3000 && month >= 1 && month <= 12 && day >= 1 &&
           day <= 31 && hour <= 23 && minute <= 59 && second <= 60 &&
           text.size() == 20 + std::strlen(weekday);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = fuzz_support::AsText(data, size);

    const std::string encoded = UrlEncode(text);
    std::optional<std::string> decoded = Decode(encoded);
    Require(decoded && *decoded == text, "URL encoding writes only its alphabet and loses no byte");

    const std::string token = BuildServiceToken(text);
    Require(token.find("<Systime>" + std::string(text) + "</Systime>") != std::string::npos,
            "the token carries the time text as it is");
    const std::size_t verify = token.rfind("<Verify>");
    Require(verify != std::string::npos && token.compare(verify + 8 + 28, 9, "</Verify>") == 0,
            "the token carries a 28-character signature");

    if (size >= sizeof(std::time_t)) {
        std::time_t moment;
        std::memcpy(&moment, data, sizeof moment);
        Require(IsTimeText(FormatServiceTime(moment)),
                "a time text is a date, a time and a weekday, or says it is none");
        const std::string url = MakeOnlineServiceUrlAt(moment);
        Require(url.starts_with("https://") || url == ServiceFallbackUrl(),
                "the link is the service or the fallback");
    }
    return 0;
}
