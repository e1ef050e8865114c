#include "platform/MemoryPrefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif

namespace platform {

void PrefaultPages(void* data, std::size_t size) {
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (data == nullptr || pageSize <= 0) return;
    const auto page = static_cast<std::uintptr_t>(pageSize);
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = (begin + size) / page * page;
    if (last <= first) return;
    // Older kernels answer EINVAL; the pages then come one fault at a time as before.
    (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
}

}  // namespace platform
