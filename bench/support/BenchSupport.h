// What the benchmarks share: running a command as a process of its own and measuring its
// time and peak memory, the median of the runs, a scratch folder, and giving up with a message.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace bench_support {

struct Sample {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;  // exited with status 0
};

// Prints "<program>: message" and exits with status 2.
[[noreturn]] void Fail(const std::string& message);

// Starts a command found on PATH; with quiet, its output and errors go to /dev/null.
pid_t Spawn(const std::vector<std::string>& args, bool quiet = false);

// Runs a command to its end (killed after 10 minutes); its time, peak resident memory and
// success. Each run is a process of its own, so the peak is that run's alone.
Sample Measure(const std::vector<std::string>& args, bool quiet = false);

double Median(std::vector<double> values);

// A new folder under the temporary folder.
std::string ScratchFolder();

}  // namespace bench_support
