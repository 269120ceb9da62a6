#include "platform/LargeBuffer.h"

#include <gtest/gtest.h>

#include <cstddef>

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
