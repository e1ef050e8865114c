#include "FuzzSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/UpdateLog.h"

namespace fuzz_support {
namespace {

std::string* g_pScratch = nullptr;

void RemoveScratch() {
    std::error_code ignored;
    if (g_pScratch != nullptr) std::filesystem::remove_all(*g_pScratch, ignored);
}

}  // namespace

const std::string& ScratchFolder() {
    if (g_pScratch == nullptr) {
        struct stat st {};
        const char* tmp = std::getenv("TMPDIR");
        std::string base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm"
                           : tmp != nullptr && *tmp != '\0'                    ? tmp
                                                                               : "/tmp";
        std::string pattern = base + "/vorel-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        g_pScratch = new std::string(pattern);
        std::atexit(RemoveScratch);
    }
    return *g_pScratch;
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
}

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

void DiscardLog() {
    ResetLog();
}

}  // namespace fuzz_support
