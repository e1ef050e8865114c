#include "platform/GbkText.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {
namespace {

constexpr const char* kUtf16Host =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// Converts with iconv; each input unit that cannot be converted is skipped (by skipUnit
// bytes at the failing position) and replaced by replacement in the output.
template <typename SkipUnit>
std::string Convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, SkipUnit skipUnit) {
    IconvHandle cd(iconv_open(to, from));
    if (cd.get() == reinterpret_cast<iconv_t>(-1)) {
        cd.release();
        return std::string();
    }
    std::string out;
    out.reserve(in.size() * 2 + 8);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (truncated sequence at the end): replace one unit, go on.
        size_t skip = skipUnit(std::string_view(inPtr, inLeft));
        if (skip == 0 || skip > inLeft) skip = inLeft;
        out.append(replacement);
        inPtr += skip;
        inLeft -= skip;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

size_t Utf8UnitLength(std::string_view s) {
    unsigned char c = static_cast<unsigned char>(s[0]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    // An invalid continuation shortens the unit so the next character is not swallowed.
    for (size_t i = 1; i < n; ++i) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return i;
    }
    return n;
}

size_t GbkUnitLength(std::string_view s) {
    return IsGbkLeadByte(static_cast<unsigned char>(s[0])) && s.size() > 1 ? 2 : 1;
}

size_t Utf16UnitLength(std::string_view s) {
    if (s.size() < 4) return 2;
    char16_t first;
    std::memcpy(&first, s.data(), 2);
    return (first >= 0xD800 && first <= 0xDBFF) ? 4 : 2;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    return Convert("GBK", "UTF-8", utf8, "?", Utf8UnitLength);
}

std::string GbkToUtf8(std::string_view gbk) {
    return Convert("UTF-8", "GBK", gbk, "?", GbkUnitLength);
}

std::string Utf16ToGbk(std::u16string_view utf16) {
    std::string_view bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
    return Convert("GBK", kUtf16Host, bytes, "?", Utf16UnitLength);
}

std::u16string GbkToUtf16(std::string_view gbk) {
    static const char16_t question = u'?';
    std::string bytes =
        Convert(kUtf16Host, "GBK", gbk,
                std::string_view(reinterpret_cast<const char*>(&question), 2), GbkUnitLength);
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

std::size_t GbkFind(std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t i = from; i <= text.size();) {
        if (text.size() - i < needle.size()) return std::string_view::npos;
        if (text.compare(i, needle.size(), needle) == 0) return i;
        if (i == text.size()) break;
        i += GbkUnitLength(text.substr(i));
    }
    return std::string_view::npos;
}

}  // namespace platform
