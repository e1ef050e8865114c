#include "platform/RemoveTree.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace platform {

bool RemoveTree(std::string_view path) {
    // A trailing "/" would make the kernel resolve a link at the end of the path and
    // delete the folder it points to; the link itself is what we were asked to remove.
    std::string target(path);
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    if (target.empty() || target == "/") return false;
    const std::filesystem::path p(target);
    const std::string last = p.filename().string();
    if (last == "." || last == "..") return false;

    std::error_code ec;
    std::filesystem::remove_all(p, ec);
    return !std::filesystem::exists(std::filesystem::symlink_status(p, ec));
}

}  // namespace platform
