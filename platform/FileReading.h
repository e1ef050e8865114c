// Reading parts of a file by offset, and little-endian numbers out of bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Reads exactly length bytes at offset (pread, retried after interruptions); false when the
// file ends first or a read fails.
bool ReadExactlyAt(int fd, uint64_t offset, void* out, std::size_t length);

inline uint16_t LittleEndian16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LittleEndian32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace platform
