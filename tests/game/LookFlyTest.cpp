#include "game/FlightFixture.h"

#include "content/world/PelicanObject.h"
#include "game/Act.h"
#include "game/Level.h"
#include "game/flight/LookFly.h"
#include "game/LookLogic.h"
#include "gui/toolkit/Event.h"
#include "game/Zone.h"
#include "gui/toolkit/Window.h"
#include "music/Motor.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "support/CollisionScenes.h"
#include "support/WorldBuilders.h"

#include <cmath>
#include <limits>

namespace
{

using finch::Vector3d;
using kestrel::Event;

}

TEST_F(LookFlyTest, TheLeftButtonAcceleratesToTheTopSpeed)
{
    LookFly& fly = start(openSea);
    press(fly, Event::LeftPress, true, false);
    // Top speed: the speed setting 5 times the zone speed 10; 0.75 of it is gained per second.
    const struct
    {
        double time;
        double speed;
    } cases[] = {{101.0, 37.5}, {102.0, 50.0}, {110.0, 50.0}};
    for (const auto& c : cases) {
        flyUntil(c.time);
        EXPECT_NEAR(fly.speed(), c.speed, 1e-9) << c.time;
    }
}

TEST_F(LookFlyTest, WithNoButtonThePlayerCoasts)
{
    LookFly& fly = start(openSea);
    press(fly, Event::LeftPress, true, false);
    flyUntil(101.0);
    press(fly, Event::LeftRelease, false, false);
    const double x0 = fly.transform().position.y;
    flyUntil(111.0);
    EXPECT_NEAR(fly.speed(), 37.5, 1e-9);
    EXPECT_NEAR(fly.transform().position.y - x0, 375.0, 1e-6);
}

TEST_F(LookFlyTest, TheRightButtonFromStandstillFliesBackwardsToHalfTheTopSpeed)
{
    LookFly& fly = start(openSea);
    press(fly, Event::RightPress, false, true);
    flyUntil(102.0);
    EXPECT_NEAR(fly.speed(), -12.5, 1e-9);
    flyUntil(104.0);
    EXPECT_NEAR(fly.speed(), -25.0, 1e-9);
    flyUntil(106.0);
    EXPECT_NEAR(fly.speed(), -25.0, 1e-9);
}

TEST_F(LookFlyTest, BrakingStopsInHalfASecondAndStaysStoppedWhileHeld)
{
    LookFly& fly = start(openSea);
    press(fly, Event::LeftPress, true, false);
    flyUntil(102.0);
    press(fly, Event::LeftRelease, false, false);
    press(fly, Event::RightPress, false, true);
    flyUntil(102.3);
    EXPECT_GT(fly.speed(), 0.0);
    flyUntil(102.6);
    EXPECT_EQ(fly.speed(), 0.0);
    flyUntil(105.0);
    EXPECT_EQ(fly.speed(), 0.0);
}

TEST_F(LookFlyTest, LoweringTheSpeedSettingSettlesOnTheNewTopSpeed)
{
    LookFly& fly = start(openSea);
    press(fly, Event::LeftPress, true, false);
    flyUntil(102.0);
    Event key(Event::Key);
    key.key = '1';
    fly.handleEvent(key);
    flyUntil(102.1);
    // 50 less 4 per second of its excess over the new top speed 20.
    EXPECT_NEAR(fly.speed(), 50.0 - 30.0 * 0.4, 1e-9);
    flyUntil(104.0);
    EXPECT_EQ(fly.speed(), 20.0);
}

TEST_F(LookFlyTest, TheMouseOffTheCentreSteersTowardIt)
{
    LookFly& fly = start(openSea);
    const struct
    {
        int dx;
        int dy;
        double headingSign;
        double pitchSign;
    } cases[] = {{200, 0, -1.0, 0.0}, {-200, 0, 1.0, 0.0}, {0, 100, 0.0, 1.0}, {0, -100, 0.0, -1.0}};
    for (const auto& c : cases) {
        fly.teleport(finch::Transform{Vector3d(1000, 0, 0)});
        fly.handleEvent(mouse(Event::MouseMove, width / 2 + c.dx, height / 2 + c.dy, false, false));
        flyUntil(m_now + 0.1);
        const double heading = fly.transform().heading > 180.0 ? fly.transform().heading - 360.0 : fly.transform().heading;
        EXPECT_EQ(heading > 0.0, c.headingSign > 0.0) << c.dx;
        EXPECT_EQ(heading < 0.0, c.headingSign < 0.0) << c.dx;
        EXPECT_EQ(fly.transform().pitch > 0.0, c.pitchSign > 0.0) << c.dy;
        EXPECT_EQ(fly.transform().pitch < 0.0, c.pitchSign < 0.0) << c.dy;
    }
}

TEST_F(LookFlyTest, PitchAndHeadingStayInRangeUnderHardSteering)
{
    LookFly& fly = start(openSea);
    fly.handleEvent(mouse(Event::MouseMove, width, height, false, false));
    for (int i = 0; i < 50; ++i) {
        flyUntil(m_now + 0.1);
        EXPECT_LE(fly.transform().pitch, 85.0);
        EXPECT_GE(fly.transform().heading, 0.0);
        EXPECT_LT(fly.transform().heading, 360.0);
    }
}

