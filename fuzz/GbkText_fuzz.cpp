// Code-page conversions and the GBK-aware search over any bytes.
// Input: text and needle separated by the first NUL byte.
#include <string>

#include "FuzzSupport.h"
#include "platform/GbkText.h"

using fuzz_support::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input = fuzz_support::AsText(data, size);
    const auto [text, needle] = fuzz_support::SplitAtNul(input);

    const std::string utf8 = platform::GbkToUtf8(input);
    const std::string gbk = platform::Utf8ToGbk(utf8);
    // Text that went through GBK once comes back the same from UTF-8.
    Require(platform::Utf8ToGbk(platform::GbkToUtf8(gbk)) == gbk, "GBK text survives a round trip");
    const std::u16string wide = platform::GbkToUtf16(input);
    Require(platform::Utf16ToGbk(wide) == gbk, "the UTF-16 road gives the same GBK text");
    platform::Utf8ToGbk(input);
    std::u16string odd(reinterpret_cast<const char16_t*>(input.data()), input.size() / 2);
    platform::Utf16ToGbk(odd);

    // The search against a plain walk over the text's characters.
    std::size_t expected = std::string_view::npos;
    for (std::size_t i = 0; i <= text.size();) {
        if (text.size() - i >= needle.size() && text.compare(i, needle.size(), needle) == 0) {
            expected = i;
            break;
        }
        if (i == text.size()) break;
        i += platform::IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()
                 ? 2
                 : 1;
    }
    const std::size_t at = platform::GbkFind(text, needle);
    Require(at == expected, "the search finds the first match that starts on a character");
    Require(platform::GbkContains(text, needle) == (at != std::string_view::npos),
            "contained means found");
    if (at != std::string_view::npos && at + 1 <= text.size())
        Require(platform::GbkFind(text, needle, at) == at,
                "a search from the match finds it again");
    return 0;
}
