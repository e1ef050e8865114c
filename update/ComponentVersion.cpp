#include "update/ComponentVersion.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "common/Texts.h"
#include "common/UpdateLog.h"
#include "platform/PeVersion.h"

std::string GetOCXVersion(const std::string& path) {
    const uint32_t size = platform::GetVersionResourceSize(path);
    if (size == 0) {
        WriteLog(std::string(texts::kVersionInfoSizeFailed) + path);
        return std::string();
    }
    std::vector<uint8_t> resource;
    if (!platform::GetVersionResource(path, size, resource)) {
        WriteLog(std::string(texts::kVersionInfoFailed) + path);
        return std::string();
    }
    const std::optional<platform::VsFixedFileInfo> info = platform::QueryFixedFileInfo(resource);
    if (!info) return std::string();

    char text[128];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(info->productVersionMS >> 16),
                  static_cast<int>(info->productVersionMS & 0xFFFF),
                  static_cast<int>(info->productVersionLS >> 16),
                  static_cast<int>(info->productVersionLS & 0xFFFF));
    return text;
}
