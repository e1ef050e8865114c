#include "install/PackageExtraction.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "common/Texts.h"
#include "common/UpdateLog.h"
#include "platform/GbkText.h"

namespace {

constexpr unsigned kNameBufferSize = 512;
constexpr unsigned kDataBufferSize = 8192;

struct ArchiveClose {
    void operator()(void* archive) const { unzClose(archive); }
};
using CArchive = std::unique_ptr<void, ArchiveClose>;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// True when the file is a zip archive without entries: nothing but its end record (and the
// archive comment). minizip cannot open such an archive: it takes an end record at offset 0
// for none found.
bool IsEmptyArchive(const std::string& zipPath) {
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(zipPath.c_str(), "rb"));
    unsigned char end[22];
    if (!file || std::fread(end, 1, sizeof end, file.get()) != sizeof end) return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file.get());
    auto u16 = [&](int at) { return end[at] | (end[at + 1] << 8); };
    auto u32 = [&](int at) { return u16(at) | (static_cast<long>(u16(at + 2)) << 16); };
    return std::memcmp(end, "PK\x05\x06", 4) == 0 && u16(8) == 0 && u16(10) == 0 && u32(12) == 0 &&
           size == static_cast<long>(sizeof end) + u16(20);
}

bool Fail(std::string_view message) {
    WriteLog(texts::Gbk(message));
    return false;
}

// Copies the open entry's data into the output path. The entry stays open.
bool WriteEntryData(unzFile archive, const std::string& outputPath, uint64_t declaredSize) {
    std::unique_ptr<std::FILE, FileClose> output(std::fopen(outputPath.c_str(), "wb"));
    if (!output) return Fail(texts::kUnzipOpenTarget);
    char buffer[kDataBufferSize];
    uint64_t written = 0;
    for (;;) {
        const int count = unzReadCurrentFile(archive, buffer, sizeof buffer);
        if (count < 0) return Fail(texts::kUnzipReadEntry);
        if (count == 0) break;
        // The reader stops at the declared size; more would be a package filling the disk.
        written += static_cast<unsigned>(count);
        if (written > declaredSize) return Fail(texts::kUnzipReadEntry);
        // A short write (a full disk) would leave a damaged file behind a success.
        if (std::fwrite(buffer, 1, static_cast<size_t>(count), output.get()) !=
            static_cast<size_t>(count))
            return Fail(texts::kUnzipOpenTarget);
    }
    if (std::fclose(output.release()) != 0) return Fail(texts::kUnzipOpenTarget);
    return true;
}

// True when an entry name may be joined to the target folder without leading out of it.
bool IsSafeEntryName(std::string_view name) {
    if (name.empty()) return true;
    if (name.front() == '/') return false;
    const bool driveLetter =
        (name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z');
    if (name.size() >= 2 && name[1] == ':' && driveLetter) return false;
    // A backslash counts as a separator only as a character of its own, not as the second
    // byte of a double-byte character.
    if (platform::GbkContains(name, "\\") || name.find('\0') != std::string_view::npos)
        return false;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        if (name.substr(start, slash - start) == "..") return false;
        start = slash + 1;
    }
    return true;
}

}  // namespace

bool UnzipPackage(const std::string& zipPath, const std::string& targetFolder) {
    CArchive archive(unzOpen(zipPath.c_str()));
    if (!archive) return IsEmptyArchive(zipPath) || Fail(texts::kUnzipOpenArchive);
    unz_global_info global{};
    if (unzGetGlobalInfo(archive.get(), &global) != UNZ_OK) return Fail(texts::kUnzipGlobalInfo);
    if (global.number_entry == 0) return true;

    uint64_t packageData = 0;
    for (uLong entry = 0;; ++entry) {
        unz_file_info info{};
        char name[kNameBufferSize];
        if (unzGetCurrentFileInfo(archive.get(), &info, name, sizeof name, nullptr, 0, nullptr,
                                  0) != UNZ_OK)
            return Fail(texts::kUnzipEntryInfo);
        // A name of 512 bytes or more does not fit (the reader leaves it unterminated); a name
        // with a NUL inside would be cut short. Both, and names that lead elsewhere, are refused.
        if (info.size_filename >= sizeof name) return Fail(texts::kUnzipEntryInfo);
        const std::string_view entryName(name, info.size_filename);
        if (!IsSafeEntryName(entryName)) return Fail(texts::kUnzipEntryInfo);
        const std::string outputPath = targetFolder + "//" + std::string(entryName);

        if (entryName.ends_with('/')) {
            std::error_code ignored;
            std::filesystem::create_directory(outputPath, ignored);
        } else {
            if (info.uncompressed_size > kMaxPackageDataSize - packageData)
                return Fail(texts::kUnzipReadEntry);
            packageData += info.uncompressed_size;
            // minizip opens a bzip2 entry without bzip2 support and hands out its raw bytes.
            if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
                return Fail(texts::kUnzipOpenEntry);
            if (unzOpenCurrentFile(archive.get()) != UNZ_OK) return Fail(texts::kUnzipOpenEntry);
            const bool written = WriteEntryData(archive.get(), outputPath, info.uncompressed_size);
            if (!written) {
                unzCloseCurrentFile(archive.get());
                return false;
            }
        }
        // A checksum mismatch reported here does not stop the extraction.
        unzCloseCurrentFile(archive.get());
        if (entry + 1 == global.number_entry) return true;
        if (unzGoToNextFile(archive.get()) != UNZ_OK) return Fail(texts::kUnzipNextEntry);
    }
}
