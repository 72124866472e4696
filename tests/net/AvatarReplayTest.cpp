#include "net/AvatarReplay.h"

#include "base/Limits.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

MotionSample at(float dt, float x, float heading = 0)
{
    MotionSample sample;
    sample.dt = dt;
    sample.x = x;
    sample.heading = heading;
    return sample;
}

// Pushes samples 0.25 s apart, as received at times 10.0, 10.25, ...; returns the time of the last.
double pushEvenly(AvatarReplay& replay, int count, float firstX = 0)
{
    double now = 10.0;
    for (int i = 0; i < count; ++i) {
        now = 10.0 + 0.25 * i;
        replay.push(at(i == 0 ? 0 : 0.25f, firstX + float(i)), now);
    }
    return now;
}

}

TEST(PingMeasure, AveragesTheLastSixteenIntervals)
{
    PingMeasure ping;
    ping.onPing(1.0);
    EXPECT_EQ(ping.average(), 0.0);
    ping.onPing(1.2);
    EXPECT_NEAR(ping.average(), 0.2, 1e-9);
    ping.onPing(2.0); // one interval of 0.8 replaces one of 0.2
    EXPECT_NEAR(ping.average(), (15 * 0.2 + 0.8) / 16, 1e-9);
}

TEST(AvatarReplay, WaitsForPingPlusHalfASecondOfMotion)
{
    AvatarReplay replay;
    double now = pushEvenly(replay, 3); // 0.5 s buffered: not more than the threshold
    EXPECT_FALSE(replay.step(0.0, now));
    EXPECT_FALSE(replay.isPlaying());
    now = pushEvenly(replay, 4);
    auto placed = replay.step(0.0, now);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->x, 0.0f);
}

TEST(AvatarReplay, InterpolatesAtFullSpeedThenHalfWhenLow)
{
    AvatarReplay replay;
    double now = pushEvenly(replay, 5); // 1.0 s buffered
    replay.step(0.0, now);
    // 0.125 s at full speed: halfway to the second sample.
    auto placed = replay.step(0.0, now + 0.125);
    ASSERT_TRUE(placed);
    EXPECT_FLOAT_EQ(placed->x, 0.5f);
    // The clock passed the second sample: 0.75 s left. With a ping of 0.3 s that is below the
    // threshold of 0.8 s, so the next 0.1 s count as 0.05 s.
    replay.step(0.0, now + 0.375);
    EXPECT_DOUBLE_EQ(replay.bufferedTime(), 0.75);
    placed = replay.step(0.3, now + 0.475);
    ASSERT_TRUE(placed);
    EXPECT_FLOAT_EQ(placed->x, 1.0f + (0.125f + 0.05f) / 0.25f);
}

TEST(AvatarReplay, HeadingTurnsTheShorterWay)
{
    const std::vector<std::tuple<float, float, float>> cases{
        {350, 10, 360}, // through 0, not back through 180
        {10, 350, 0},
        {90, 180, 135},
    };
    for (const auto& [from, to, halfway] : cases) {
        AvatarReplay replay;
        replay.push(at(0, 0, from), 10.0);
        replay.push(at(2.0f, 0, to), 10.0);
        replay.step(0.0, 10.0);
        auto placed = replay.step(0.0, 11.0);
        ASSERT_TRUE(placed);
        EXPECT_FLOAT_EQ(placed->heading, halfway) << from << " to " << to;
    }
}

TEST(AvatarReplay, UnplayableSamplesAreDropped)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    AvatarReplay replay;
    EXPECT_TRUE(replay.push(at(0, 1), 10.0));
    EXPECT_FALSE(replay.push(at(0.1f, nan), 10.1));
    EXPECT_FALSE(replay.push(at(1e30f, 0), 10.1));
    EXPECT_FALSE(replay.push(at(-1, 0), 10.1));
    EXPECT_EQ(replay.size(), 1u);
    EXPECT_EQ(replay.bufferedTime(), 0.0);
}

TEST(AvatarReplay, SilenceEmptiesTheQueueAndItsBufferedTime)
{
    AvatarReplay replay;
    const double now = pushEvenly(replay, 5);
    replay.step(0.0, now);
    EXPECT_FALSE(replay.step(0.0, now + 6.0));
    EXPECT_EQ(replay.size(), 0u);
    EXPECT_FALSE(replay.isPlaying());
    EXPECT_EQ(replay.bufferedTime(), 0.0);
    // A new stream starts from an empty buffer: the first sample's dt is not counted.
    replay.push(at(0.25f, 7), now + 6.0);
    EXPECT_EQ(replay.bufferedTime(), 0.0);
}

// Past the cap each new sample takes the newest one's place and its time: the queue stays at the
// cap, keeps its length in seconds, and plays through to the last placement received.
TEST(AvatarReplay, FullQueueKeepsItsLengthInSeconds)
{
    const int count = int(heron::limits::maxReplaySamples) + 50;
    AvatarReplay replay;
    replay.push(at(0, 0), 10.0);
    for (int i = 1; i < count; ++i) {
        replay.push(at(0.001f, float(i)), 10.0);
    }
    EXPECT_EQ(replay.size(), heron::limits::maxReplaySamples);
    EXPECT_NEAR(replay.bufferedTime(), (count - 1) * 0.001, 1e-6);
    std::optional<MotionSample> placed = replay.step(0.0, 10.0);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->x, 0.0f);
    // At full speed while more than half a second is left, then at half speed: the whole queue
    // has played within four seconds.
    for (double now = 10.0; now < 14.0; now += 0.01) {
        placed = replay.step(0.0, now);
    }
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->x, float(count - 1));
    EXPECT_EQ(replay.size(), 1u);
    EXPECT_NEAR(replay.bufferedTime(), 0.0, 1e-6);
}
