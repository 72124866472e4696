#include "base/ByteBuffer.h"

#include <gtest/gtest.h>

using heron::ByteBuffer;

TEST(ByteBuffer, ShrinkingToHalfKeepsTheBlockAndAnyGrowthReallocatesExactlyKeepingTheBytes)
{
    ByteBuffer buffer(1000);
    const std::uint8_t* const block = buffer.data();
    buffer.resize(500, true);
    EXPECT_EQ(buffer.data(), block);
    EXPECT_EQ(buffer.size(), 500u);
    EXPECT_EQ(buffer.capacity(), 1000u);
    buffer.resize(400, true);
    EXPECT_EQ(buffer.capacity(), 400u);
    for (int i = 0; i < 400; ++i) {
        buffer.data()[i] = static_cast<std::uint8_t>(i * 7);
    }
    buffer.resize(300, true);
    buffer.resize(350, true);
    EXPECT_EQ(buffer.capacity(), 350u);
    buffer.resize(1200, true);
    EXPECT_EQ(buffer.capacity(), 1200u);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(buffer.data()[i], static_cast<std::uint8_t>(i * 7)) << i;
    }
}

TEST(ByteBuffer, ResizeToZeroReleaseAndMoveLeaveNoBlockBehind)
{
    ByteBuffer buffer(64);
    buffer.resize(0, true);
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.capacity(), 0u);
    buffer.resize(16, false);
    buffer.release();
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.capacity(), 0u);

    ByteBuffer source(32);
    const std::uint8_t* const block = source.data();
    ByteBuffer target(std::move(source));
    EXPECT_EQ(source.data(), nullptr);
    ByteBuffer other(8);
    other = std::move(target);
    EXPECT_EQ(other.data(), block);
    EXPECT_EQ(other.size(), 32u);
    EXPECT_EQ(target.size(), 0u);
}
