// The update check that runs once at start, before any window exists.
#pragma once

// The path of the manifest on the download server.
inline constexpr const char* kManifestPath = "/download/KD/KdVorelV2.xml";

// Reads the installed component's version, fetches and parses the update manifest and
// decides the kind of update. true when the update prompt is to be shown; the manifest
// record and the install-kind flags then hold what the prompt needs.
bool CheckForUpdate();
