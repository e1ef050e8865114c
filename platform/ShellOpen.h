// The shell's "open": hands a web address or a file to the desktop, or starts a program.
#pragma once

#include <string_view>

namespace platform {

// Opens target (ShellExecuteA with the verb "open"), without waiting for it and without a
// shell in between.
// - No working folder: the opener ($VOREL_OPENER when set, else xdg-open) is started with
//   target as its one argument (a web address or a document).
// - A working folder: target names a file in it, which is started there as a program; when
//   $VOREL_OPENER is set, the opener is started there instead with the file's full path.
// Returns false when nothing could be started; callers may ignore it.
bool ShellOpen(std::string_view target, std::string_view workingFolder = {});

}  // namespace platform