TEST_F(LookFlyTest, AMinimisedWindowDoesNotPoisonTheFlight)
{
    LookFly& fly = start(openSea);
    m_window.setSize(0, 0);
    fly.handleEvent(mouse(Event::MouseMove, 5, 5, true, false));
    flyUntil(101.0);
    EXPECT_TRUE(std::isfinite(fly.transform().heading));
    EXPECT_TRUE(fly.transform().position.isFinite());
}

TEST_F(LookFlyTest, HeadingsOfAnySizeWrapInOneStep)
{
    const struct
    {
        double given;
        double wrapped;
    } cases[] = {{-30.0, 330.0}, {720.0, 0.0}, {359.5, 359.5}, {-1e-20, 0.0},
                 {std::numeric_limits<double>::infinity(), 0.0}, {std::nan(""), 0.0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(wrapHeading(c.given), c.wrapped) << c.given;
    }
    const double huge = wrapHeading(1e30);
    EXPECT_GE(huge, 0.0);
    EXPECT_LT(huge, 360.0);
}

TEST_F(LookFlyTest, AnEntryHeadingThatIsNotFiniteReadsAsZero)
{
    LookFly& fly = start(R"(Level "Sea" {
    entryXYZ 1000 0 0
    entryHPR inf 10 0
})");
    EXPECT_EQ(fly.transform().heading, 0.0);
    EXPECT_EQ(fly.transform().pitch, 10.0);
}

TEST_F(LookFlyTest, AWallStopsTheSweep)
{
    LookFly& fly = start(openSea);
    std::vector<collisionscene::Corners> wall;
    // Facing -y, toward the player, at y = 5.
    collisionscene::addQuad(wall, Vector3d(950, 5, -50), Vector3d(1050, 5, -50), Vector3d(1050, 5, 50),
                            Vector3d(950, 5, 50));
    auto db = scenebuild::database(collisionscene::geometry("wall", wall));
    press(fly, Event::LeftPress, true, false);
    for (int i = 0; i < 30; ++i) {
        m_now += 0.1;
        m_clock.frame(m_now);
        fly.update(db.get());
    }
    EXPECT_GT(fly.transform().position.y, 3.9);
    EXPECT_LE(fly.transform().position.y, 4.0 + 1e-6);
    EXPECT_NEAR(LookFly::lastContactNormal.y, -1.0, 1e-6);
    // Held against the wall, the player shows the speed it flies.
    EXPECT_LT(fly.speed(), 0.01);
}

TEST_F(LookFlyTest, ABubbleTurnsThePlayerBack)
{
    LookFly& fly = start(R"(Level "Sea" {
    entryXYZ 1000 0 0
    Zone "Bubble" {
        center 1000 0 0
        radius 20
        noExit 1
        playerSize2 1
    }
})");
    press(fly, Event::LeftPress, true, false);
    double strongest = 0.0;
    while (m_now < 103.0) {
        flyUntil(m_now + 0.1);
        EXPECT_LT(fly.transform().position.y, 19.0 + 1e-6);
        strongest = std::max(strongest, fly.drift().length());
    }
    EXPECT_LT(fly.drift().y, 0.0);
    EXPECT_NEAR(strongest, 40.0, 1e-6);
}

TEST_F(LookFlyTest, ABumpMarksTheZoneHit)
{
    LookFly& fly = start(openSeaWith(R"(    Zone "Rock" {
        center 1000 30 0
        radius 10
        noEntry 1
        showCollision 1
    }
)"));
    Zone& open = *m_world->currentLevel()->zones()[0];
    Zone& rock = *m_world->currentLevel()->zones()[1];
    flyUntil(101.0);
    EXPECT_FALSE(rock.bumped);
    press(fly, Event::LeftPress, true, false);
    flyUntil(105.0);
    EXPECT_TRUE(rock.bumped);
    EXPECT_FALSE(open.bumped);
}

TEST(BounceSoundTest, BouncesSoundAtMostOnceASecond)
{
    struct Case
    {
        double now;
        bool due;
    };
    const Case cases[] = {
        {1000.0, true}, {1000.5, false}, {1000.99, false}, {1001.0, true}, {1001.2, false},
        {5.0, true}, // a new game's clock
        {5.5, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LookFly::bounceSoundDue(c.now), c.due) << c.now;
    }
}

TEST_F(LookFlyTest, ANoEntryBallKeepsThePlayerOut)
{
    LookFly& fly = start(openSeaWith(R"(    Zone "Rock" {
        center 1000 30 0
        radius 10
        noEntry 1
    }
)"));
    press(fly, Event::LeftPress, true, false);
    flyUntil(105.0);
    EXPECT_LE(fly.transform().position.y, 19.0 + 1e-6);
    EXPECT_GT(fly.transform().position.y, 18.0);
}

