#include "game/LookFixture.h"

#include "content/world/PelicanObject.h"
#include "game/BallPlay.h"
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
