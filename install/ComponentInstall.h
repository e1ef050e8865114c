// Putting the new component in place: the copy into the system folder and its registration.
#pragma once

#include <string>

// The component's file name as it is joined to a folder.
inline constexpr const char* kComponentTail = "/HalvoraMain.ocx";

// Copies the component from extractFolder into systemFolder and registers the copy there.
// True only when both succeed.
bool InstallComponent(const std::string& systemFolder, const std::string& extractFolder);

// Copies sourceFolder's component over the one in destinationFolder. The copy is written
// beside the old component and takes its place in one step, so after a failure (logged) the
// old component is still there as it was.
bool CopyComponent(const std::string& destinationFolder, const std::string& sourceFolder);

// Registers the component in folder by calling its "DllRegisterServer" (see
// platform/ComponentRegistrar.h for how a Windows image is registered here). A component that
// cannot be loaded, lacks the entry or whose entry returns a negative result is logged and
// gives false; zero or a positive result gives true.
bool RegisterComponent(const std::string& folder);
