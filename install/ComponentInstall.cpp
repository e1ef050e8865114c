#include "install/ComponentInstall.h"

#include <string_view>

#include "common/Texts.h"
#include "common/UpdateLog.h"
#include "platform/ComponentRegistrar.h"
#include "platform/FileCopy.h"

namespace {

bool Fail(std::string_view message) {
    WriteLog(texts::Gbk(message));
    return false;
}

}  // namespace

bool InstallComponent(const std::string& systemFolder, const std::string& extractFolder) {
    if (!CopyComponent(systemFolder, extractFolder)) return false;
    return RegisterComponent(systemFolder);
}

bool CopyComponent(const std::string& destinationFolder, const std::string& sourceFolder) {
    const std::string source = sourceFolder + kComponentTail;
    const std::string destination = destinationFolder + kComponentTail;
    if (!platform::CopyFileReplacing(source, destination)) return Fail(texts::kCopyFailed);
    return true;
}

bool RegisterComponent(const std::string& folder) {
    // Initialising the component object model, around this call on Windows, has nothing to
    // do here.
    switch (platform::RegisterServer(folder + kComponentTail)) {
        case platform::RegistrationResult::kRegistered:
            return true;
        case platform::RegistrationResult::kNotLoaded:
            return Fail(texts::kLoadFailed);
        case platform::RegistrationResult::kEntryMissing:
            return Fail(texts::kRegisterEntryMissing);
        case platform::RegistrationResult::kEntryFailed:
            return Fail(texts::kRegisterCallFailed);
    }
    return Fail(texts::kLoadFailed);
}
