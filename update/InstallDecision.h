// Whether the user is asked to update, and which kind of update it is.
#pragma once

#include <string_view>

// Install-kind flags: 0 at start, set to 1 by the decision, never reset.
extern int g_nForceInstall;    // the forced version is newer than the local one
extern int g_nSpecifyInstall;  // the local version is named in the specified list
extern int g_nAdvanceInstall;  // the advanced version is newer than the local one
extern int
    g_nMiniInstall;  // the local version is newer than the minimum for a component-only update

// Sets the flags from the manifest record and the local version; TRUE when the prompt is
// to be shown. A normal update is gated by the stored update state.
bool DecideInstallKind(std::string_view localVersion);
