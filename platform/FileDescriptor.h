// An owned POSIX file descriptor.
#pragma once

#include <unistd.h>

namespace platform {

class CFileDescriptor {
  public:
    CFileDescriptor() = default;
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    CFileDescriptor(CFileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            m_fd = other.Release();
        }
        return *this;
    }
    ~CFileDescriptor() { Close(); }

    explicit operator bool() const { return m_fd >= 0; }
    int Get() const { return m_fd; }
    int Release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now; false when close reported an error (data may not have reached the file).
    bool Close() {
        if (m_fd < 0) return true;
        int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }

  private:
    int m_fd = -1;
};

}  // namespace platform
