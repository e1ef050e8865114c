// Asking the operating system for the pages of a large block at once.
#pragma once

#include <cstddef>

namespace platform {

// Makes the whole pages inside [data, data + size) present and writable now, in one call,
// instead of one page fault at a time while they are first written. Only a hint: nothing
// happens where the system cannot do it. The bytes are left as they are.
void PrefaultPages(void* data, std::size_t size);

}  // namespace platform
