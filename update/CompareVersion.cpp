#include "update/CompareVersion.h"

#include <climits>
#include <string>

#include "platform/GbkText.h"

namespace {

constexpr long long kNotFound = -1;

// atoi as the Windows runtime has it: leading white space, an optional sign, decimal
// digits up to the first other character; 0 without digits; saturated at the int range.
int RuntimeAtoi(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// The part of s that starts at start and is count bytes long; empty for a negative count,
// cut at the end of s.
std::string_view Part(std::string_view s, long long start, long long count) {
    if (start < 0) start = 0;
    if (count <= 0 || start >= static_cast<long long>(s.size())) return {};
    return s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
}

// Position of the first "." at or after from; -1 when there is none or from lies at or
// beyond the end.
long long FindDot(std::string_view s, long long from) {
    if (from < 0) from = 0;
    if (from >= static_cast<long long>(s.size())) return kNotFound;
    std::size_t at = platform::GbkFind(s, ".", static_cast<std::size_t>(from));
    return at == std::string_view::npos ? kNotFound : static_cast<long long>(at);
}

}  // namespace

std::array<int, 4> SplitVersion(std::string_view v) {
    // Each search starts one position after the previous result, so a text with fewer
    // than three dots is read the way the original search steps read it.
    const long long length = static_cast<long long>(v.size());
    const long long p1 = FindDot(v, 0);
    const long long p2 = FindDot(v, p1 + 1);
    const long long p3 = FindDot(v, p2 + 1);
    return {RuntimeAtoi(Part(v, 0, p1)), RuntimeAtoi(Part(v, p1 + 1, p2 - p1 - 1)),
            RuntimeAtoi(Part(v, p2 + 1, p3 - p2 - 1)), RuntimeAtoi(Part(v, p3 + 1, length - 1))};
}

int CompareVersion(std::string_view a, std::string_view b) {
    const std::array<int, 4> left = SplitVersion(a);
    const std::array<int, 4> right = SplitVersion(b);
    for (std::size_t i = 0; i < 4; ++i) {
        if (left[i] > right[i]) return 1;
        if (left[i] < right[i]) return -1;
    }
    return 0;
}
