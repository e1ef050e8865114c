#include "platform/SharedSection.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/FileDescriptor.h"

namespace platform {

CSharedSection::CSharedSection(CSharedSection&& other) noexcept
    : m_strName(std::move(other.m_strName)),
      m_pMemory(std::exchange(other.m_pMemory, nullptr)),
      m_size(std::exchange(other.m_size, 0)) {}

CSharedSection& CSharedSection::operator=(CSharedSection&& other) noexcept {
    if (this != &other) {
        Close();
        m_strName = std::move(other.m_strName);
        m_pMemory = std::exchange(other.m_pMemory, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

CSharedSection::Result CSharedSection::Create(std::string_view name, std::size_t size) {
    Close();
    if (name.empty() || name.find('/') != std::string_view::npos || size == 0)
        return Result::Failed;
    const std::string posixName = "/" + std::string(name);
    CFileDescriptor fd(::shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd) return errno == EEXIST ? Result::AlreadyExists : Result::Failed;
    void* memory = MAP_FAILED;
    if (::ftruncate(fd.Get(), static_cast<off_t>(size)) == 0)
        memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.Get(), 0);
    if (memory == MAP_FAILED) {
        ::shm_unlink(posixName.c_str());
        return Result::Failed;
    }
    m_strName = posixName;
    m_pMemory = memory;
    m_size = size;
    return Result::Created;
}

bool CSharedSection::Write(std::string_view bytes) {
    if (m_pMemory == nullptr || bytes.size() > m_size) return false;
    std::memcpy(m_pMemory, bytes.data(), bytes.size());
    return true;
}

void CSharedSection::Close() {
    if (m_pMemory == nullptr) return;
    ::munmap(m_pMemory, m_size);
    ::shm_unlink(m_strName.c_str());
    m_pMemory = nullptr;
    m_size = 0;
    m_strName.clear();
}

}  // namespace platform
