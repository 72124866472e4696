#include "scene/core/Clock.h"

#include <gtest/gtest.h>

namespace
{

using finch::Clock;

// The base clock the tests drive by hand.
double baseSeconds = 0.0;

double fakeBase()
{
    return baseSeconds;
}

class ClockTest : public testing::Test
{
protected:
    void SetUp() override
    {
        baseSeconds = 0.0;
        Clock::setBaseClock(&fakeBase);
    }
    void TearDown() override { Clock::setBaseClock(nullptr); }
};

}

TEST_F(ClockTest, FirstFrameIsAHundredthAndLaterOnesAreMeasured)
{
    // The base clock reads 0.0 at the first tick; the second frame is still measured.
    Clock::tick();
    EXPECT_EQ(Clock::frameDelta(), Clock::firstFrameDelta);
    baseSeconds = 0.25;
    Clock::tick();
    EXPECT_EQ(Clock::frameDelta(), 0.25);
    EXPECT_EQ(Clock::frameTime(), 0.25);
}

TEST_F(ClockTest, PausedTimeIsNeverSeen)
{
    baseSeconds = 2.0;
    Clock::tick();
    baseSeconds = 3.0;
    Clock::pause();
    EXPECT_TRUE(Clock::isPaused());
    baseSeconds = 4.0;
    EXPECT_EQ(Clock::now(), 3.0);
    Clock::tick();
    EXPECT_EQ(Clock::frameDelta(), 1.0);
    baseSeconds = 5.0;
    Clock::tick();
    EXPECT_EQ(Clock::frameDelta(), 0.0);
    // A second pause restarts the pause: the time before it counts as running.
    baseSeconds = 6.0;
    Clock::pause();
    baseSeconds = 10.0;
    Clock::resume();
    EXPECT_EQ(Clock::now(), 6.0);
    baseSeconds = 11.0;
    EXPECT_EQ(Clock::now(), 7.0);

    Clock::resume();
    EXPECT_FALSE(Clock::isPaused());
    EXPECT_EQ(Clock::now(), 7.0);
}
