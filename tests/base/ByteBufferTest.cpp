#include "base/ByteBuffer.h"

#include <gtest/gtest.h>

#include <numeric>

using heron::ByteBuffer;

TEST(ByteBuffer, ShrinkingToHalfKeepsTheBlockAndAnyGrowthReallocatesExactlyKeepingTheBytes)
{
    ByteBuffer buffer(1000);
    const std::uint8_t* const block = buffer.data();
    buffer.resize(500, true);
    EXPECT_TRUE(buffer.data() == block && buffer.size() == 500u && buffer.capacity() == 1000u);
    buffer.resize(400, true);
    EXPECT_EQ(buffer.capacity(), 400u);
    std::iota(buffer.data(), buffer.data() + 400, std::uint8_t{0});
    buffer.resize(300, true);
    buffer.resize(350, true);
    EXPECT_EQ(buffer.capacity(), 350u);
    buffer.resize(1200, true);
    EXPECT_EQ(buffer.capacity(), 1200u);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(buffer.data()[i], static_cast<std::uint8_t>(i)) << i;
    }
}

TEST(ByteBuffer, ResizeToZeroReleaseAndMoveLeaveNoBlockBehind)
{
    ByteBuffer buffer(64);
    buffer.resize(0, true);
    EXPECT_TRUE(buffer.data() == nullptr && buffer.capacity() == 0);
    buffer.resize(16, false);
    buffer.release();
    EXPECT_TRUE(buffer.data() == nullptr && buffer.capacity() == 0);

    ByteBuffer source(32);
    const std::uint8_t* const block = source.data();
    ByteBuffer target(std::move(source));
    EXPECT_EQ(source.data(), nullptr);
    ByteBuffer other(8);
    other = std::move(target);
    EXPECT_TRUE(other.data() == block && other.size() == 32u);
    EXPECT_EQ(target.size(), 0u);
}
