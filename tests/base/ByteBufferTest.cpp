#include "base/ByteBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

using heron::ByteBuffer;

TEST(ByteBuffer, ShrinkingToHalfKeepsTheBlockAndGrowingReallocatesExactly)
{
    ByteBuffer buffer(1000);
    EXPECT_EQ(buffer.size(), 1000u);
    EXPECT_EQ(buffer.capacity(), 1000u);
    const std::uint8_t* const block = buffer.data();

    buffer.resize(600, true);
    EXPECT_EQ(buffer.data(), block);
    EXPECT_EQ(buffer.size(), 600u);
    EXPECT_EQ(buffer.capacity(), 1000u);

    buffer.resize(500, true);
    EXPECT_EQ(buffer.capacity(), 1000u);

    buffer.resize(400, true);
    EXPECT_EQ(buffer.capacity(), 400u);
    EXPECT_EQ(buffer.size(), 400u);
    for (int i = 0; i < 400; ++i) {
        buffer.data()[i] = static_cast<std::uint8_t>(i * 7);
    }

    buffer.resize(1200, true);
    EXPECT_EQ(buffer.size(), 1200u);
    EXPECT_EQ(buffer.capacity(), 1200u);
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(buffer.data()[i], static_cast<std::uint8_t>(i * 7)) << i;
    }
}

TEST(ByteBuffer, GrowingWithinTheBlockAfterAShrinkStillReallocates)
{
    ByteBuffer buffer(100);
    buffer.resize(60, true);
    std::memset(buffer.data(), 0x5A, 60);
    buffer.resize(80, true);
    EXPECT_EQ(buffer.capacity(), 80u);
    EXPECT_EQ(buffer.data()[59], 0x5A);
}

TEST(ByteBuffer, ResizeToZeroAndReleaseFreeTheBlock)
{
    ByteBuffer buffer(64);
    buffer.resize(0, true);
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.capacity(), 0u);

    buffer.resize(16, false);
    EXPECT_NE(buffer.data(), nullptr);
    buffer.release();
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.capacity(), 0u);

    const ByteBuffer empty;
    EXPECT_EQ(empty.data(), nullptr);
}

TEST(ByteBuffer, MoveHandsOverTheBlock)
{
    ByteBuffer source(32);
    const std::uint8_t* const block = source.data();
    ByteBuffer target(std::move(source));
    EXPECT_EQ(target.data(), block);
    EXPECT_EQ(source.data(), nullptr);
    ByteBuffer other(8);
    other = std::move(target);
    EXPECT_EQ(other.data(), block);
    EXPECT_EQ(other.size(), 32u);
    EXPECT_EQ(target.size(), 0u);
}
