#include "platform/SystemPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string GetProgramFilePath() {
    std::vector<char> buffer(4096);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return std::string();
    return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string GetTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string GetSystemFolder() {
    const char* dir = std::getenv("VOREL_SYSTEM_DIR");
    return WithoutTrailingSlashes((dir != nullptr && *dir != '\0') ? dir
                                                                   : VOREL_DEFAULT_SYSTEM_DIR);
}

}  // namespace platform
