#include "game/FlightFixture.h"

#include "content/world/PelicanObject.h"
#include "game/Level.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "support/WorldBuilders.h"

#include <memory>
#include <tuple>
#include <vector>

namespace
{

using finch::Vector3d;

// A shape and a content object showing it.
struct Shown
{
    Shown()
    {
        auto placed = std::make_unique<finch::InstanceBranch>();
        placed->setInstance(&shape);
        worldtest::add(wrapper, std::move(placed));
        object = std::make_unique<pelican::PelicanObject>(nullptr, &wrapper);
    }

    finch::Object shape;
    finch::SwitchBranch wrapper;
    std::unique_ptr<pelican::PelicanObject> object;
};

// A rock of radius 0.5 showing shape (when given), leaving position at velocity at time 0.
struct ThrownRock
{
    ThrownRock(const Vector3d& position, const Vector3d& velocity, const Projectile& projectile,
               finch::Object* shape = nullptr)
    {
        if (shape != nullptr) {
            branch.setInstance(shape);
        }
        finch::Transform start;
        start.position = position;
        start.pitch = 30.0;
        finch::Matrix placement;
        placement.setTransform(start);
        rock = &list.add(std::make_unique<Rock>(shape != nullptr ? &branch : nullptr, placement, velocity, 0.5,
                                                projectile, nullptr, 0.0));
    }

    finch::InstanceBranch branch;
    RockList list;
    Rock* rock;
};

Projectile weightless(bool directional = false)
{
    Projectile projectile;
    projectile.gravity = 0.0f;
    projectile.directional = directional;
    return projectile;
}

}

TEST(RockFlightTest, RockFallsAtFourTimesItsProjectileGravity)
{
    for (const float gravity : {0.0f, 1.0f, 5.0f}) {
        Projectile projectile;
        projectile.gravity = gravity;
        ThrownRock thrown(Vector3d(0, 0, 10), Vector3d(), projectile);
        static_cast<void>(thrown.list.fly(RockSurroundings{}, 0.1, 0.1));
        EXPECT_NEAR(thrown.rock->velocity().z, -0.4 * gravity, 1e-6) << gravity;
        EXPECT_NEAR(thrown.rock->position().z, 10.0 - 0.04 * gravity, 1e-6) << gravity;
    }
}

TEST(RockFlightTest, DirectionalRockTurnsAlongItsFlight)
{
    struct Case
    {
        bool directional;
        Vector3d velocity;
        double heading;
        double pitch;
    };
    const Case cases[] = {
        {true, Vector3d(0, 10, 0), 0.0, 0.0},     {true, Vector3d(10, 0, 0), -90.0, 0.0},
        {true, Vector3d(0, 10, 10), 0.0, 45.0},   {true, Vector3d(0, 3, 0), 0.0, 30.0},
        {false, Vector3d(10, 0, 0), 0.0, 29.1},   {false, Vector3d(0, 3, 0), 0.0, 30.0},
    };
    for (const Case& c : cases) {
        ThrownRock thrown(Vector3d(), c.velocity, weightless(c.directional));
        static_cast<void>(thrown.list.fly(RockSurroundings{}, 0.01, 0.01));
        EXPECT_NEAR(thrown.rock->transform().heading, c.heading, 1e-9) << c.velocity.x << c.velocity.y;
        EXPECT_NEAR(thrown.rock->transform().pitch, c.pitch, 1e-9) << c.velocity.x << c.velocity.y;
    }
}

