#include "platform/RegistryHive.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using platform::CRegHive;
using platform::RegValue;

constexpr const char* kRoot = "HKEY_CURRENT_USER";

std::vector<uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

std::optional<RegValue> Get(std::string_view text, std::string_view key, std::string_view name) {
    std::optional<CRegHive> hive = CRegHive::Parse(text, kRoot);
    if (!hive) return std::nullopt;
    return hive->GetValue(key, name);
}

const char kSample[] =
    "REGEDIT4\r\n"
    "\r\n"
    "; written by hand\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
    "\"ProxyEnable\"=dword:00000001\r\n"
    "\"ProxyServer\"=\"http=10.0.0.1:80;https=127.0.0.1:8443\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n"
    "\"NormalUpdateFlag\"=\"1\"\r\n"
    "\"Blob\"=hex:01,02,\\\r\n"
    "  03,ff\r\n"
    "\"Path\"=hex(2):25,00\r\n"
    "@=\"default\"\r\n"
    "\"Quoted \\\"name\\\"\"=\"a\\\\b\"\r\n";

TEST(RegHive, ReadsEveryValueForm) {
    struct Case {
        const char* key;
        const char* name;
        uint32_t type;
        std::vector<uint8_t> data;
    } cases[] = {
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
         "ProxyEnable",
         platform::kRegDword,
         {1, 0, 0, 0}},
        {"software\\microsoft\\windows\\currentversion\\internet settings", "proxyserver",
         platform::kRegSz, Bytes(std::string_view("http=10.0.0.1:80;https=127.0.0.1:8443\0", 38))},
        {"SOFTWARE\\VRN\\KD40", "NormalUpdateFlag", platform::kRegSz, {'1', 0}},
        {"SOFTWARE\\VRN\\KD40", "Blob", platform::kRegBinary, {1, 2, 3, 0xFF}},
        {"SOFTWARE\\VRN\\KD40", "Path", platform::kRegExpandSz, {0x25, 0}},
        {"SOFTWARE\\VRN\\KD40", "", platform::kRegSz, Bytes(std::string_view("default\0", 8))},
        {"SOFTWARE\\VRN\\KD40", "Quoted \"name\"", platform::kRegSz, {'a', '\\', 'b', 0}},
    };
    for (const Case& c : cases) {
        std::optional<RegValue> value = Get(kSample, c.key, c.name);
        ASSERT_TRUE(value.has_value()) << c.name;
        EXPECT_EQ(value->type, c.type) << c.name;
        EXPECT_EQ(value->data, c.data) << c.name;
    }
}

TEST(RegHive, KnowsWhichKeysExist) {
    std::optional<CRegHive> hive = CRegHive::Parse(kSample, kRoot);
    ASSERT_TRUE(hive.has_value());
    EXPECT_TRUE(hive->HasKey("SOFTWARE\\VRN\\KD40"));
    EXPECT_TRUE(hive->HasKey("software\\vrn")) << "a parent of a named key exists";
    EXPECT_FALSE(hive->HasKey("SOFTWARE\\VRN\\KD4"));
    EXPECT_FALSE(hive->HasKey("SOFTWARE\\VRN\\KD40\\Sub"));
    EXPECT_FALSE(hive->GetValue("SOFTWARE\\VRN\\KD40", "Missing").has_value());
}

TEST(RegHive, RefusesMalformedText) {
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"empty file", ""},
        {"no header", "[HKEY_CURRENT_USER\\A]\r\n"},
        {"other header", "Windows Registry Editor Version 5.00\r\n"},
        {"binary garbage", std::string("REGEDIT4\r\n\x00\x01\x02\xff\xfe", 15)},
        {"truncated in a string", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N\"=\"abc"},
        {"unterminated name", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N=\"abc\"\r\n"},
        {"text after the string", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N\"=\"abc\"x\r\n"},
        {"unknown escape", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N\"=\"a\\tb\"\r\n"},
        {"value outside a key", "REGEDIT4\r\n\"N\"=\"abc\"\r\n"},
        {"key of another hive", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"},
        {"key header cut", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A\r\n"},
        {"deletion entry", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N\"=-\r\n"},
        {"bad dword", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N\"=dword:123456789\r\n"},
        {"bad hex byte", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N\"=hex:1g\r\n"},
        {"hex continued past the end", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N\"=hex:01,\\\r\n"},
    };
    for (const Case& c : cases) EXPECT_FALSE(CRegHive::Parse(c.text, kRoot).has_value()) << c.name;
}

