// The installed client's version: the product version of its component file.
#pragma once

#include <string>

// "a.b.c.d" from the product version (not the file version) of the file's version
// resource; empty text, with a log line for an unreadable file, when there is none.
std::string GetOCXVersion(const std::string& path);
