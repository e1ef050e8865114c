// The owning byte buffer in which a transfer hands its body (or its error text) to the caller.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string_view>

// A growable block of bytes with one owner. It grows geometrically, so appending n bytes in
// chunks costs O(n) copies in all, and moving it hands the block over without copying it.
class CByteBuffer {
  public:
    CByteBuffer() = default;
    CByteBuffer(CByteBuffer&& other) noexcept;
    CByteBuffer& operator=(CByteBuffer&& other) noexcept;
    CByteBuffer(const CByteBuffer&) = delete;
    CByteBuffer& operator=(const CByteBuffer&) = delete;

    // The bytes; null while the buffer has never held any.
    const char* Data() const { return m_data.get(); }
    std::size_t Size() const { return m_nSize; }
    bool Empty() const { return m_nSize == 0; }
    std::string_view View() const { return {m_data.get(), m_nSize}; }

    // Appends the bytes. false, with the buffer unchanged, when it cannot grow.
    bool Append(const void* bytes, std::size_t count);

    // Makes room for capacity bytes in all, with the memory made present at once, for a
    // body whose size is announced. false, with the buffer unchanged, when it cannot.
    bool Reserve(std::size_t capacity);

    // Releases the block; the buffer is empty afterwards.
    void Clear();

  private:
    struct FreeDeleter {
        void operator()(char* p) const { std::free(p); }
    };

    // realloc, unlike new[], can move a large block's pages instead of copying its bytes,
    // so a growing body never needs two copies of itself in memory.
    std::unique_ptr<char, FreeDeleter> m_data;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
};
