// Whether the client program runs: it holds a named shared-memory section while it does.
#pragma once

#include "platform/SharedSection.h"

namespace ui {

// Tries to take the client's running marker. True when the client does not run: section then
// holds the new marker, which the caller closes at once. False when the client runs (a
// message box says so) or the marker cannot be made (silently).
bool CheckClientRunning(platform::CSharedSection& section);

}  // namespace ui
