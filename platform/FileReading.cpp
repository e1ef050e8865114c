#include "platform/FileReading.h"

#include <unistd.h>

#include <cerrno>

namespace platform {

bool ReadExactlyAt(int fd, uint64_t offset, void* out, std::size_t length) {
    char* dest = static_cast<char*>(out);
    while (length > 0) {
        const ssize_t n = ::pread(fd, dest, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        dest += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace platform
