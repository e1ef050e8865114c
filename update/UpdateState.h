// The stored update state: two text values under the current user's key SOFTWARE\VRN\KD40,
// shared with software outside the updater.
#pragma once

#include <string>
#include <string_view>

// The key that holds the stored update state, below HKEY_CURRENT_USER.
inline constexpr std::string_view kUpdateStateKey = "SOFTWARE\\VRN\\KD40";

// Reads a value as text (its bytes up to the first NUL). On failure logs "读取注册表失败!",
// returns false and leaves out as it was.
bool ReadRegString(std::string_view name, std::string& out);

// Writes a text value (REG_SZ, with its terminating NUL). On failure logs "创建注册表失败!"
// or "写入注册表失败!" and returns false.
bool WriteRegString(std::string_view name, std::string_view value);
