#include "res/Resources.h"

#include <algorithm>

namespace res {

// The table, generated at build time from the files in res/.
extern const ResourceEntry kResourceTable[];
extern const std::size_t kResourceCount;

namespace {

bool SameType(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindResource(std::string_view type, std::uint16_t id) {
    for (std::size_t i = 0; i < kResourceCount; ++i) {
        const ResourceEntry& entry = kResourceTable[i];
        if (entry.id == id && SameType(entry.type, type))
            return std::span<const std::uint8_t>(entry.data, entry.size);
    }
    return std::nullopt;
}

std::string LoadString(std::uint16_t id) {
    std::optional<std::span<const std::uint8_t>> bytes = FindResource("STRING", id);
    if (!bytes) return {};
    return std::string(bytes->begin(), bytes->end());
}

}  // namespace res
