// Copying a file over another so that the destination is never left half written.
#pragma once

#include <string>

namespace platform {

// Copies source to destination, replacing a file that stands there (CopyFileA with
// fail-if-exists off). The data goes to a new file in the destination's folder, is flushed to
// disk and then takes the destination's name in one step, with the source's permission bits.
// False when any step fails; the destination is then as it was and the new file is gone.
bool CopyFileReplacing(const std::string& source, const std::string& destination);

}  // namespace platform
