#include "game/EnvironmentTransitions.h"

#include "support/ManualSceneClock.h"

#include <gtest/gtest.h>

TEST(EnvironmentTransitionsTest, FogComingInClosesFromTenTimesItsDistance)
{
    FogSettings none;
    FogSettings to;
    to.type = 1;
    to.near = 10.0f;
    to.far = 100.0f;
    to.density = 0.5f;
    struct Case
    {
        float t;
        float far;
        float density;
    };
    for (const Case& c : {Case{0.0f, 1000.0f, 0.0f}, Case{0.5f, 550.0f, 0.25f}, Case{1.0f, 100.0f, 0.5f}}) {
        FogSettings out;
        blendFog(none, to, c.t, out);
        EXPECT_EQ(out.type, 1);
        EXPECT_FLOAT_EQ(out.far, c.far);
        EXPECT_FLOAT_EQ(out.density, c.density);
    }
}

TEST(EnvironmentTransitionsTest, SunHeightWrapsPastAFullTurn)
{
    SunSettings from;
    from.height = 350.0;
    SunSettings to;
    to.height = 370.0;
    to.changeHeight = true;
    SunSettings out;
    blendSun(from, to, 0.75f, out);
    EXPECT_NEAR(out.height, 5.0, 1e-9);
}

TEST(EnvironmentTransitionsTest, TransitionEndsOnItsTargetExactly)
{
    ManualSceneClock clock(10.0);
    float value = 20000.0f;
    FloatTransition change;
    change.start(value, 0.3f, 2.0, Easing::eased);
    clock.frame(11.9);
    change.update();
    EXPECT_NE(value, 0.3f);
    clock.frame(12.0);
    change.update();
    EXPECT_EQ(value, 0.3f);
    EXPECT_FALSE(change.isActive());
}

TEST(EnvironmentTransitionsTest, EqualStartIsIgnoredOnlyWhileRunning)
{
    ManualSceneClock clock(10.0);
    float value = 0.0f;
    FloatTransition change;
    change.start(value, 100.0f, 4.0, Easing::linear);
    clock.frame(12.0);
    change.start(value, 100.0f, 4.0, Easing::linear);
    change.update();
    EXPECT_FLOAT_EQ(value, 50.0f);

    change.stop();
    value = 0.0f;
    change.start(value, 100.0f, 4.0, Easing::linear);
    clock.frame(13.0);
    change.update();
    EXPECT_FLOAT_EQ(value, 25.0f);
}

TEST(EnvironmentTransitionsTest, FogGoingAwayEndsWithoutFog)
{
    ManualSceneClock clock(0.0);
    FogSettings live;
    live.type = 2;
    FogSettings clear;
    FogTransition change;
    change.start(live, clear, 1.0, Easing::eased);
    clock.frame(1.0);
    change.update();
    EXPECT_EQ(live.type, 0);
}

TEST(EnvironmentTransitionsTest, SkyFadeRestartsFromTheCurrentColours)
{
    ManualSceneClock clock(0.0);
    SkySettings live;
    live.top = finch::RGBA{0.0f, 0.0f, 0.0f, 1.0f};
    SkySettings night;
    night.top = finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f};
    SkyTransition change;
    change.start(live, night, 2.0, Easing::linear);
    clock.frame(1.0);
    change.update();
    change.start(live, night, 2.0, Easing::linear);
    clock.frame(2.0);
    change.update();
    // The second start began at half way, so one second later the fade is at three quarters.
    EXPECT_FLOAT_EQ(live.top.r, 0.75f);
}
