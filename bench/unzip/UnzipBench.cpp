// Extracts a package of about 100 MiB (200 files of 512 KiB, half compressible text and half
// random bytes, in 10 folders with their folder entries), made by Info-ZIP's zip, with
// UnzipPackage and with Info-ZIP's `unzip -o` into fresh folders on the same disk. The runs
// alternate; each is a process of its own, so that its time includes starting up, as
// unzip's does, and its peak resident memory is its own. Prints the medians and the ratio of
// throughputs.
//
// bench_unzip [--runs N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "install/PackageExtraction.h"
#include "support/BenchSupport.h"

namespace {

using bench_support::Fail;
using bench_support::Measure;
using bench_support::Median;
using bench_support::Sample;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFolders = 10;
constexpr int kFilesPerFolder = 20;
constexpr std::size_t kFileSize = 512 * 1024;

// The package's files: even numbers are text that deflates well, odd ones random bytes.
void WriteTree(const std::string& root) {
    static const char* const kWords[] = {"halvora ", "component ", "update ",   "varnel ",
                                         "bank ",    "package ",   "register ", "version ",
                                         "client ",  "signature "};
    std::mt19937_64 random(7);
    std::string content(kFileSize, '\0');
    for (int folder = 0; folder < kFolders; ++folder) {
        const std::string dir = root + "/folder" + std::to_string(folder);
        fs::create_directories(dir);
        for (int file = 0; file < kFilesPerFolder; ++file) {
            if (file % 2 == 0) {
                content.clear();
                while (content.size() < kFileSize) content += kWords[random() % 10];
                content.resize(kFileSize);
            } else {
                for (std::size_t i = 0; i < kFileSize; i += 8) {
                    const uint64_t word = random();
                    std::memcpy(content.data() + i, &word, 8);
                }
            }
            std::ofstream(dir + "/file" + std::to_string(file) + (file % 2 == 0 ? ".txt" : ".bin"),
                          std::ios::binary)
                .write(content.data(), static_cast<std::streamsize>(content.size()));
        }
    }
}

void FreshFolder(const std::string& path) {
    fs::remove_all(path);
    fs::create_directories(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--extract") == 0)
        return UnzipPackage(argv[2], argv[3]) ? 0 : 1;

    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));

    const std::string dir = bench_support::ScratchFolder();
    const std::string tree = dir + "/tree", package = dir + "/package.zip";
    WriteTree(tree);
    if (::chdir(tree.c_str()) != 0 || !Measure({"zip", "-q", "-r", "-X", package, "."}).ok)
        Fail("zip failed");
    const double packageMiB = static_cast<double>(fs::file_size(package)) / (1 << 20);
    const double dataMiB = static_cast<double>(kFolders * kFilesPerFolder * kFileSize) / (1 << 20);

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string ourTarget = dir + "/Update", peerTarget = dir + "/unzipped";
    std::vector<double> ourTimes, peerTimes;
    long ourPeak = 0, peerPeak = 0;
    std::printf(
        "package of %.1f MiB holding %.1f MiB in %d files and %d folders, %d runs each, "
        "alternating\n",
        packageMiB, dataMiB, kFolders * kFilesPerFolder, kFolders, runs);
    for (int run = 0; run < 2 * runs; ++run) {
        const bool ours = (run % 2 == 0) == (run / 2 % 2 == 0);  // ours, unzip, unzip, ours, ...
        const std::string& target = ours ? ourTarget : peerTarget;
        FreshFolder(target);
        ::sync();
        const Sample s = ours ? Measure({self, "--extract", package, target})
                              : Measure({"unzip", "-o", "-q", package, "-d", target});
        std::printf("  %-13s %7.3f s  %8.1f MiB/s  peak %6.1f MiB%s\n",
                    ours ? "UnzipPackage" : "unzip -o", s.seconds, dataMiB / s.seconds,
                    s.peakKiB / 1024.0, s.ok ? "" : "  FAILED");
        if (!s.ok) Fail("an extraction failed");
        (ours ? ourTimes : peerTimes).push_back(s.seconds);
        long& peak = ours ? ourPeak : peerPeak;
        peak = std::max(peak, s.peakKiB);
    }
    // Both wrote the same files.
    for (int folder = 0; folder < kFolders; ++folder)
        for (int file = 0; file < kFilesPerFolder; file += 7) {
            const std::string name = "/folder" + std::to_string(folder) + "/file" +
                                     std::to_string(file) + (file % 2 == 0 ? ".txt" : ".bin");
            std::ifstream a(ourTarget + name, std::ios::binary), b(tree + name, std::ios::binary);
            if (!std::equal(std::istreambuf_iterator<char>(a), {},
                            std::istreambuf_iterator<char>(b), {}))
                Fail("UnzipPackage wrote " + name + " wrongly");
        }

    const double ours = Median(ourTimes), peer = Median(peerTimes);
    std::printf("median time: UnzipPackage %.3f s (%.1f MiB/s), unzip -o %.3f s (%.1f MiB/s)\n",
                ours, dataMiB / ours, peer, dataMiB / peer);
    std::printf("throughput of UnzipPackage / unzip -o (ratio of medians): %.2f  (target >= 1.5)\n",
                peer / ours);
    std::printf("peak resident memory: UnzipPackage %.1f MiB, unzip -o %.1f MiB\n",
                ourPeak / 1024.0, peerPeak / 1024.0);
    fs::remove_all(dir);
    return 0;
}
