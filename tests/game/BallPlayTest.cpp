#include "game/LookFixture.h"

#include "content/world/PelicanObject.h"
#include "game/flight/BallPlay.h"
#include "game/Level.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "support/WorldBuilders.h"

#include <numbers>

TEST(RollBallTest, BallTurnsOverTheWayItMoves)
{
    struct Case
    {
        const char* name;
        finch::Vector3d velocity;
        finch::Vector3d top;
    };
    // A quarter turn of a ball of radius 1 in one second.
    const double quarter = std::numbers::pi / 2.0;
    const Case cases[] = {
        {"at rest", {0.0, 0.0, 0.0}, {0.0, 0.0, 1.0}},
        {"falling", {0.0, 0.0, -3.0}, {0.0, 0.0, 1.0}},
        {"along x", {quarter, 0.0, 0.0}, {1.0, 0.0, 0.0}},
        {"along y", {0.0, quarter, 0.0}, {0.0, 1.0, 0.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        finch::Matrix placement;
        rollBall(placement, c.velocity, 1.0, 1.0);
        finch::Vector3d top;
        placement.transformPoint(top, {0.0, 0.0, 1.0});
        EXPECT_NEAR((top - c.top).length(), 0.0, 1e-9);
    }
}

TEST_F(LookTest, BallInTheGoalSendsThePlayerToTheCounterLevel)
{
    heron::counted_ptr<Look> world = read(R"(Data {
    counter "goals" {
        level 1
    }
}
Level "Pitch" {
    isStartupLevel 1
    Zone "Ball" {
        radius 1
        isBall 1
    }
    Zone "Goal" {
        center -6 0 0
        radius 1
        isGoal 1
        goalCounter 0
    }
}
Level "Sky" {
}
)");
    finch::SwitchBranch wrapper;
    worldtest::add(wrapper, std::make_unique<finch::InstanceBranch>());
    pelican::PelicanObject ball(nullptr, &wrapper);
    Level& pitch = *world->levels()[0];
    Zone& zone = zoneNamed(pitch, "Ball");
    zone.object = &ball;
    zone.velocity = {-4.0, 0.0, 0.0};
    EXPECT_EQ(updateBalls(*world, pitch, 1.0), nullptr);
    EXPECT_EQ(ball.transform().at(3, 0), -4.0);
    EXPECT_EQ(updateBalls(*world, pitch, 0.5), world->levels()[1].get());
    EXPECT_FALSE(ball.isActive());
    EXPECT_EQ(world->counters()[0].count(), 1u);
}

TEST_F(LookTest, BatStrikesOrTurnsBackTheBallsItReaches)
{
    struct Case
    {
        const char* what;
        finch::Vector3d batAt;
        finch::Vector3d batVelocity;
        finch::Vector3d ballVelocity;
        finch::Vector3d after;
    };
    // A ball of radius 1 at the origin and a bat of radius 1.
    const Case cases[] = {
        {"stroke", {-1.5, 0, 0}, {4, 0, 3}, {0, 0, 0}, {4, 0, 0}},
        {"glancing stroke", {0, -1.5, 0}, {2, 2, 0}, {0, 0, 0}, {0, 2, 0}},
        {"out of reach", {-3, 0, 0}, {4, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        {"ball into a resting bat", {-1.5, 0, 0}, {0, 0, 0}, {-4, 1, 2}, {4, 1, 0}},
        {"ball leaving the bat", {-1.5, 0, 0}, {0, 0, 0}, {4, 0, 2}, {4, 0, 2}},
        {"bat on the ball's centre", {0, 0, 0}, {4, 0, 0}, {1, 0, 0}, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        heron::counted_ptr<Look> world = read(R"(Level "Pitch" {
    Zone "Ball" {
        radius 1
        isBall 1
    }
}
)");
        Level& pitch = *world->levels()[0];
        Zone& zone = zoneNamed(pitch, "Ball");
        zone.velocity = c.ballVelocity;
        finch::SwitchBranch wrapper;
        worldtest::add(wrapper, std::make_unique<finch::InstanceBranch>());
        pelican::PelicanObject ball(nullptr, &wrapper);
        zone.object = &ball;
        const Bat bat{c.batAt, 1.0, c.batVelocity};
        EXPECT_EQ(updateBalls(*world, pitch, 0.001, &bat), nullptr);
        // The ball has moved a thousandth of a second's way when it glances off.
        EXPECT_NEAR((zone.velocity - c.after).length(), 0.0, 0.01);
    }
}
