// Silent, permanent, recursive delete.
#pragma once

#include <string_view>

namespace platform {

// Deletes the file or folder at path with everything in it. A symbolic link is removed,
// never followed, also when it is the path itself and the path ends in "/". An empty path,
// the root folder and paths ending in "." or ".." are refused. Every failure is silent;
// true when nothing stands at path afterwards.
bool RemoveTree(std::string_view path);

}  // namespace platform
