// Welding positions into rings where they lie within tolerance of each other.
#include "scene/geometry/Welder.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

TEST(Welder, PositionsBeyondEveryCellNumberStillFormRings)
{
    // Forty positions on the root's dividing plane, so many that the band is hashed; each lies
    // billions of tolerances from the next, beyond any cell number, and one is not a number.
    std::vector<finch::Vector3d> positions;
    for (int i = 0; i < 40; ++i) {
        positions.emplace_back(0.0, 1e7 * (i - 20), 1e300 * (i % 3 - 1));
    }
    positions.emplace_back(0.0, std::numeric_limits<double>::quiet_NaN(), 0.0);
    positions.push_back(positions[5]);
    std::vector<int> ringNext;
    finch::weldPositions(positions, finch::Vector3d(0, 0, 0), 1e-9, ringNext, finch::WeldReport::Silent);
    ASSERT_EQ(ringNext.size(), positions.size());
    // Every ring leads back to where it started, and the copy of position 5 is in its ring.
    const int count = int(positions.size());
    bool copyFound = false;
    for (int start = 0; start < count; ++start) {
        int at = start;
        int steps = 0;
        do {
            ASSERT_GE(ringNext[std::size_t(at)], 0);
            ASSERT_LT(ringNext[std::size_t(at)], count);
            at = ringNext[std::size_t(at)];
            copyFound = copyFound || (start == 5 && at == 41);
        } while (at != start && ++steps <= count);
        EXPECT_EQ(at, start) << start;
    }
    EXPECT_TRUE(copyFound);
}
