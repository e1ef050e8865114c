#include "platform/SharedSection.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

namespace {

using platform::CSharedSection;

std::string UniqueName() {
    return "VorelTestSection" + std::to_string(::getpid());
}

// Reads the section as another process would, through its own mapping.
std::string Peek(const std::string& name, std::size_t size) {
    int fd = ::shm_open(("/" + name).c_str(), O_RDONLY, 0);
    if (fd < 0) return "<missing>";
    void* memory = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (memory == MAP_FAILED) return "<unmappable>";
    std::string text(static_cast<const char*>(memory), size);
    ::munmap(memory, size);
    return text;
}

TEST(SharedSection, TheFirstHolderCreatesItTheSecondFindsItTaken) {
    const std::string name = UniqueName();
    CSharedSection first;
    ASSERT_EQ(first.Create(name, 128), CSharedSection::Result::Created);
    ASSERT_TRUE(first.Write(std::string("Halvora Programme Is Running") + '\0'));
    EXPECT_EQ(Peek(name, 128).substr(0, 29), std::string("Halvora Programme Is Running") + '\0');
    EXPECT_EQ(Peek(name, 128).size(), 128u);

    CSharedSection second;
    EXPECT_EQ(second.Create(name, 128), CSharedSection::Result::AlreadyExists);
    EXPECT_FALSE(second.IsOpen());

    first.Close();
    EXPECT_EQ(Peek(name, 128), "<missing>") << "the creator removes it on close";
    EXPECT_EQ(second.Create(name, 128), CSharedSection::Result::Created);
}

TEST(SharedSection, RefusesWhatCannotBeASection) {
    CSharedSection section;
    EXPECT_EQ(section.Create("", 128), CSharedSection::Result::Failed);
    EXPECT_EQ(section.Create("a/b", 128), CSharedSection::Result::Failed);
    EXPECT_EQ(section.Create(UniqueName(), 0), CSharedSection::Result::Failed);
    ASSERT_EQ(section.Create(UniqueName(), 4), CSharedSection::Result::Created);
    EXPECT_FALSE(section.Write("too long"));
}

}  // namespace
