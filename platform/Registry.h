// The registry: one REGEDIT4 file per hive (see RegistryHive.h), read whole and replaced
// whole, so that a reader never sees half a write.
//
// Files: $VOREL_REGISTRY_DIR/HKEY_CURRENT_USER.reg and .../HKEY_LOCAL_MACHINE.reg when
// VOREL_REGISTRY_DIR is set; otherwise $XDG_CONFIG_HOME/vorel/ (~/.config/vorel/) for the
// current user and /etc/vorel/ for the machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryHive.h"

namespace platform {

enum class RegRoot { CurrentUser, LocalMachine };

// Path of the file that holds a hive.
std::string RegHivePath(RegRoot root);

// An open key. Closing it is destroying it.
class CRegKey {
  public:
    // Opens an existing key for reading (RegOpenKeyExA with KEY_READ). nullopt when the
    // hive file is missing or cannot be parsed, or the key does not exist.
    static std::optional<CRegKey> OpenForRead(RegRoot root, std::string_view subKey);

    // Opens a key for writing, creating it when missing (RegCreateKeyA). nullopt when the
    // hive's folder cannot be made or the new key cannot be written. An existing hive
    // that cannot be parsed is left untouched; writes to it fail.
    static std::optional<CRegKey> OpenOrCreate(RegRoot root, std::string_view subKey);

    // Copies the value's bytes into buffer (RegQueryValueExA). false when the value is
    // missing or larger than bufferSize; dataSize and type receive what is stored.
    bool QueryValue(std::string_view name, void* buffer, std::size_t bufferSize,
                    std::size_t* dataSize = nullptr, uint32_t* type = nullptr) const;

    // Stores a typed value (RegSetValueExA): the hive file is replaced by a new file that
    // differs only in that value's line. false when the hive cannot be parsed or written.
    bool SetValue(std::string_view name, uint32_t type, const void* data, std::size_t size);

  private:
    CRegKey(RegRoot root, std::string subKey) : m_root(root), m_strSubKey(std::move(subKey)) {}

    RegRoot m_root;
    std::string m_strSubKey;
    std::optional<CRegHive> m_snapshot;  // the hive as it was when opened for reading
};

}  // namespace platform
