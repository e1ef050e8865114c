#include "platform/PeVersion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileDescriptor.h"
#include "platform/FileReading.h"

namespace platform {
namespace {

constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr uint32_t kMaxResourceSize = 0x10000;  // a version block's length is a 16-bit field
constexpr uint16_t kMaxSections = 96;

struct Location {
    uint64_t offset = 0;
    uint32_t size = 0;
};

// Bounds-checked reads from an open file.
class CFileReader {
  public:
    explicit CFileReader(int fd) : m_fd(fd) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
            m_size = static_cast<uint64_t>(st.st_size);
    }
    uint64_t Size() const { return m_size; }

    bool Read(uint64_t offset, void* out, size_t length) const {
        return offset <= m_size && length <= m_size - offset &&
               ReadExactlyAt(m_fd, offset, out, length);
    }
    bool U16(uint64_t offset, uint16_t& v) const {
        uint8_t b[2];
        if (!Read(offset, b, 2)) return false;
        v = LittleEndian16(b);
        return true;
    }
    bool U32(uint64_t offset, uint32_t& v) const {
        uint8_t b[4];
        if (!Read(offset, b, 4)) return false;
        v = LittleEndian32(b);
        return true;
    }

  private:
    int m_fd;
    uint64_t m_size = 0;
};

struct Section {
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
};

class CPeImage {
  public:
    explicit CPeImage(const CFileReader& file) : m_file(file) {}

    bool ReadHeaders() {
        uint16_t mz = 0;
        uint32_t peOffset = 0, signature = 0;
        if (!m_file.U16(0, mz) || mz != 0x5A4D || !m_file.U32(0x3C, peOffset)) return false;
        if (!m_file.U32(peOffset, signature) || signature != 0x00004550) return false;
        const uint64_t coff = uint64_t{peOffset} + 4;
        uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
        if (!m_file.U16(coff + 2, sectionCount) || !m_file.U16(coff + 16, optionalSize))
            return false;
        const uint64_t optional = coff + 20;
        if (!m_file.U16(optional, magic)) return false;
        uint32_t countOffset;
        if (magic == 0x10B) {
            countOffset = 92;
        } else if (magic == 0x20B) {
            countOffset = 108;
        } else {
            return false;
        }
        uint32_t directoryCount = 0;
        const uint32_t resourceEntry = countOffset + 4 + 2 * 8;  // data directory 2
        if (optionalSize < resourceEntry + 8 ||
            !m_file.U32(optional + countOffset, directoryCount) || directoryCount <= 2)
            return false;
        if (!m_file.U32(optional + resourceEntry, m_resourceRva)) return false;
        if (m_resourceRva == 0 || sectionCount == 0 || sectionCount > kMaxSections) return false;
        const uint64_t table = optional + optionalSize;
        for (uint16_t i = 0; i < sectionCount; ++i) {
            Section s;
            const uint64_t at = table + uint64_t{i} * 40;
            if (!m_file.U32(at + 8, s.virtualSize) || !m_file.U32(at + 12, s.virtualAddress) ||
                !m_file.U32(at + 16, s.rawSize) || !m_file.U32(at + 20, s.rawOffset))
                return false;
            m_sections.push_back(s);
        }
        return true;
    }

    // File offset of length bytes at rva, when they lie in one section's data in the file.
    std::optional<uint64_t> RvaToOffset(uint64_t rva, uint64_t length) const {
        for (const Section& s : m_sections) {
            if (rva < s.virtualAddress) continue;
            const uint64_t delta = rva - s.virtualAddress;
            if (delta > s.rawSize || length > s.rawSize - delta) continue;
            const uint64_t offset = uint64_t{s.rawOffset} + delta;
            if (offset > m_file.Size() || length > m_file.Size() - offset) return std::nullopt;
            return offset;
        }
        return std::nullopt;
    }

