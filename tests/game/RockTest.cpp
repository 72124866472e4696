#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "scene/collide/TriangleCollider.h"
#include "tests/support/CollisionScenes.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace
{

using finch::Vector3d;

constexpr double frame = 1.0 / 60.0;

// The plane z = 0, facing up.
class Floor : public finch::TriangleCollider
{
public:
    void collectTriangles(const finch::Collider&, std::vector<finch::CollisionTriangle>& out) override
    {
        std::vector<collisionscene::Corners> quad;
        collisionscene::addQuad(quad, Vector3d(-500, -500, 0), Vector3d(500, -500, 0), Vector3d(500, 500, 0),
                                Vector3d(-500, 500, 0));
        for (const collisionscene::Corners& corners : quad) {
            out.push_back(collisionscene::collisionTriangle(corners));
        }
    }
};

finch::Matrix placedAt(const Vector3d& position)
{
    finch::Matrix placement;
    placement.translate(position);
    return placement;
}

std::unique_ptr<Rock> rockAt(const Vector3d& position, const Vector3d& velocity, const Projectile& projectile)
{
    return std::make_unique<Rock>(nullptr, placedAt(position), velocity, 0.5, projectile, nullptr, 0.0);
}

TEST(RockTest, FallingRockAnswersTheFloorByItsProjectile)
{
    struct Case
    {
        const char* what;
        bool doBounce;
        float elasticity;
        double upwardSpeed;
    };
    const Case cases[] = {
        {"elastic", true, 0.5f, 5.0},
        {"fully elastic", true, 1.0f, 10.0},
        {"dead", true, 0.0f, 0.0},
        {"no bounce", false, 0.5f, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Projectile projectile;
        projectile.gravity = 0.0f;
        projectile.doBounce = c.doBounce;
        projectile.elasticity = c.elasticity;
        RockList list;
        Floor floor;
        const std::array<finch::Collider*, 1> collidees{&floor};
        const Rock& rock = list.add(rockAt(Vector3d(0, 0, 2), Vector3d(0, 0, -10), projectile));
        list.fly(collidees, 0.1, 0.1);
        list.fly(collidees, 0.2, 0.1);
        EXPECT_NEAR(rock.velocity().z, c.upwardSpeed, 1e-3);
        EXPECT_NEAR(rock.velocity().x, 0.0, 1e-9);
        EXPECT_GE(rock.position().z, 0.5 - 1e-3);
    }
}

TEST(RockTest, ThrownRockNeverSinksThroughTheFloor)
{
    Projectile projectile;
    RockList list;
    Floor floor;
    const std::array<finch::Collider*, 1> collidees{&floor};
    const Rock& rock = list.add(rockAt(Vector3d(0, 0, 3), Vector3d(0, 20, 2), projectile));
    double lowest = 3.0;
    for (int i = 1; i < 600; ++i) {
        list.fly(collidees, i * frame, frame);
        lowest = std::min(lowest, rock.position().z);
    }
    EXPECT_GE(lowest, 0.5 - 1e-3);
    EXPECT_GT(rock.position().y, 20.0);
    EXPECT_LT(rock.velocity().length(), 20.0);
}

TEST(RockTest, ThrowsKeepToTheProjectileRate)
{
    struct Case
    {
        float rate;
        int throws;
    };
    const Case cases[] = {{4.0f, 4}, {1.0f, 1}, {60.0f, 60}, {0.0f, 0}, {-2.0f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        RockList list;
        int thrown = 0;
        for (int i = 0; i < 60; ++i) {
            thrown += list.mayThrow(c.rate, i * frame) ? 1 : 0;
        }
        EXPECT_EQ(thrown, c.throws);
    }
}

TEST(RockTest, ListHoldsEveryRockOfTheDefaultRateUntilItsLifespanEnds)
{
    const Projectile projectile;
    RockList list;
    Floor floor;
    const std::array<finch::Collider*, 1> collidees{&floor};
    const double perThrow = 1.0 / projectile.rate;
    const int throws = static_cast<int>(projectile.lifespan * projectile.rate);
    for (int i = 0; i < throws; ++i) {
        const double now = i * perThrow;
        ASSERT_TRUE(list.mayThrow(projectile.rate, now));
        list.add(std::make_unique<Rock>(nullptr, placedAt(Vector3d(0, 0, 10)), Vector3d(), 0.5, projectile,
                                        nullptr, now));
    }
    list.fly(collidees, throws * perThrow - 0.01, 0.01);
    EXPECT_EQ(list.size(), static_cast<std::size_t>(throws));
    EXPECT_GT(list.size(), RockList::initialRoom);

    int removed = 0;
    list.fly(collidees, throws * perThrow + projectile.lifespan, 0.01, [&removed](Rock&) { ++removed; });
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(removed, throws);
}

}

TEST(RockTest, RockTrailsAndBurstsItsZoneParticlesAsItsProjectileSays)
{
    struct Case
    {
        bool particles;
        bool burst;
    };
    const Case cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.particles << c.burst);
        Zone zone;
        Projectile projectile;
        projectile.particles = c.particles;
        projectile.burst = c.burst;
        RockList list;
        Floor floor;
        const std::array<finch::Collider*, 1> collidees{&floor};
        const Rock& rock = list.add(std::make_unique<Rock>(nullptr, placedAt(Vector3d(0, 0, 2)), Vector3d(0, 0, -10),
                                                           0.5, projectile, &zone, 0.0));
        EXPECT_EQ(rock.particles() != nullptr, c.particles);
        EXPECT_EQ(rock.burstsOnHit(), c.burst);
        list.fly(collidees, 0.2, 0.2);
        EXPECT_FALSE(rock.burstsOnHit());
    }
}
