// The version resource of a Windows executable image (PE), read directly from the file.
// Only the headers and the resource entries on the way to RT_VERSION are read, and every
// offset is checked against the file before it is used.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// VS_FIXEDFILEINFO, the fixed part of a version resource.
struct VsFixedFileInfo {
    uint32_t signature = 0;
    uint32_t structVersion = 0;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
};

// Size in bytes of the file's version resource (GetFileVersionInfoSizeA); 0 when the file
// cannot be read, is not a PE image or has no version resource.
uint32_t GetVersionResourceSize(const std::string& path);

// Reads the version resource into out, at most size bytes (GetFileVersionInfoA); false
// when the file, read afresh, no longer yields one.
bool GetVersionResource(const std::string& path, uint32_t size, std::vector<uint8_t>& out);

// The fixed version information of a version resource (VerQueryValueA with "\"); nullopt
// when the resource carries none.
std::optional<VsFixedFileInfo> QueryFixedFileInfo(std::span<const uint8_t> resource);

}  // namespace platform
