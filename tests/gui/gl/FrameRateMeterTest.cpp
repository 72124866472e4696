#include "gui/gl/FrameRateMeter.h"
#include "support/FakeBackend.h"

#include <gtest/gtest.h>

class FrameRateMeterTest : public testing::Test
{
protected:
    void SetUp() override { plat::setBackend(&fake); }
    void TearDown() override { plat::setBackend(nullptr); }

    plat::FakeBackend fake;
};

TEST_F(FrameRateMeterTest, FirstRateComesWithThe32ndSampleAndSpans31IntervalsAndAStoppedClockGivesNone)
{
    kestrel::FrameRateMeter meter;
    EXPECT_EQ(meter.sample(), 0.0);   // disabled at construction
    meter.reset();
    for (int i = 0; i < 31; ++i) {
        EXPECT_EQ(meter.sample(), 0.0) << i;
        fake.advance(0.02);
    }
    EXPECT_NEAR(meter.sample(), 50.0, 1e-6);
    fake.advance(0.1);   // one slow frame: 30 intervals of 0.02 s and one of 0.1 s
    EXPECT_NEAR(meter.sample(), 31.0 / (30 * 0.02 + 0.1), 1e-6);
    meter.stop();
    EXPECT_EQ(meter.sample(), 0.0);
    meter.reset();
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(meter.sample(), 0.0) << i;   // a clock that stands still gives no rate
    }
}
