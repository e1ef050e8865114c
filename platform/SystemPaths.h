// Where the operating system keeps things: the program's own file, the temporary folder
// and the system folder.
#pragma once

#include <string>

namespace platform {

// Full path of the running program's file (GetModuleFileNameA); empty when unknown.
std::string GetProgramFilePath();

// The temporary folder with a trailing "/" (GetTempPathA): $TMPDIR, else /tmp/.
std::string GetTempFolder();

// The system folder without a trailing "/" (GetSystemDirectoryA): $VOREL_SYSTEM_DIR, else
// the folder fixed when the program was built.
std::string GetSystemFolder();

}  // namespace platform
