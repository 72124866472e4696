#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "support/StreamTestClasses.h"

#include <gtest/gtest.h>

using heron::MemoryDataDest;
using heron::MemoryDataSource;
using streamtest::Bytes;
using streamtest::bytesOf;

TEST(MemoryDataSourceTest, TheEndGivesShortCountsWithoutAnErrorAndSeekingPastItFlagsOne)
{
    Bytes block = {1, 2, 3, 4};
    MemoryDataSource source(block.data(), 4, true);
    block.assign(4, 0);
    unsigned char got[10] = {};
    EXPECT_EQ(source.read(got, 10), 4u);
    EXPECT_EQ(got[3], 4);
    EXPECT_EQ(source.readByte(), -1);
    EXPECT_EQ(source.peekByte(), -1);
    EXPECT_TRUE(source.isOK());
    source.seek(4);
    EXPECT_FALSE(source.isOK());
    EXPECT_EQ(source.readByte(), -1);
    source.seek(2);
    EXPECT_TRUE(source.isOK());
    EXPECT_EQ(source.readByte(), 3);
    source.close();
    EXPECT_FALSE(source.isOK());
    EXPECT_EQ(source.peekByte(), -1);

    EXPECT_FALSE(MemoryDataSource().isOK());
    MemoryDataSource nullData(nullptr, 100, false);
    EXPECT_EQ(nullData.remaining(), 0u);
    EXPECT_EQ(nullData.readByte(), -1);
}

TEST(MemoryDataDestTest, BlockWritesDoubleTheCapacityFromA1024ByteFirstBlock)
{
    struct Case {
        std::uint32_t initial;
        std::vector<std::uint32_t> writes;
        std::uint32_t capacity;
    };
    const Case cases[] = {
        {256, {300}, 512},
        {0, {1}, 1024},
        {0, {1024}, 1024},
        {0, {1025}, 2048},
        {0, {1000, 100}, 2048},
        {0, {5000}, 8192},
        {256, {200, 56}, 256},
        {3, {0}, 3},
    };
    for (const Case& c : cases) {
        MemoryDataDest sink(c.initial);
        EXPECT_EQ(sink.capacity(), c.initial);
        std::uint32_t total = 0;
        for (const std::uint32_t n : c.writes) {
            const Bytes block(n, static_cast<unsigned char>(n));
            sink.write(block.data(), n);
            total += n;
        }
        EXPECT_EQ(sink.size(), total);
        EXPECT_EQ(sink.capacity(), c.capacity) << c.initial << " " << total;
        EXPECT_TRUE(sink.isOK());
    }
}

TEST(MemoryDataDestTest, ByteWritesGrowBySizeOrOneAndReserveGrowsToExactlyTheSize)
{
    MemoryDataDest sink(0);
    std::vector<std::uint32_t> capacities;
    for (int i = 0; i < 9; ++i) {
        sink.writeByte(char(i));
        capacities.push_back(sink.capacity());
    }
    EXPECT_EQ(capacities, (std::vector<std::uint32_t>{1, 2, 4, 4, 8, 8, 8, 8, 16}));
    EXPECT_EQ(bytesOf(sink), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    sink.reserve(700);
    sink.reserve(100);
    EXPECT_EQ(sink.capacity(), 700u);
    EXPECT_EQ(sink.size(), 9u);
    sink.clear();
    EXPECT_EQ(sink.size(), 0u);
    EXPECT_EQ(sink.capacity(), 700u);
}

TEST(MemoryDataDestTest, WritingItsOwnBytesAppendsThemEvenWhenTheBlockMoves)
{
    MemoryDataDest sink(4);
    sink.write("abcd", 4);
    sink.write(sink.data() + 1, 3);
    EXPECT_EQ(bytesOf(sink), (Bytes{'a', 'b', 'c', 'd', 'b', 'c', 'd'}));
    sink.write(sink.data(), sink.size());
    EXPECT_EQ(bytesOf(sink), (Bytes{'a', 'b', 'c', 'd', 'b', 'c', 'd', 'a', 'b', 'c', 'd', 'b', 'c', 'd'}));
}