    // The RT_VERSION resource: type directory, first name, first language, data entry.
    std::optional<Location> FindVersionResource() const {
        std::optional<uint32_t> names = FindEntry(0, kRtVersion, true);
        if (!names || !(*names & kHighBit)) return std::nullopt;
        std::optional<uint32_t> languages = FindEntry(*names & ~kHighBit, 0, false);
        if (!languages || !(*languages & kHighBit)) return std::nullopt;
        std::optional<uint32_t> data = FindEntry(*languages & ~kHighBit, 0, false);
        if (!data || (*data & kHighBit)) return std::nullopt;
        std::optional<uint64_t> entry = RvaToOffset(uint64_t{m_resourceRva} + *data, 16);
        uint32_t dataRva = 0, dataSize = 0;
        if (!entry || !m_file.U32(*entry, dataRva) || !m_file.U32(*entry + 4, dataSize))
            return std::nullopt;
        if (dataSize == 0 || dataSize > kMaxResourceSize) return std::nullopt;
        std::optional<uint64_t> offset = RvaToOffset(dataRva, dataSize);
        if (!offset) return std::nullopt;
        return Location{*offset, dataSize};
    }

  private:
    // In the resource directory at dirOffset (relative to the resource root), the
    // OffsetToData of the entry with the given id, or of the first entry when !byId.
    std::optional<uint32_t> FindEntry(uint32_t dirOffset, uint32_t id, bool byId) const {
        std::optional<uint64_t> dir = RvaToOffset(uint64_t{m_resourceRva} + dirOffset, 16);
        uint16_t named = 0, ids = 0;
        if (!dir || !m_file.U16(*dir + 12, named) || !m_file.U16(*dir + 14, ids))
            return std::nullopt;
        const uint32_t count = uint32_t{named} + ids;
        if (count == 0) return std::nullopt;
        std::optional<uint64_t> entries =
            RvaToOffset(uint64_t{m_resourceRva} + dirOffset + 16, uint64_t{count} * 8);
        if (!entries) return std::nullopt;
        for (uint32_t i = 0; i < (byId ? count : 1); ++i) {
            uint32_t name = 0, target = 0;
            if (!m_file.U32(*entries + i * 8, name) || !m_file.U32(*entries + i * 8 + 4, target))
                return std::nullopt;
            if (!byId || name == id) return target;
        }
        return std::nullopt;
    }

    const CFileReader& m_file;
    uint32_t m_resourceRva = 0;
    std::vector<Section> m_sections;
};

std::optional<Location> LocateVersionResource(const CFileReader& file) {
    CPeImage image(file);
    if (!image.ReadHeaders()) return std::nullopt;
    return image.FindVersionResource();
}

}  // namespace

uint32_t GetVersionResourceSize(const std::string& path) {
    CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return 0;
    CFileReader file(fd.Get());
    std::optional<Location> where = LocateVersionResource(file);
    return where ? where->size : 0;
}

bool GetVersionResource(const std::string& path, uint32_t size, std::vector<uint8_t>& out) {
    CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return false;
    CFileReader file(fd.Get());
    std::optional<Location> where = LocateVersionResource(file);
    if (!where) return false;
    out.assign(std::min(size, where->size), 0);
    return file.Read(where->offset, out.data(), out.size());
}

std::optional<VsFixedFileInfo> QueryFixedFileInfo(std::span<const uint8_t> resource) {
    // VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO", padding to 4 bytes,
    // then VS_FIXEDFILEINFO as its value.
    constexpr size_t kValueOffset = 40;
    constexpr size_t kFixedSize = 52;
    static const char16_t kKey[] = u"VS_VERSION_INFO";
    auto u16 = [&](size_t at) {
        return static_cast<uint16_t>(resource[at] | (resource[at + 1] << 8));
    };
    auto u32 = [&](size_t at) {
        return resource[at] | (resource[at + 1] << 8) | (resource[at + 2] << 16) |
               (static_cast<uint32_t>(resource[at + 3]) << 24);
    };
    if (resource.size() < kValueOffset + kFixedSize) return std::nullopt;
    const uint16_t length = u16(0), valueLength = u16(2);
    if (length < kValueOffset + kFixedSize || length > resource.size() || valueLength < kFixedSize)
        return std::nullopt;
    for (size_t i = 0; i < 16; ++i)
        if (u16(6 + i * 2) != kKey[i]) return std::nullopt;
    VsFixedFileInfo info;
    info.signature = u32(kValueOffset);
    if (info.signature != kFixedSignature) return std::nullopt;
    info.structVersion = u32(kValueOffset + 4);
    info.fileVersionMS = u32(kValueOffset + 8);
    info.fileVersionLS = u32(kValueOffset + 12);
    info.productVersionMS = u32(kValueOffset + 16);
    info.productVersionLS = u32(kValueOffset + 20);
    return info;
}

}  // namespace platform
