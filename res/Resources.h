// The program's own resources: pictures (type "PNG"), the program icon (type "ICON", a PNG
// picture) and the string table (type "STRING", UTF-8 text), compiled into the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace res {

// One resource of the table.
struct ResourceEntry {
    const char* type;
    std::uint16_t id;
    const std::uint8_t* data;
    std::size_t size;
};

// The bytes of the resource with that type and id; the type is matched without regard to
// case of its ASCII letters. nullopt when there is none.
std::optional<std::span<const std::uint8_t>> FindResource(std::string_view type, std::uint16_t id);

// The text of string-table entry id (UTF-8); empty when there is none.
std::string LoadString(std::uint16_t id);

// Resource ids of the pictures, the icon and the strings.
inline constexpr std::uint16_t kProgressBackground = 133;
inline constexpr std::uint16_t kPromptBackground = 134;
inline constexpr std::uint16_t kUpdateNowButton = 135;
inline constexpr std::uint16_t kNotNowButton = 136;
inline constexpr std::uint16_t kCloseGlyph = 137;
inline constexpr std::uint16_t kManualDownloadButton = 138;
inline constexpr std::uint16_t kTryNowButton = 139;
inline constexpr std::uint16_t kProgramIcon = 5;
inline constexpr std::uint16_t kAboutMenuString = 101;
inline constexpr std::uint16_t kSocketFailedString = 103;

}  // namespace res
