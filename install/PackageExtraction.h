// Extraction of the downloaded install package, a zip archive.
#pragma once

#include <cstdint>
#include <string>

// The most data one package may put on disk, summed over its file entries; no real package
// comes near it.
inline constexpr uint64_t kMaxPackageDataSize = uint64_t{1} << 30;

// Writes every entry of the archive at zipPath into targetFolder, which must exist: an entry
// goes to targetFolder + "//" + its name. Folder entries (names ending in "/") are created,
// and one that exists already is fine; a file entry is written only into a folder that
// exists. A stored checksum that does not match the data is no failure.
// An entry name that could lead out of the target folder (a ".." part, a leading "/", a
// drive letter, a backslash, a NUL) or that is 512 bytes or longer is refused, and so is a
// file entry whose data would take the package beyond kMaxPackageDataSize; nothing is
// written for it. The first failure writes one log line and ends the extraction with false;
// what was written before it stays.
bool UnzipPackage(const std::string& zipPath, const std::string& targetFolder);
