// The component file read for its version: the PE headers, the resource directory, the
// version block. Input: the whole file.
#include <cstdio>
#include <vector>

#include "FuzzSupport.h"
#include "platform/PeVersion.h"
#include "update/ComponentVersion.h"

using fuzz_support::Require;

namespace {

std::string g_strPath;

// "a.b.c.d", four numbers of 0 to 65535.
bool IsVersionText(const std::string& text) {
    unsigned fields[4];
    int used = 0;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%n", &fields[0], &fields[1], &fields[2], &fields[3],
                    &used) != 4 ||
        static_cast<std::size_t>(used) != text.size())
        return false;
    for (unsigned f : fields)
        if (f > 65535) return false;
    char again[64];
    std::snprintf(again, sizeof again, "%u.%u.%u.%u", fields[0], fields[1], fields[2], fields[3]);
    return text == again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_strPath.empty()) g_strPath = fuzz_support::ScratchFolder() + "/HalvoraMain.ocx";
    fuzz_support::WriteWholeFile(g_strPath, fuzz_support::AsText(data, size));

    // The version block parser alone, over the raw bytes.
    if (auto info = platform::QueryFixedFileInfo(std::span<const uint8_t>(data, size)))
        Require(info->signature == 0xFEEF04BDu, "fixed information carries its signature");

    const uint32_t resourceSize = platform::GetVersionResourceSize(g_strPath);
    Require(resourceSize <= 0x10000 && resourceSize <= size, "a version block lies in the file");
    std::vector<uint8_t> resource;
    const bool read = platform::GetVersionResource(g_strPath, resourceSize, resource);
    Require(read == (resourceSize != 0), "the block found by its size is read from the same file");
    if (read) {
        Require(resource.size() == resourceSize, "the block is read whole");
        // A smaller buffer takes the start of the same block.
        std::vector<uint8_t> start;
        Require(platform::GetVersionResource(g_strPath, resourceSize / 2, start) &&
                    start.size() == resourceSize / 2 &&
                    std::equal(start.begin(), start.end(), resource.begin()),
                "a smaller read takes the start of the block");
        platform::QueryFixedFileInfo(resource);
    }

    const std::string version = GetOCXVersion(g_strPath);
    Require(version.empty() || IsVersionText(version),
            "the version is empty or a.b.c.d of 16-bit numbers");
    if (!version.empty()) Require(read, "a version comes from a version block");
    fuzz_support::DiscardLog();
    return 0;
}
