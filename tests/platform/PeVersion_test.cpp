#include "platform/PeVersion.h"

#include <gtest/gtest.h>

#include <functional>

#include "PeBuilder.h"
#include "support/TestSupport.h"

namespace {

using testing_support::CTempDir;
using testing_support::PeFixture;
using testing_support::ReadFile;
using testing_support::WriteFile;

// The product version of the file as "a.b.c.d", or "" when none can be read.
std::string ProductVersion(const std::string& path) {
    const uint32_t size = platform::GetVersionResourceSize(path);
    if (size == 0) return "";
    std::vector<uint8_t> resource;
    if (!platform::GetVersionResource(path, size, resource)) return "<copy failed>";
    std::optional<platform::VsFixedFileInfo> info = platform::QueryFixedFileInfo(resource);
    if (!info) return "<no fixed info>";
    return std::to_string(info->productVersionMS >> 16) + "." +
           std::to_string(info->productVersionMS & 0xFFFF) + "." +
           std::to_string(info->productVersionLS >> 16) + "." +
           std::to_string(info->productVersionLS & 0xFFFF);
}

TEST(PeVersion, ReadsTheProductVersionOfRealComponents) {
    EXPECT_EQ(ProductVersion(PeFixture("component-4.0.3.12.ocx")), "4.0.3.12");
    EXPECT_EQ(ProductVersion(PeFixture("component-65535.ocx")), "65535.0.65535.7");
    EXPECT_EQ(ProductVersion(PeFixture("no-version.dll")), "");
    EXPECT_EQ(ProductVersion("/nonexistent/HalvoraMain.ocx"), "");
    EXPECT_EQ(ProductVersion("/tmp"), "") << "a folder";
}

TEST(PeVersion, ReadsBuiltImagesOfBothKinds) {
    CTempDir dir;
    for (bool pe32 : {false, true}) {
        pe_builder::Options options;
        options.pe32 = pe32;
        WriteFile(dir / "c.ocx", pe_builder::Build(options));
        EXPECT_EQ(ProductVersion(dir / "c.ocx"), "4.0.3.12") << (pe32 ? "PE32" : "PE32+");
    }
}

TEST(PeVersion, DamagedImagesGiveNoVersion) {
    CTempDir dir;
    struct Case {
        const char* name;
        std::function<void(std::string&, const pe_builder::Layout&)> damage;
        std::string expected;
    } cases[] = {
        {"not MZ", [](std::string& s, auto&) { s[0] = 'X'; }, ""},
        {"PE header beyond the file",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.lfanew, 0xFFFFFFF0u); }, ""},
        {"PE header in the middle of nowhere",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.lfanew, 0x100); }, ""},
        {"resource tree outside every section",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.resourceRva, 0x7FFFFFF0u); }, ""},
        {"section data beyond the file",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.sectionRawOffset, 0xFFFFFF00u); },
         ""},
        {"section data ending beyond the file",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.sectionRawOffset, 0x210); }, ""},
        // What is needed still lies inside the file; nothing beyond it is read.
        {"section longer than the file",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.sectionRawSize, 0xFFFFFF00u); },
         "4.0.3.12"},
        {"65535 root entries",
         [](std::string& s, auto& l) { pe_builder::Put16(s, l.rootIdCount, 0xFFFF); }, ""},
        {"name level loops to the root",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.rootEntryTarget, 0x80000000u); }, ""},
        {"language level loops to itself",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.nameEntryTarget, 0x80000018u); }, ""},
        {"data entry is a directory",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.languageEntryTarget, 0x80000030u); },
         ""},
        {"data entry outside the section",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.languageEntryTarget, 0x7FFFFFF0u); },
         ""},
        {"block outside the file",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.dataRva, 0xFFFFFFF0u); }, ""},
        {"block of 4 GiB",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.dataSize, 0xFFFFFFFFu); }, ""},
        {"block shorter than its fixed part",
         [](std::string& s, auto& l) { pe_builder::Put32(s, l.dataSize, 60); }, "<no fixed info>"},
    };
    for (const Case& c : cases) {
        pe_builder::Layout layout;
        std::string image = pe_builder::Build({}, &layout);
        c.damage(image, layout);
        WriteFile(dir / "c.ocx", image);
        EXPECT_EQ(ProductVersion(dir / "c.ocx"), c.expected) << c.name;
    }
}

TEST(PeVersion, ABlockWithoutFixedInformationHasNoVersion) {
    CTempDir dir;
    pe_builder::Options noValue;
    noValue.fixedValueLength = 0;
    pe_builder::Options badSignature;
    badSignature.fixedSignature = 0x12345678;
    for (const pe_builder::Options& options : {noValue, badSignature}) {
        WriteFile(dir / "c.ocx", pe_builder::Build(options));
        EXPECT_GT(platform::GetVersionResourceSize(dir / "c.ocx"), 0u);
        EXPECT_EQ(ProductVersion(dir / "c.ocx"), "<no fixed info>");
    }
}

TEST(PeVersion, AFileCutAtAnyLengthNeverReadsPastItsEnd) {
    CTempDir dir;
    for (const std::string& source : {PeFixture("component-4.0.3.12.ocx"), std::string()}) {
        const std::string image = source.empty() ? pe_builder::Build({}) : ReadFile(source);
        ASSERT_FALSE(image.empty());
        for (std::size_t length = 0; length < image.size(); ++length) {
            WriteFile(dir / "cut.ocx", std::string_view(image).substr(0, length));
            const std::string version = ProductVersion(dir / "cut.ocx");
            ASSERT_TRUE(version.empty() || version == "4.0.3.12")
                << "cut at " << length << ": " << version;
        }
    }
}

}  // namespace