TEST(RockFlightTest, TargetZoneCatchesTheRocksItTakes)
{
    Shown thrownShape;
    Shown otherShape;
    Shown avatar;
    struct Case
    {
        const char* what;
        double radius;
        pelican::PelicanObject* targetObject;
        pelican::PelicanObject* zoneObject;
        bool caught;
    };
    const Case cases[] = {
        {"any rock", 3.0, nullptr, nullptr, true},
        {"too far", 1.0, nullptr, nullptr, false},
        {"its own rock", 3.0, thrownShape.object.get(), nullptr, true},
        {"another rock", 3.0, otherShape.object.get(), nullptr, false},
        {"the held avatar's", 3.0, nullptr, avatar.object.get(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Zone zone;
        zone.position() = Vector3d(0, 12, 0);
        zone.radius = c.radius;
        zone.targetObject = c.targetObject;
        zone.object = c.zoneObject;
        Zone* const targets[] = {&zone};
        RockSurroundings around;
        around.targets = targets;
        around.heldAvatar = avatar.object.get();
        ThrownRock thrown(Vector3d(), Vector3d(0, 10, 0), weightless(), &thrownShape.shape);
        EXPECT_EQ(thrown.list.fly(around, 1.0, 1.0), c.caught ? &zone : nullptr);
        EXPECT_EQ(thrown.rock->caughtBy(), c.caught ? &zone : nullptr);
    }
}

TEST(RockFlightTest, CaughtRockShrinksIntoItsZoneWithinASecond)
{
    Zone zone;
    zone.position() = Vector3d(0, 12, 0);
    zone.radius = 3.0;
    Zone* const targets[] = {&zone};
    RockSurroundings around;
    around.targets = targets;
    ThrownRock thrown(Vector3d(), Vector3d(0, 10, 0), weightless());
    ASSERT_EQ(thrown.list.fly(around, 1.0, 1.0), &zone);
    EXPECT_EQ(thrown.list.fly(around, 1.5, 0.5), nullptr);
    EXPECT_NEAR((thrown.rock->position() - Vector3d(0, 11, 0)).length(), 0.0, 1e-9);
    EXPECT_NEAR(thrown.rock->transform().scale.x, 0.5, 1e-9);
    EXPECT_NEAR(thrown.rock->transform().roll, -25.0, 1e-9);
    int removed = 0;
    static_cast<void>(thrown.list.fly(around, 2.0, 0.5, [&removed](Rock&) { ++removed; }));
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(thrown.list.size(), 0u);
}

TEST(RockFlightTest, RingRockEndsOnTheAvatarItRings)
{
    finch::Object ring;
    finch::Object stone;
    // Shape, whether an avatar is rung, the reach asked for (none: not asked), rocks left flying.
    const std::tuple<finch::Object*, bool, double, std::size_t> cases[] = {
        {&ring, true, 2.5, 0}, {&ring, false, 2.5, 1}, {&stone, true, -1.0, 1}};
    for (const auto& [shape, rung, reach, flying] : cases) {
        double asked = -1.0;
        RockSurroundings around;
        around.ringObject = &ring;
        around.ring = [&](const Vector3d&, double within) {
            asked = within;
            return rung;
        };
        ThrownRock thrown(Vector3d(), Vector3d(0, 10, 0), weightless(), shape);
        static_cast<void>(thrown.list.fly(around, 0.1, 0.1));
        EXPECT_NEAR(asked, reach, 1e-9);
        EXPECT_EQ(thrown.list.size(), flying);
    }
}

namespace
{

// The world goes before the stone its rocks show.
class RockWorldTest : public LookFlyTest
{
protected:
    void TearDown() override
    {
        LookFlyTest::TearDown();
        m_world = heron::counted_ptr<Look>();
    }

    Shown m_stone;
};

}

TEST_F(RockWorldTest, ZoneThatCatchesARockIsEntered)
{
    LookFly& fly = start(openSeaWith(R"(    Zone "Basket" {
        center 1000 30 0
        radius 4
        isATarget 1
        changeFlySpeed 1
        flySpeed 3
    }
)"));
    flyUntil(m_now + 0.1);
    EXPECT_EQ(m_world->logic().flySpeed(), 10.0);
    Projectile projectile;
    projectile.gravity = 0.0f;
    projectile.speed = 30.0f;
    ASSERT_TRUE(fly.launch(projectile, nullptr, &m_stone.shape));
    flyUntil(m_now + 1.5);
    EXPECT_EQ(m_world->logic().flySpeed(), 3.0);
}

TEST_F(RockWorldTest, StartingAnActTakesEveryRockAway)
{
    for (const bool enabled : {true, false}) {
        LookFly& fly = start(openSea);
        Zone& zone = zoneNamed(*m_world->currentLevel(), "Open");
        zone.act.enable = enabled;
        ASSERT_TRUE(fly.launch(weightless(), nullptr, &m_stone.shape));
        Act* holding = nullptr;
        m_world->logic().startAct(zone, holding);
        EXPECT_EQ(rockList().size(), enabled ? 0u : 1u) << enabled;
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
    }
}

TEST(RockFlightTest, ZoneParticlesShowTheirObjectInRockTrailsToo)
{
    Shown seed;
    Zone zone;
    zone.setParticleObject(seed.object.get());
    EXPECT_EQ(zone.particles.object(), &seed.shape);
    Projectile projectile;
    projectile.particles = true;
    const Rock rock(nullptr, finch::Matrix(), Vector3d(), 0.5, projectile, &zone, 0.0);
    EXPECT_EQ(rock.particles()->object(), &seed.shape);
    zone.setParticleObject(nullptr);
    EXPECT_EQ(zone.particles.object(), nullptr);
}
