#include "platform/GbkText.h"

#include <gtest/gtest.h>

namespace {

using platform::GbkFind;

TEST(GbkText, ConvertsBetweenUtf8AndGbk) {
    const std::string gbk = platform::Utf8ToGbk("读取注册表失败!");
    EXPECT_EQ(gbk, "\xB6\xC1\xC8\xA1\xD7\xA2\xB2\xE1\xB1\xED\xCA\xA7\xB0\xDC!");
    EXPECT_EQ(platform::GbkToUtf8(gbk), "读取注册表失败!");
    EXPECT_EQ(platform::Utf8ToGbk("plain ASCII"), "plain ASCII");
}

TEST(GbkText, ReplacesWhatTheCodePageLacks) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string gbk;
    } cases[] = {
        {"hangul", "a한b", "a?b"},
        {"emoji", "x😀y", "x?y"},
        {"invalid utf-8 byte",
         "a\xFF"
         "b",
         "a?b"},
        {"truncated sequence at the end", "ab\xE4\xB8", "ab?"},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::Utf8ToGbk(c.utf8), c.gbk) << c.name;
    EXPECT_EQ(platform::GbkToUtf8("a\x81"), "a?") << "lead byte without its second byte";
}

TEST(GbkText, ConvertsUtf16BothWays) {
    const std::u16string wide = u"瓦内尔银行 Halvora 한";
    const std::string gbk = platform::Utf16ToGbk(wide);
    EXPECT_EQ(gbk, platform::Utf8ToGbk("瓦内尔银行 Halvora ?"));
    EXPECT_EQ(platform::GbkToUtf16(platform::Utf8ToGbk("瓦内尔银行 Halvora")),
              u"瓦内尔银行 Halvora");
    EXPECT_EQ(platform::Utf16ToGbk(u"a\xD83D"), "a?") << "lone surrogate";
}

TEST(GbkFind, TreatsDoubleByteCharactersAsUnits) {
    // 0x81 0x41 and 0x95 0x5C are double-byte characters whose second byte is "A" and "\".
    const std::string text =
        "\x81"
        "A"
        "xA"
        "\x95\\"
        "\\";
    struct Case {
        const char* name;
        std::string needle;
        std::size_t from;
        std::size_t expected;
    } cases[] = {
        {"ASCII letter that is also a trail byte", "A", 0, 3},
        {"backslash that is also a trail byte", "\\", 0, 6},
        {"whole double-byte character", "\x95\\", 0, 4},
        {"search from a later boundary", "A", 4, std::string::npos},
        {"empty needle", "", 2, 2},
        {"not present", "B", 0, std::string::npos},
        {"needle longer than the text", std::string(20, 'x'), 0, std::string::npos},
    };
    for (const Case& c : cases) EXPECT_EQ(GbkFind(text, c.needle, c.from), c.expected) << c.name;
    // A bare byte search would find both of these inside double-byte characters.
    EXPECT_EQ(text.find('A'), 1u);
    EXPECT_EQ(text.find('\\'), 5u);
}

}  // namespace
