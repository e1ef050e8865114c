#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "platform/FileDescriptor.h"

namespace platform {
namespace {

const char* RootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string HiveFolder(RegRoot root) {
    if (const char* dir = std::getenv("VOREL_REGISTRY_DIR"); dir != nullptr && *dir != '\0')
        return std::string(dir) + "/";
    if (root == RegRoot::LocalMachine) return "/etc/vorel/";
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
        return std::string(config) + "/vorel/";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/vorel/";
}

// Reads the whole file; nullopt when it cannot be read (a missing file sets missing).
std::optional<std::string> ReadWholeFile(const std::string& path, bool& missing) {
    missing = false;
    CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        missing = errno == ENOENT;
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

std::optional<CRegHive> LoadHive(RegRoot root) {
    bool missing = false;
    std::optional<std::string> text = ReadWholeFile(RegHivePath(root), missing);
    if (!text) return std::nullopt;
    return CRegHive::Parse(*text, RootName(root));
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Temporary files of writes that were killed before their rename. Only called under the
// folder's lock, so no live writer owns one of them.
void RemoveStaleTempFiles(const std::string& folder, const std::string& prefix) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix))
            std::filesystem::remove(entry.path(), ec);
    }
}

// Replaces the hive file with a new text made from the current one, under an exclusive
// lock on the hive's folder so that two writers never lose each other's change. The new
// file is written and synced beside the old one and renamed over it.
bool UpdateHive(RegRoot root,
                const std::function<std::optional<std::string>(const CRegHive&)>& edit) {
    const std::string folder = HiveFolder(root);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    CFileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return false;
    while (::flock(dir.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }

    const std::string path = RegHivePath(root);
    RemoveStaleTempFiles(folder, std::string(RootName(root)) + ".reg.");
    bool missing = false;
    std::optional<std::string> current = ReadWholeFile(path, missing);
    if (!current && !missing) return false;
    std::optional<CRegHive> hive =
        CRegHive::Parse(current ? *current : CRegHive::EmptyText(), RootName(root));
    if (!hive) return false;
    std::optional<std::string> text = edit(*hive);
    if (!text) return false;
    if (current && *text == *current) return true;

    std::string temp = path + ".XXXXXX";
    CFileDescriptor out(::mkostemp(temp.data(), O_CLOEXEC));
    if (!out) return false;
    struct stat old {};
    mode_t mode = (current && ::stat(path.c_str(), &old) == 0) ? (old.st_mode & 07777) : 0644;
    bool ok =
        ::fchmod(out.Get(), mode) == 0 && WriteAll(out.Get(), *text) && ::fsync(out.Get()) == 0;
    ok = out.Close() && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    ::fsync(dir.Get());
    return true;
}

}  // namespace

std::string RegHivePath(RegRoot root) {
    return HiveFolder(root) + RootName(root) + ".reg";
}

std::optional<CRegKey> CRegKey::OpenForRead(RegRoot root, std::string_view subKey) {
    std::optional<CRegHive> hive = LoadHive(root);
    if (!hive || !hive->HasKey(subKey)) return std::nullopt;
    CRegKey key(root, std::string(subKey));
    key.m_snapshot = std::move(hive);
    return key;
}

std::optional<CRegKey> CRegKey::OpenOrCreate(RegRoot root, std::string_view subKey) {
    const bool created = UpdateHive(root, [&](const CRegHive& hive) -> std::optional<std::string> {
        return hive.WithKey(subKey);
    });
    if (created) return CRegKey(root, std::string(subKey));
    // A hive that exists but cannot be parsed still opens; every write to it then fails
    // and leaves the file as it is.
    bool missing = false;
    std::optional<std::string> text = ReadWholeFile(RegHivePath(root), missing);
    if (text && !CRegHive::Parse(*text, RootName(root))) return CRegKey(root, std::string(subKey));
    return std::nullopt;
}

bool CRegKey::QueryValue(std::string_view name, void* buffer, std::size_t bufferSize,
                         std::size_t* dataSize, uint32_t* type) const {
    std::optional<CRegHive> loaded;
    const CRegHive* hive = m_snapshot ? &*m_snapshot : nullptr;
    if (hive == nullptr) {
        loaded = LoadHive(m_root);
        if (!loaded) return false;
        hive = &*loaded;
    }
    std::optional<RegValue> value = hive->GetValue(m_strSubKey, name);
    if (!value) return false;
    if (dataSize != nullptr) *dataSize = value->data.size();
    if (type != nullptr) *type = value->type;
    if (value->data.size() > bufferSize) return false;
    if (!value->data.empty()) std::memcpy(buffer, value->data.data(), value->data.size());
    return true;
}

bool CRegKey::SetValue(std::string_view name, uint32_t type, const void* data, std::size_t size) {
    RegValue value;
    value.type = type;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    value.data.assign(bytes, bytes + size);
    return UpdateHive(m_root, [&](const CRegHive& hive) -> std::optional<std::string> {
        return hive.WithValue(m_strSubKey, name, value);
    });
}

}  // namespace platform
