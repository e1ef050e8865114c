// The program's folder, the per-version working folder and the delete that clears it.
#pragma once

#include <string>
#include <string_view>

// Folder of the running program, ending in "/"; empty when the program's path is unknown.
std::string GetModuleDir();

// True when a manifest value may become part of a file or folder name: it holds no "/",
// "\" (as a character of its own), NUL or control character and is neither "." nor "..".
// An empty value passes (it leaves its place in the name empty).
bool IsSafeNamePart(std::string_view value);

// Makes the working folder fresh: temporary folder + "vrn_" + installProjId + "_" +
// normalInstallVersion + "/". An earlier folder of that name is deleted with everything
// in it, and the folder is created anew, readable and writable by its owner only.
// Returns its path, or empty text when a value is unsafe (see IsSafeNamePart) or when the
// folder could not be created by us (for instance because something else stands there).
std::string GetTempWorkDir(std::string_view installProjId, std::string_view normalInstallVersion);

// Silent, permanent, recursive delete of a folder of ours: a path inside the temporary
// folder whose first part starts with "vrn_". Any other path, and any path with a "." or
// ".." part, is left alone. Links are removed, never followed. The outcome is not reported.
void DeleteDirectory(std::string_view path);
