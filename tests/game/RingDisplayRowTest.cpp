#include "game/WorldRendering.h"

#include <gtest/gtest.h>

TEST(RingDisplayRowTest, EachRingLagsTheOneBeforeIt)
{
    // Radius 2 on a 200 x 100 window: the frame is 50 wide and 25 high. The first ring stands a
    // radius in from the right and top edges, so that none of it is cut off.
    const std::vector<RingPlacement> row = ringDisplayRow(3, 2.0, 200, 100, 30.0);
    ASSERT_EQ(row.size(), 3u);
    const double xs[] = {48.0, 46.0, 44.0};
    const double degrees[] = {30.0, 15.0, 0.0};
    for (std::size_t i = 0; i < row.size(); ++i) {
        EXPECT_DOUBLE_EQ(row[i].x, xs[i]) << i;
        EXPECT_DOUBLE_EQ(row[i].z, 23.0) << i;
        EXPECT_DOUBLE_EQ(row[i].degrees, degrees[i]) << i;
    }
}

TEST(RingDisplayRowTest, OnlyRingsOnTheScreenAreLaidOut)
{
    struct Case
    {
        long long n;
        int width;
        int height;
        std::size_t rings;
    };
    const Case cases[] = {
        {0, 200, 100, 0},           // nothing collected
        {2000000000, 200, 100, 25}, // a huge count stops at the left edge
        {3, 0, 0, 0},               // a minimised window
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ringDisplayRow(c.n, 2.0, c.width, c.height, 0.0).size(), c.rings) << c.n;
    }
}