TEST(RegHive, ReadsLineFeedOnlyFiles) {
    EXPECT_EQ(Get("REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"N\"=\"v\"\n", "A", "N")->data,
              Bytes(std::string_view("v\0", 2)));
}

TEST(RegHive, KeepsDoubleByteCharactersWhole) {
    // 0x95 0x5C is one GBK character whose second byte is a backslash: it is not an escape.
    const std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"N\"=\"\x95\\\"\r\n";
    std::optional<RegValue> value = Get(text, "A", "N");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->data, Bytes(std::string_view("\x95\\\0", 3)));
    EXPECT_EQ(platform::FormatRegValueLine("N", *value), "\"N\"=\"\x95\\\"");
}

TEST(RegHive, ChangesOnlyTheLineOfTheValue) {
    std::optional<CRegHive> hive = CRegHive::Parse(kSample, kRoot);
    ASSERT_TRUE(hive.has_value());
    RegValue zero{platform::kRegSz, {'0', 0}};

    const std::string replaced = hive->WithValue("software\\vrn\\kd40", "normalupdateflag", zero);
    std::string expected = kSample;
    expected.replace(expected.find("\"NormalUpdateFlag\"=\"1\""), 22, "\"NormalUpdateFlag\"=\"0\"");
    EXPECT_EQ(replaced, expected);

    const std::string added =
        hive->WithValue("SOFTWARE\\VRN\\KD40", "LastServerOCXVersion",
                        RegValue{platform::kRegSz, Bytes(std::string_view("4.0.3.12\0", 9))});
    expected = std::string(kSample) + "\"LastServerOCXVersion\"=\"4.0.3.12\"\r\n";
    EXPECT_EQ(added, expected);

    const std::string inserted =
        hive->WithValue("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "N",
                        RegValue{platform::kRegDword, {10, 0, 0, 0}});
    expected = kSample;
    expected.insert(expected.find("\r\n[HKEY_CURRENT_USER\\SOFTWARE"), "\"N\"=dword:0000000a\r\n");
    EXPECT_EQ(inserted, expected);

    const std::string newKey =
        hive->WithValue("SOFTWARE\\Other", "B", RegValue{platform::kRegBinary, {0xAB}});
    EXPECT_EQ(newKey, std::string(kSample) +
                          "\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"B\"=hex:ab\r\n");
}

TEST(RegHive, WrittenValuesReadBackAsTheyWere) {
    const RegValue values[] = {
        {platform::kRegSz, Bytes(std::string_view("a \"quoted\" \\ path\0", 19))},
        {platform::kRegSz, Bytes(std::string_view("no terminator"))},
        {platform::kRegSz, Bytes(std::string_view("two\0lines\r\n\0", 12))},
        // A lead byte at the end of the text, with no second byte: the quote must not become one.
        {platform::kRegSz, Bytes(std::string_view("4.0.3.9\xd5\0", 9))},
        {platform::kRegSz, Bytes(std::string_view("\x81\0", 2))},
        {platform::kRegSz, Bytes(std::string_view("\x81\nx\0", 4))},
        {platform::kRegDword, {0x78, 0x56, 0x34, 0x12}},
        {platform::kRegDword, {1, 2}},
        {platform::kRegBinary, {}},
        {platform::kRegMultiSz, Bytes(std::string_view("a\0b\0\0", 5))},
        {0x1234, {9, 8, 7}},
    };
    for (const RegValue& value : values) {
        std::optional<CRegHive> hive = CRegHive::Parse(CRegHive::EmptyText(), kRoot);
        ASSERT_TRUE(hive.has_value());
        const std::string text = hive->WithValue("SOFTWARE\\VRN\\KD40", "V", value);
        std::optional<RegValue> back = Get(text, "SOFTWARE\\VRN\\KD40", "V");
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(back->type, value.type) << text;
        EXPECT_EQ(back->data, value.data) << text;
    }
}

TEST(RegHive, AppendsAfterALastLineWithoutLineBreak) {
    std::optional<CRegHive> hive =
        CRegHive::Parse("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"X\"=\"1\"", kRoot);
    ASSERT_TRUE(hive.has_value());
    EXPECT_EQ(hive->WithValue("A", "Y", RegValue{platform::kRegSz, {'2', 0}}),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"X\"=\"1\"\r\n\"Y\"=\"2\"\r\n");
    EXPECT_EQ(hive->WithValue("A", "X", RegValue{platform::kRegSz, {'2', 0}}),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"X\"=\"2\"");
}

}  // namespace
