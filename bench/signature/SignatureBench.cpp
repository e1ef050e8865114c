// Checks the publisher of a 100 MiB component (a PE image made by the MinGW tools, signed by
// osslsigncode under a test authority named as the maker's) with CheckPublisherSignature, and
// verifies it with `osslsigncode verify` against the same authority. Both read the whole
// file: the check for its image digest, osslsigncode for its digest and checksum. The runs
// alternate; each is a process of its own, so its peak resident memory is its own. Prints the
// medians and the ratio of times, process against process and also the call alone (without
// starting the process) against the command, and the check's peak memory on a 1 MiB and on the
// large file.
//
// bench_signature [--runs N] [--size-mib M]
#include <fcntl.h>
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

#include "install/PublisherSignature.h"
#include "support/BenchSupport.h"

namespace {

using bench_support::Fail;
using bench_support::Measure;
using bench_support::Median;
using bench_support::Sample;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void Run(const std::vector<std::string>& args) {
    if (!Measure(args, true).ok) Fail(args[0] + " " + args[1] + " failed");
}

// A DLL whose data section holds size random bytes, signed as the maker's component.
void MakeSignedComponent(const std::string& dir, std::size_t size, const std::string& out) {
    const std::string blob = dir + "/blob.bin", object = dir + "/blob.o",
                      image = dir + "/unsigned.dll";
    {
        std::ofstream file(blob, std::ios::binary);
        std::mt19937_64 random(size);
        std::vector<uint64_t> block(1 << 16);
        for (std::size_t written = 0; written < size; written += block.size() * 8) {
            for (uint64_t& word : block) word = random();
            file.write(reinterpret_cast<const char*>(block.data()),
                       static_cast<std::streamsize>(std::min(block.size() * 8, size - written)));
        }
    }
    Run({"x86_64-w64-mingw32-objcopy", "-I", "binary", "-O", "pe-x86-64", "-B", "i386:x86-64", blob,
         object});
    Run({"x86_64-w64-mingw32-ld", "--dll", "-e", "0", "-o", image, object});
    fs::remove(out);
    Run({"osslsigncode", "sign", "-certs", dir + "/leaf.pem", "-ac", dir + "/ca.pem", "-key",
         dir + "/leaf.key", "-h", "sha256", "-n", "Halvora", "-in", image, "-out", out});
    fs::remove(blob);
    fs::remove(object);
    fs::remove(image);
}

// The child of one run of ours: the check, and the seconds the call took written to timeFile.
int CheckAndTime(const char* path, const char* timeFile) {
    const Clock::time_point start = Clock::now();
    const bool accepted = CheckPublisherSignature(path);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::ofstream(timeFile) << seconds << "\n";
    return accepted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--check") == 0) return CheckAndTime(argv[2], argv[3]);

    int runs = 5;
    std::size_t sizeMiB = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--size-mib") == 0)
            sizeMiB = static_cast<std::size_t>(std::max(2, std::atoi(argv[i + 1])));
    }

    const std::string dir = bench_support::ScratchFolder();
    Run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir + "/ca.key",
         "-out", dir + "/ca.pem", "-days", "3650", "-subj",
         "/C=US/O=Symantec Corporation/CN=Symantec Class 3 SHA256 Code Signing CA"});
    Run({"openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", dir + "/leaf.key",
         "-out", dir + "/leaf.csr", "-subj",
         "/C=CN/O=Varnel Bank Co., Ltd/CN=Varnel Bank Co., Ltd"});
    std::ofstream(dir + "/leaf.ext") << "basicConstraints=CA:FALSE\nextendedKeyUsage=codeSigning\n";
    Run({"openssl", "x509", "-req", "-in", dir + "/leaf.csr", "-CA", dir + "/ca.pem", "-CAkey",
         dir + "/ca.key", "-set_serial", "4097", "-days", "3650", "-extfile", dir + "/leaf.ext",
         "-out", dir + "/leaf.pem"});
    const std::string small = dir + "/small/HalvoraMain.ocx",
                      large = dir + "/large/HalvoraMain.ocx";
    fs::create_directories(dir + "/small");
    fs::create_directories(dir + "/large");
    MakeSignedComponent(dir, 1 << 20, small);
    MakeSignedComponent(dir, sizeMiB << 20, large);
    const double fileMiB = static_cast<double>(fs::file_size(large)) / (1 << 20);

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string timeFile = dir + "/call-seconds";
    std::vector<double> ourTimes, callTimes, peerTimes;
    long ourPeak = 0, peerPeak = 0;
    std::printf("signed component of %.1f MiB, %d runs each, alternating\n", fileMiB, runs);
    for (int run = 0; run < 2 * runs; ++run) {
        const bool ours =
            (run % 2 == 0) == (run / 2 % 2 == 0);  // ours, osslsigncode, osslsigncode, ours, ...
        const Sample s =
            ours ? Measure({self, "--check", large, timeFile}, true)
                 : Measure({"osslsigncode", "verify", "-in", large, "-CAfile", dir + "/ca.pem"},
                           true);
        std::printf("  %-24s %7.3f s  peak %6.1f MiB%s\n",
                    ours ? "CheckPublisherSignature" : "osslsigncode verify", s.seconds,
                    s.peakKiB / 1024.0, s.ok ? "" : "  FAILED");
        if (!s.ok) Fail("a check failed");
        (ours ? ourTimes : peerTimes).push_back(s.seconds);
        if (ours) {
            double call = 0;
            std::ifstream(timeFile) >> call;
            callTimes.push_back(call);
        }
        long& peak = ours ? ourPeak : peerPeak;
        peak = std::max(peak, s.peakKiB);
    }
    const Sample smallCheck = Measure({self, "--check", small, timeFile}, true);
    if (!smallCheck.ok) Fail("the check of the small file failed");

    const double ours = Median(ourTimes), call = Median(callTimes), peer = Median(peerTimes);
    std::printf(
        "median time: CheckPublisherSignature %.3f s (%.1f MiB/s), osslsigncode verify %.3f s "
        "(%.1f MiB/s)\n",
        ours, fileMiB / ours, peer, fileMiB / peer);
    std::printf(
        "time of CheckPublisherSignature / osslsigncode verify (ratio of medians): %.2f  (target "
        "<= 0.50)\n",
        ours / peer);
    std::printf("the call alone, without starting its process: %.3f s, ratio %.2f\n", call,
                call / peer);
    std::printf(
        "peak resident memory: CheckPublisherSignature %.1f MiB on %.1f MiB, %.1f MiB on 1 MiB; "
        "osslsigncode verify %.1f MiB\n",
        ourPeak / 1024.0, fileMiB, smallCheck.peakKiB / 1024.0, peerPeak / 1024.0);
    fs::remove_all(dir);
    return 0;
}
