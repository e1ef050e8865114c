// Registering a component in the system: its own registration entry, DllRegisterServer, is
// called. A native shared object is loaded into this process for it (dlopen, dlsym, dlclose);
// a Windows component image (PE) cannot be loaded here and goes to the registrar command.
#pragma once

#include <string>

namespace platform {

// What became of a registration, as loading the module, finding its entry and calling it
// (LoadLibraryA, GetProcAddress, DllRegisterServer) tell it.
enum class RegistrationResult {
    kRegistered,    // the entry ran and returned zero or a positive value (S_OK, S_FALSE ...)
    kNotLoaded,     // the component could not be loaded
    kEntryMissing,  // it exports no "DllRegisterServer"
    kEntryFailed,   // "DllRegisterServer" returned a negative value
};

// Registers the component at path.
// - A native shared object is loaded (symbols bound at once), its "DllRegisterServer" (no
//   arguments, a 32-bit result) is called, and it is unloaded again.
// - A PE image is handed to the command named by $VOREL_REGSVR, started without a shell as
//   `$VOREL_REGSVR /s <path>`, and its exit status is read as regsvr32's: 0 registered,
//   3 could not be loaded, 4 entry not found, 5 entry failed. Any other status, a command
//   that cannot be started or ends by a signal, or no $VOREL_REGSVR at all: not loaded.
// Waits for the registration to end.
RegistrationResult RegisterServer(const std::string& path);

}  // namespace platform
