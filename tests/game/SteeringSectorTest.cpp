#include "game/LookWindow.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(SteeringSectorTest, TheMouseOffsetPicksTheCursorSector)
{
    // A window 800 wide: the dead circle has radius 80.
    const auto at = [](double degrees, double radius) {
        const double r = degrees * M_PI / 180.0;
        return steeringSector(static_cast<int>(std::lround(radius * std::cos(r))),
                              static_cast<int>(std::lround(radius * std::sin(r))), 800);
    };
    const struct
    {
        int dx;
        int dy;
        int sector;
    } cases[] = {{0, 0, -1}, {79, 0, -1}, {80, 0, 0}, {0, 80, 2}, {-200, 0, 4}, {0, -200, 6}, {200, -1, 0},
                 {200, 200, 1}, {-200, 200, 3}, {-200, -200, 5}, {200, -200, 7}};
    for (const auto& c : cases) {
        EXPECT_EQ(steeringSector(c.dx, c.dy, 800), c.sector) << c.dx << "," << c.dy;
    }
    // The sector boundaries: 22.5 degrees belongs to the 45-degree arrow, 337.5 to the 0-degree one.
    EXPECT_EQ(steeringSector(1000, 414, 800), 0);
    EXPECT_EQ(steeringSector(1000, 415, 800), 1);
    EXPECT_EQ(at(337.6, 1000.0), 0);
    EXPECT_EQ(at(337.4, 1000.0), 7);
}

TEST(SteeringSectorTest, AMinimisedWindowHasNoDeadCircle)
{
    EXPECT_EQ(steeringSector(0, 0, 0), 0);
    EXPECT_EQ(steeringSector(0, 5, 0), 2);
}