TEST_F(LookFlyTest, ASpinViewZoneOrbitsItsCentreAndFacesIt)
{
    LookFly& fly = start(openSeaWith(R"(    Zone "Statue" {
        center 1000 60 0
        radius 40
        spinView 1
        sphericalSpin 0
        playerSize2 1
    }
)"));
    press(fly, Event::LeftPress, true, false);
    flyUntil(103.0);
    ASSERT_TRUE(fly.isOrbiting());
    EXPECT_EQ(fly.speed(), 0.0);
    // The mouse right of the centre turns the orbit; after the easing the radius is 0.99 of the zone's.
    fly.handleEvent(mouse(Event::MouseMove, width / 2 + 200, height / 2, false, false));
    flyUntil(110.0);
    const Vector3d offset = fly.transform().position - Vector3d(1000, 60, 0);
    EXPECT_NEAR(std::hypot(offset.x, offset.y), 39.6, 1e-6);
    EXPECT_GT(std::fabs(offset.x), 1.0);
    double heading = 0.0, pitch = 0.0;
    (Vector3d(1000, 60, 0) - fly.transform().position).toHeadingPitch(heading, pitch);
    EXPECT_NEAR(wrapHeading(heading), fly.transform().heading, 1e-6);
    // A left press leaves the orbit.
    press(fly, Event::LeftPress, true, false);
    EXPECT_FALSE(fly.isOrbiting());
}

TEST_F(LookFlyTest, SwitchKeysToggleTheirSwitch)
{
    struct Case
    {
        int key;
        bool* flag;
    };
    const Case cases[] = {{'g', &LookFly::gravityOn}, {'l', &finch::lodFadeEnabled}, {'t', &Motor::volumeSwitchOn}};
    LookFly& fly = start(openSea);
    for (const Case& c : cases) {
        const bool before = *c.flag;
        Event key(Event::Key);
        key.key = c.key;
        fly.handleEvent(key);
        EXPECT_NE(*c.flag, before) << static_cast<char>(c.key);
        fly.handleEvent(key);
        EXPECT_EQ(*c.flag, before) << static_cast<char>(c.key);
    }
}

TEST_F(LookFlyTest, F4EndsTheFlight)
{
    LookFly& fly = start(openSea);
    Event key(Event::Key);
    key.key = 269;
    EXPECT_FALSE(fly.handleEvent(key));
    EXPECT_FALSE(m_world->logic().update());
}

TEST_F(LookFlyTest, TetheredPlayerCirclesTheActWithinItsDistances)
{
    struct Case
    {
        const char* what;
        bool left;
        bool right;
        double distance;
    };
    const Case cases[] = {
        {"buttons up: halfway", false, false, 20.0},
        {"left held: pulled in", true, false, 10.0},
        {"right held: let out", false, true, 30.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LookFly& fly = start(openSea);
        Act act;
        tether(fly, act);
        ASSERT_TRUE(fly.isTethered());
        EXPECT_NEAR(fly.transform().position.length(), 20.0, 0.5);
        press(fly, c.left ? Event::LeftPress : Event::MouseMove, c.left, c.right);
        flyUntil(m_now + 4.0);
        EXPECT_NEAR(fly.transform().position.length(), c.distance, 1.5);
        fly.setPath(nullptr);
        EXPECT_FALSE(fly.isTethered());
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
    }
}

// A stop while tethered (a bounce, a seize) leaves no stop lock behind: once let go, the held left
// button speeds the player up again.
TEST_F(LookFlyTest, StopWhileTetheredDoesNotLockTheSpeed)
{
    LookFly& fly = start(openSea);
    Act act;
    tether(fly, act);
    ASSERT_TRUE(fly.isTethered());
    press(fly, Event::LeftPress, true, false);
    fly.halt();
    fly.setPath(nullptr);
    ASSERT_FALSE(fly.isTethered());
    // Short of the world's teapot at the tether's centre, which it faces.
    flyUntil(m_now + 0.9);
    EXPECT_GT(fly.speed(), 30.0);
}

TEST_F(LookFlyTest, TetheredViewTurnsNoFurtherThanItsStageAllows)
{
    struct Case
    {
        std::int32_t constraint;
        double lowest;
        double highest;
    };
    // Steered right at 20 degrees a second for 12 s from facing the act's object across its
    // forward axis; the limits have eased in by then.
    const Case cases[] = {{0, -180.0, -91.0}, {50, -90.0, -90.0}, {100, 0.0, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.constraint);
        LookFly& fly = start(openSea);
        finch::SwitchBranch wrapper;
        worldtest::add(wrapper, std::make_unique<finch::InstanceBranch>());
        finch::SwitchBranch animations;
        worldtest::add(animations, std::make_unique<finch::InstanceBranch>());
        pelican::PelicanObject object(nullptr, &wrapper);
        object.setAnimationSwitch(&animations);
        Act act;
        act.object = &object;
        act.stage(0).constraint = c.constraint;
        fly.setPath(&act);
        fly.handleEvent(mouse(Event::MouseMove, width / 2 + 200, height / 2, false, false));
        flyUntil(m_now + 12.0);
        const double offset = wrapHeading(fly.transform().heading + 180.0) - 180.0;
        EXPECT_GE(offset, c.lowest - 1e-6);
        EXPECT_LE(offset, c.highest + 1e-6);
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
    }
}
