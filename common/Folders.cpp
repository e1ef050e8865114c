#include "common/Folders.h"

#include <sys/stat.h>

#include "platform/GbkText.h"
#include "platform/RemoveTree.h"
#include "platform/SystemPaths.h"

namespace {

constexpr std::string_view kWorkDirPrefix = "vrn_";

bool IsOwnWorkPath(std::string_view path) {
    const std::string temp = platform::GetTempFolder();
    if (!path.starts_with(temp)) return false;
    std::string_view rest = path.substr(temp.size());
    if (!rest.starts_with(kWorkDirPrefix)) return false;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        if (part == "." || part == "..") return false;
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return true;
}

}  // namespace

std::string GetModuleDir() {
    const std::string program = platform::GetProgramFilePath();
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

bool IsSafeNamePart(std::string_view value) {
    if (value == "." || value == "..") return false;
    for (unsigned char c : value)
        if (c < 0x20 || c == 0x7F || c == '/') return false;
    // A backslash is a separator only as a character of its own, not as the second byte of
    // a double-byte character.
    return !platform::GbkContains(value, "\\");
}

std::string GetTempWorkDir(std::string_view installProjId, std::string_view normalInstallVersion) {
    if (!IsSafeNamePart(installProjId) || !IsSafeNamePart(normalInstallVersion))
        return std::string();
    std::string folder = platform::GetTempFolder();
    folder.append(kWorkDirPrefix).append(installProjId).append("_").append(normalInstallVersion);
    DeleteDirectory(folder + "/");
    // The temporary folder is shared: only a folder that this call created is used, so that
    // nothing placed there beforehand can take its place.
    if (::mkdir(folder.c_str(), 0700) != 0) return std::string();
    return folder + "/";
}

void DeleteDirectory(std::string_view path) {
    if (!IsOwnWorkPath(path)) return;
    platform::RemoveTree(path);
}
