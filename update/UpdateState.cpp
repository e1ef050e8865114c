#include "update/UpdateState.h"

#include <array>
#include <cstring>
#include <optional>

#include "common/Texts.h"
#include "common/UpdateLog.h"
#include "platform/Registry.h"

bool ReadRegString(std::string_view name, std::string& out) {
    std::optional<platform::CRegKey> key =
        platform::CRegKey::OpenForRead(platform::RegRoot::CurrentUser, kUpdateStateKey);
    if (!key) {
        WriteLog(texts::Gbk(texts::kRegReadFailed));
        return false;
    }
    std::array<char, 1024> buffer{};
    if (!key->QueryValue(name, buffer.data(), buffer.size())) {
        WriteLog(texts::Gbk(texts::kRegReadFailed));
        return false;
    }
    out.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return true;
}

bool WriteRegString(std::string_view name, std::string_view value) {
    std::optional<platform::CRegKey> key =
        platform::CRegKey::OpenOrCreate(platform::RegRoot::CurrentUser, kUpdateStateKey);
    if (!key) {
        WriteLog(texts::Gbk(texts::kRegCreateFailed));
        return false;
    }
    std::string data(value);
    if (!key->SetValue(name, platform::kRegSz, data.c_str(), data.size() + 1)) {
        WriteLog(texts::Gbk(texts::kRegWriteFailed));
        return false;
    }
    return true;
}
