#include "platform/LargeBuffer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

// Growing past the size from which huge pages are asked for keeps what was there.
TEST(LargeBufferTest, GrowingKeepsTheBytesAskedFor)
{
    LargeBuffer buffer;
    ASSERT_TRUE(buffer.Reserve(1000, 0));
    for (std::size_t i = 0; i < 1000; ++i) {
        buffer.Data()[i] = static_cast<char>(i % 251);
    }
    for (const std::size_t size : {std::size_t{3} << 20, std::size_t{9} << 20}) {
        ASSERT_TRUE(buffer.Reserve(size, 1000));
        ASSERT_GE(buffer.Capacity(), size);
        for (std::size_t i = 0; i < 1000; ++i) {
            ASSERT_EQ(static_cast<char>(i % 251), buffer.Data()[i]) << i;
        }
        buffer.Data()[size - 1] = 'z';
    }
    const char* before = buffer.Data();
    ASSERT_TRUE(buffer.Reserve(5, 5));
    EXPECT_EQ(before, buffer.Data());
}

#if defined(__linux__)
// Blocks given back serve later ones: a buffer gets a spare block of up to twice the size
// it asks for and may use all of it; a vector gets only a block of its very size. Blocks
// beyond those kept, and the spares given back to the system, are unmapped whole, so that
// what is mapped afterwards can be used to its last byte.
TEST(LargeBufferTest, BlocksGivenBackAreHandedOutAgain)
{
    ReleaseSpareLargeBlocks();
    const std::size_t mib = std::size_t{1} << 20;
    char* first = nullptr;
    {
        LargeBuffer buffer;
        ASSERT_TRUE(buffer.Reserve(10 * mib, 0));
        first = buffer.Data();
        buffer.Data()[buffer.Capacity() - 1] = 'a';
    }
    LargeBuffer smaller;
    ASSERT_TRUE(smaller.Reserve(6 * mib, 0));
    EXPECT_EQ(first, smaller.Data());
    EXPECT_EQ(10 * mib, smaller.Capacity());
    smaller.Data()[smaller.Capacity() - 1] = 'b';
    smaller.Release();
    EXPECT_EQ(0u, smaller.Capacity());

    // Too large for 4 MiB, and no vector takes a block of another size.
    LargeBuffer tiny;
    ASSERT_TRUE(tiny.Reserve(4 * mib, 0));
    EXPECT_NE(first, tiny.Data());
    const char* tableBlock = nullptr;
    {
        std::vector<char, LargePages<char>> table(6 * mib);
        EXPECT_NE(first, table.data());
        tableBlock = table.data();
    }
    std::vector<char, LargePages<char>> same(6 * mib, 'c');
    EXPECT_EQ(tableBlock, same.data());

    // More blocks than are kept: the rest go back to the system.
    {
        std::vector<LargeBuffer> many(8);
        for (LargeBuffer& block : many) {
            ASSERT_TRUE(block.Reserve(2 * mib, 0));
            block.Data()[0] = 'd';
        }
    }
    ReleaseSpareLargeBlocks();
    LargeBuffer after;
    ASSERT_TRUE(after.Reserve(10 * mib, 0));
    after.Data()[after.Capacity() - 1] = 'e';
}
#endif

#if defined(__linux__)
// A buffer of a few hundred kilobytes gets a whole huge page at once, so that the
// files read into it after, up to that size, neither move it nor touch new memory;
// below that it takes what it asks for.
TEST(LargeBufferTest, ModestBuffersGetAWholeHugePage)
{
    ReleaseSpareLargeBlocks();
    const std::size_t kib = std::size_t{1} << 10;
    LargeBuffer modest;
    ASSERT_TRUE(modest.Reserve(300 * kib, 0));
    EXPECT_EQ(2048 * kib, modest.Capacity());
    const char* block = modest.Data();
    ASSERT_TRUE(modest.Reserve(1900 * kib, 0));
    EXPECT_EQ(block, modest.Data());
    modest.Data()[modest.Capacity() - 1] = 'f';

    LargeBuffer small;
    ASSERT_TRUE(small.Reserve(20 * kib, 0));
    EXPECT_EQ(20 * kib, small.Capacity());
}
#endif
