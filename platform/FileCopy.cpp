#include "platform/FileCopy.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/FileDescriptor.h"

namespace platform {
namespace {

constexpr size_t kChunk = 256 * 1024;

bool CopyData(int from, int to) {
    std::vector<char> buffer(kChunk);
    for (;;) {
        ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

// The folder part of path ("." when there is none).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool CopyFileReplacing(const std::string& source, const std::string& destination) {
    CFileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!in || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;

    const std::string folder = FolderOf(destination);
    const std::size_t slash = destination.rfind('/');
    std::string temp =
        folder + "/." + destination.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    CFileDescriptor out(::mkostemp(temp.data(), O_CLOEXEC));
    if (!out) return false;
    const bool written = ::fchmod(out.Get(), st.st_mode & 0777) == 0 &&
                         CopyData(in.Get(), out.Get()) && ::fsync(out.Get()) == 0;
    if (!out.Close() || !written || ::rename(temp.c_str(), destination.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The new name reaches the disk with the folder.
    CFileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.Get());
    return true;
}

}  // namespace platform
