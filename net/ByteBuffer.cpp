#include "net/ByteBuffer.h"

#include <cstring>
#include <limits>
#include <utility>

#include "platform/MemoryPrefault.h"

CByteBuffer::CByteBuffer(CByteBuffer&& other) noexcept
    : m_data(std::move(other.m_data)),
      m_nSize(std::exchange(other.m_nSize, 0)),
      m_nCapacity(std::exchange(other.m_nCapacity, 0)) {}

CByteBuffer& CByteBuffer::operator=(CByteBuffer&& other) noexcept {
    if (this != &other) {
        m_data = std::move(other.m_data);
        m_nSize = std::exchange(other.m_nSize, 0);
        m_nCapacity = std::exchange(other.m_nCapacity, 0);
    }
    return *this;
}

bool CByteBuffer::Append(const void* bytes, std::size_t count) {
    if (count == 0) return true;
    if (count > std::numeric_limits<std::size_t>::max() / 2 - m_nSize) return false;
    const std::size_t needed = m_nSize + count;
    if (needed > m_nCapacity) {
        std::size_t capacity = m_nCapacity < 4096 ? 4096 : m_nCapacity;
        while (capacity < needed) capacity *= 2;
        char* grown = static_cast<char*>(std::realloc(m_data.get(), capacity));
        if (grown == nullptr) return false;
        (void)m_data.release();  // realloc took the old block over
        m_data.reset(grown);
        m_nCapacity = capacity;
    }
    std::memcpy(m_data.get() + m_nSize, bytes, count);
    m_nSize = needed;
    return true;
}

bool CByteBuffer::Reserve(std::size_t capacity) {
    if (capacity <= m_nCapacity) return true;
    if (capacity > std::numeric_limits<std::size_t>::max() / 2) return false;
    char* grown = static_cast<char*>(std::realloc(m_data.get(), capacity));
    if (grown == nullptr) return false;
    (void)m_data.release();
    m_data.reset(grown);
    m_nCapacity = capacity;
    // One request for all pages costs much less than a page fault for each of them.
    platform::PrefaultPages(m_data.get() + m_nSize, m_nCapacity - m_nSize);
    return true;
}

void CByteBuffer::Clear() {
    m_data.reset();
    m_nSize = 0;
    m_nCapacity = 0;
}
