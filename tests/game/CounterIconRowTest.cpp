#include "game/WorldRendering.h"

#include <gtest/gtest.h>

TEST(CounterIconRowTest, CountedIconsStandLeftOfTheOthers)
{
    // Five icons 16 wide on a 200-wide window, two of them counted.
    const std::vector<CounterIcon> row = counterIconRow(5, 2, 200, 100, 16, 16);
    ASSERT_EQ(row.size(), 5u);
    const int xs[] = {176, 152, 128, 104, 80};
    const bool counted[] = {false, false, false, true, true};
    for (std::size_t i = 0; i < row.size(); ++i) {
        EXPECT_EQ(row[i].x, xs[i]) << i;
        EXPECT_EQ(row[i].y, 76) << i;
        EXPECT_EQ(row[i].counted, counted[i]) << i;
    }
}

TEST(CounterIconRowTest, AHugeTargetLaysOutOnlyWhatTheScreenShows)
{
    const std::vector<CounterIcon> row = counterIconRow(2000000000, 0, 200, 100, 16, 16);
    ASSERT_EQ(row.size(), 8u);
    EXPECT_GT(row.back().x + 16, 0);
}
