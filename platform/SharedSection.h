// A small named shared-memory section (CreateFileMappingA backed by the page file).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

class CSharedSection {
  public:
    enum class Result { Created, AlreadyExists, Failed };

    CSharedSection() = default;
    CSharedSection(const CSharedSection&) = delete;
    CSharedSection& operator=(const CSharedSection&) = delete;
    CSharedSection(CSharedSection&& other) noexcept;
    CSharedSection& operator=(CSharedSection&& other) noexcept;
    ~CSharedSection() { Close(); }

    // Creates the section name of size bytes, read-write. AlreadyExists when another holder
    // has it (nothing is opened then), Failed when it cannot be made.
    Result Create(std::string_view name, std::size_t size);

    // Writes bytes at the start of a section this object created; false when it does not fit.
    bool Write(std::string_view bytes);

    // Closes the section; one that this object created is removed again.
    void Close();

    bool IsOpen() const { return m_pMemory != nullptr; }

  private:
    std::string m_strName;
    void* m_pMemory = nullptr;
    std::size_t m_size = 0;
};

}  // namespace platform
