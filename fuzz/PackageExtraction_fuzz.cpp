// The downloaded package extracted in a scratch folder: whatever the archive holds, nothing
// may appear outside the target folder, and no link may appear inside it.
// Input: the whole zip file.
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "install/PackageExtraction.h"

using fuzz_support::Require;
namespace fs = std::filesystem;

namespace {

// outer/zone/package.zip and outer/zone/target/: an entry that escapes by one or two levels
// lands in zone/ or outer/, where it is seen.
std::string g_strOuter, g_strZone, g_strPackage, g_strTarget;

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename());
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_strOuter = fuzz_support::ScratchFolder() + "/outer";
    g_strZone = g_strOuter + "/zone";
    g_strPackage = g_strZone + "/package.zip";
    g_strTarget = g_strZone + "/target";
    fs::create_directories(g_strZone);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::WriteWholeFile(g_strPackage, fuzz_support::AsText(data, size));
    fs::create_directory(g_strTarget);

    UnzipPackage(g_strPackage, g_strTarget);

    Require(Names(g_strOuter) == std::set<std::string>{"zone"},
            "nothing appears beside the working folder");
    Require(Names(g_strZone) == (std::set<std::string>{"package.zip", "target"}),
            "nothing appears beside the target");
    uint64_t total = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(g_strTarget)) {
        Require(!entry.is_symlink(), "no link is made");
        Require(entry.is_directory() || entry.is_regular_file(), "only files and folders are made");
        if (entry.is_regular_file()) total += entry.file_size();
    }
    Require(total <= kMaxPackageDataSize, "a package stays within its data limit");
    fs::remove_all(g_strTarget);
    fuzz_support::DiscardLog();
    return 0;
}
