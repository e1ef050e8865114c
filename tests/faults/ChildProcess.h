// A piece of the program run in a child process, so that a test can limit what that process
// may do (the size of the files it writes) or kill it at any moment without harm to itself.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

namespace faults {

struct ChildResult {
    int status = -1;     // the exit status; -1 when the child did not end normally in time
    std::string output;  // what the child wrote to its output descriptor
};

// Forks; the child runs body, which writes what the test should see to the descriptor it is
// given and returns the child's exit status. The child is killed when it has not ended
// within limit.
ChildResult RunInChild(const std::function<int(int out)>& body,
                       std::chrono::milliseconds limit = std::chrono::seconds(60));

// Starts body in a child process that the caller ends with KillChild; body never returns.
pid_t StartChild(const std::function<void()>& body);

// SIGKILL, then waits for the child; true when it was killed by that signal.
bool KillChild(pid_t child);

// Limits every file the calling process writes to bytes: a write beyond fails with EFBIG,
// as on a full disk (the signal that would come with it is ignored).
void LimitFileSize(rlim_t bytes);

// Writes the whole text to a descriptor.
void WriteAll(int fd, const std::string& text);

}  // namespace faults
