#include "net/ByteBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(ByteBuffer, GrowsByChunksAndHandsOverWithoutCopying) {
    CByteBuffer buffer;
    EXPECT_TRUE(buffer.Empty());
    EXPECT_EQ(buffer.View(), "");

    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        const std::string chunk(static_cast<std::size_t>(i % 37) + 1, static_cast<char>(i));
        ASSERT_TRUE(buffer.Append(chunk.data(), chunk.size()));
        expected += chunk;
    }
    EXPECT_EQ(buffer.View(), expected);

    const char* block = buffer.Data();
    CByteBuffer taken = std::move(buffer);
    EXPECT_EQ(taken.Data(), block) << "moved, not copied";
    EXPECT_EQ(taken.View(), expected);
    EXPECT_TRUE(buffer.Empty());

    EXPECT_TRUE(taken.Append(nullptr, 0));
    taken.Clear();
    EXPECT_TRUE(taken.Empty());
    EXPECT_EQ(taken.Data(), nullptr);
}

TEST(ByteBuffer, ARoomReservedForAnAnnouncedBodyIsFilledInPlace) {
    CByteBuffer buffer;
    ASSERT_TRUE(buffer.Append("ab", 2));
    ASSERT_TRUE(buffer.Reserve(1 << 20));
    EXPECT_EQ(buffer.View(), "ab");
    const char* block = buffer.Data();
    const std::string chunk(10240, 'x');
    while (buffer.Size() + chunk.size() <= (1u << 20))
        ASSERT_TRUE(buffer.Append(chunk.data(), chunk.size()));
    EXPECT_EQ(buffer.Data(), block) << "no growth within the reserved room";
    EXPECT_TRUE(buffer.Reserve(10)) << "a smaller room is already there";
    EXPECT_EQ(buffer.Size(), 2 + 102 * chunk.size());
}

TEST(ByteBuffer, RefusesAnImpossibleSizeAndStaysAsItWas) {
    CByteBuffer buffer;
    ASSERT_TRUE(buffer.Append("abc", 3));
    EXPECT_FALSE(buffer.Append("x", static_cast<std::size_t>(-1) - 1));
    EXPECT_FALSE(buffer.Reserve(static_cast<std::size_t>(-1) - 1));
    EXPECT_EQ(buffer.View(), "abc");
}

}  // namespace
