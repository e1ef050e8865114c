#include "platform/ComponentRegistrar.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/FileDescriptor.h"

extern char** environ;

namespace platform {
namespace {

// regsvr32's exit statuses.
constexpr int kRegsvrOk = 0;
constexpr int kRegsvrLoadFailed = 3;
constexpr int kRegsvrEntryNotFound = 4;
constexpr int kRegsvrEntryFailed = 5;

struct ModuleClose {
    void operator()(void* handle) const { ::dlclose(handle); }
};

bool ReadAt(int fd, off_t offset, void* out, size_t length) {
    ssize_t n;
    do {
        n = ::pread(fd, out, length, offset);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(length);
}

// True when the file starts with a DOS header that leads to a PE signature.
bool IsPeImage(const std::string& path) {
    CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    unsigned char dos[64], signature[4];
    if (!fd || !ReadAt(fd.Get(), 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const uint32_t peOffset =
        dos[0x3C] | (dos[0x3D] << 8) | (dos[0x3E] << 16) | (static_cast<uint32_t>(dos[0x3F]) << 24);
    return ReadAt(fd.Get(), static_cast<off_t>(peOffset), signature, sizeof signature) &&
           signature[0] == 'P' && signature[1] == 'E' && signature[2] == 0 && signature[3] == 0;
}

RegistrationResult RegisterNative(const std::string& path) {
    std::unique_ptr<void, ModuleClose> module(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!module) return RegistrationResult::kNotLoaded;
    void* entry = ::dlsym(module.get(), "DllRegisterServer");
    if (entry == nullptr) return RegistrationResult::kEntryMissing;
    const int32_t result = reinterpret_cast<int32_t (*)()>(entry)();
    return result < 0 ? RegistrationResult::kEntryFailed : RegistrationResult::kRegistered;
}

RegistrationResult RegisterWithRegistrar(const std::string& path) {
    const char* registrar = std::getenv("VOREL_REGSVR");
    if (registrar == nullptr || *registrar == '\0') return RegistrationResult::kNotLoaded;
    std::string command = registrar, silent = "/s", file = path;
    char* argv[] = {command.data(), silent.data(), file.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
        return RegistrationResult::kNotLoaded;
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited != pid || !WIFEXITED(status)) return RegistrationResult::kNotLoaded;
    switch (WEXITSTATUS(status)) {
        case kRegsvrOk:
            return RegistrationResult::kRegistered;
        case kRegsvrEntryNotFound:
            return RegistrationResult::kEntryMissing;
        case kRegsvrEntryFailed:
            return RegistrationResult::kEntryFailed;
        case kRegsvrLoadFailed:
        default:
            return RegistrationResult::kNotLoaded;
    }
}

}  // namespace

RegistrationResult RegisterServer(const std::string& path) {
    return IsPeImage(path) ? RegisterWithRegistrar(path) : RegisterNative(path);
}

}  // namespace platform
