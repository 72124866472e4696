// How a no-entry or no-exit marker lights up on a bump and fades afterwards.
#include "game/Zone.h"

#include <gtest/gtest.h>

TEST(ZoneMarkerTest, TheMarkerFadesOutInFiveSecondsAfterABump)
{
    struct Step
    {
        bool bump;
        double frameTime;
        double brightness;
        bool shows;
    };
    const Step steps[] = {
        {false, 0.1, 0.0, false},   // never bumped: dark
        {true, 0.1, 192.0, true},   // a bump lights it at once
        {false, 1.0, 153.6, true},  // a fifth of the fade per second
        {true, 0.1, 192.0, true},   // a second bump starts again from full
        {false, 4.0, 38.4, true},
        {false, 2.0, 0.0, false},   // the fade stops at dark
        {false, 0.1, 0.0, false},
    };
    Zone zone;
    for (const Step& step : steps) {
        zone.bumped = step.bump;
        EXPECT_EQ(zone.updateMarker(step.frameTime), step.shows) << step.brightness;
        EXPECT_NEAR(zone.markerBrightness, step.brightness, 1e-9);
        EXPECT_FALSE(zone.bumped);
    }
}
