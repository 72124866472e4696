#include "scene/collide/DatabaseCollider.h"
#include "scene/math/Random.h"
#include "support/CollisionScenes.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

using collisionscene::Corners;
using collisionscene::Facing;
using finch::Collider;
using finch::DatabaseCollider;
using finch::Vector3d;

constexpr double clearance = 0.001f;
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// A mover: the step itself, never hit by others.
class Mover : public Collider
{
public:
    bool test(const Collider&, double&, Vector3d&) override { return false; }
};

// A collidee of fixed world triangles.
class Triangles : public finch::TriangleCollider
{
public:
    explicit Triangles(std::vector<Corners> list) : m_list(std::move(list)) {}
    void collectTriangles(const Collider&, std::vector<finch::CollisionTriangle>& out) override
    {
        for (const Corners& corners : m_list) {
            out.push_back(collisionscene::collisionTriangle(corners));
        }
    }

private:
    std::vector<Corners> m_list;
};

// The plane y = 5 from -50 to 50 in x and z, facing -y, or +y when reversed.
std::vector<Corners> wallAtY5(bool reversed = false)
{
    std::vector<Corners> out;
    const Vector3d a(-50, 5, -50), b(-50, 5, 50), c(50, 5, 50), d(50, 5, -50);
    if (reversed) {
        collisionscene::addQuad(out, a, b, c, d);
    } else {
        collisionscene::addQuad(out, a, d, c, b);
    }
    return out;
}

// The plane x = 5, facing -x.
std::vector<Corners> wallAtX5()
{
    std::vector<Corners> out;
    collisionscene::addQuad(out, Vector3d(5, -50, -50), Vector3d(5, -50, 50), Vector3d(5, 50, 50), Vector3d(5, 50, -50));
    return out;
}

// The plane x + y = 10, facing -x - y: its normal's two largest components tie.
std::vector<Corners> wallAt45Degrees()
{
    std::vector<Corners> out;
    collisionscene::addQuad(out, Vector3d(-40, 50, -50), Vector3d(50, -40, -50), Vector3d(50, -40, 50), Vector3d(-40, 50, 50));
    return out;
}

// The floor z = 0 facing up, under a roof sloping down to it along +y (z = 2.5 - y / 4) facing
// down: a sphere of radius 1 fits in the wedge between them as far as y = 1.877.
std::vector<Corners> wedge()
{
    std::vector<Corners> out;
    collisionscene::addQuad(out, Vector3d(-50, -50, 0), Vector3d(50, -50, 0), Vector3d(50, 50, 0), Vector3d(-50, 50, 0));
    collisionscene::addQuad(out, Vector3d(-50, -50, 15), Vector3d(-50, 10, 0), Vector3d(50, 10, 0), Vector3d(50, -50, 15));
    return out;
}

// A step through a scene and the end position expected.
struct StepCase
{
    const char* what;
    std::vector<Corners> scene;
    Vector3d start;
    Vector3d step;
    Vector3d end;
    double radius = 1.0;
};

struct Outcome
{
    bool touched;
    Vector3d end;
};

Outcome move(std::vector<Corners> scene, const Vector3d& start, const Vector3d& step, double radius,
             finch::CollisionAction* action = nullptr)
{
    Triangles collidee(std::move(scene));
    Mover mover;
    mover.setMove(start, step, radius);
    mover.addCollidee(&collidee, action);
    const bool touched = mover.collide();
    return {touched, mover.start()};
}

void expectNear(const Vector3d& actual, const Vector3d& expected, double tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Answers every touch by reflecting the rest of the step.
class Reflect : public finch::CollisionAction
{
public:
    Vector3d respond(const Collider& mover) override { return bounce(mover, 1.0f); }
};

// How far p lies outside the box (0 inside it).
double distanceOutside(const Vector3d& p, const Vector3d& lo, const Vector3d& hi)
{
    const Vector3d out(std::max({lo.x - p.x, 0.0, p.x - hi.x}), std::max({lo.y - p.y, 0.0, p.y - hi.y}),
                       std::max({lo.z - p.z, 0.0, p.z - hi.z}));
    return out.length();
}

// How far p lies inside the box from its nearest face (0 outside it).
double depthInside(const Vector3d& p, const Vector3d& lo, const Vector3d& hi)
{
    return std::max(0.0, std::min({p.x - lo.x, hi.x - p.x, p.y - lo.y, hi.y - p.y, p.z - lo.z, hi.z - p.z}));
}

}

TEST(ColliderTest, SphereStopsShortOfWhatItTouches)
{
    // Triangle of the corner and edge cases: (0, 5, 0) is its corner nearest +x, its edge from
    // there along -x ends at x = -4; it faces -y.
    const std::vector<Corners> corner = {{Vector3d(0, 5, 0), Vector3d(-4, 5, 0), Vector3d(-4, 5, -4)}};
    const std::vector<Corners> edge = {{Vector3d(0, 5, -4), Vector3d(0, 5, 4), Vector3d(-8, 5, 0)}};
    std::vector<Corners> concave = wallAtY5();
    const std::vector<Corners> side = wallAtX5();
    concave.insert(concave.end(), side.begin(), side.end());
    const double slideY = 4.0 - clearance / std::sqrt(2.0);
    const StepCase cases[] = {
        {"straight at a wall", wallAtY5(), {0, 0, 0}, {0, 10, 0}, {0, 4 - clearance, 0}},
        {"at 45 degrees into a wall, sliding along it", wallAtY5(), {0, 0, 0}, {6, 6, 0}, {6, slideY, 0}},
        {"straight at a wall turned 45 degrees, away from its edges", wallAt45Degrees(), {0, 0, 20}, {10, 10, 0},
         Vector3d(0, 0, 20) + Vector3d(1, 1, 0) * ((10 / std::sqrt(2.0) - 1 - clearance) / std::sqrt(2.0))},
        {"into a concave corner", concave, {0, 0, 0}, {9, 9, 0}, {4 - clearance, 4 - clearance, 0}},
        {"already cutting the plane in front of the centre", wallAtY5(), {-20, 4.5, 10}, {0, 3, 0}, {-20, 4.5 - clearance, 10}},
    };
    for (const StepCase& item : cases) {
        SCOPED_TRACE(item.what);
        const Outcome outcome = move(item.scene, item.start, item.step, item.radius);
        EXPECT_TRUE(outcome.touched);
        // The plane of a touch is taken from the centre, which stopped short along the motion
        // rather than along the normal: slides drift by about the clearance.
        expectNear(outcome.end, item.end, 2 * clearance);
    }
    // Pushed into a wedge, the sphere slides on along its crease, which the planes taken from where
    // it stopped short turn a little.
    const Outcome wedged = move(wedge(), Vector3d(0, -2, 1 + clearance), Vector3d(3, 10, 0), 1.0);
    EXPECT_TRUE(wedged.touched);
    expectNear(wedged.end, Vector3d(3, 1.877, 1), 20 * clearance);
    struct Graze
    {
        const char* what;
        std::vector<Corners> scene;
        Vector3d start;
        Vector3d contact;
    };
    // The surface reaches the corner or edge after 5 - sqrt(1 - 0.6^2) = 4.2.
    const Graze grazes[] = {
        {"passing a corner", corner, {0.6, 0, 0}, {0, 5, 0}},
        {"passing an edge", edge, {0.6, 0, 0.5}, {0, 5, 0.5}},
    };
    for (const Graze& item : grazes) {
        SCOPED_TRACE(item.what);
        Triangles collidee(item.scene);
        Mover mover;
        mover.setMove(item.start, Vector3d(0, 10, 0), 1.0);
        collidee.prepare(mover);
        double distance = 0;
        Vector3d contact;
        ASSERT_TRUE(collidee.test(mover, distance, contact));
        EXPECT_NEAR(distance, 4.2, 1e-6);
        expectNear(contact, item.contact, 1e-6);
    }
}

TEST(ColliderTest, StepsThatTouchNothingEndWhereTheyWereSent)
{
    TempLog log;
    const std::vector<Corners> degenerate = {
        {Vector3d(-1, 5, 0), Vector3d(0, 5, 0), Vector3d(1, 5, 0)},
        {Vector3d(0, 5, 0), Vector3d(0, 5, 0), Vector3d(0, 5, 0)},
        {Vector3d(-50, 5, -50), Vector3d(notANumber, 5, 50), Vector3d(50, 5, 50)},
    };
    const StepCase cases[] = {
        {"ending before the wall", wallAtY5(), {0, 0, 0}, {0, 3.9, 0}, {0, 3.9, 0}},
        {"against the back of a wall", wallAtY5(true), {0, 0, 0}, {0, 10, 0}, {0, 10, 0}},
        {"parallel to a wall", wallAtY5(), {0, 4.5, 0}, {10, 0, 0}, {10, 4.5, 0}},
        {"with the centre behind the plane", wallAtY5(), {0, 5.5, 0}, {0, 3, 0}, {0, 8.5, 0}},
        {"of length 0", wallAtY5(), {0, 4.5, 0}, {0, 0, 0}, {0, 4.5, 0}},
        {"with radius 0", wallAtY5(), {0, 0, 0}, {0, 10, 0}, {0, 0, 0}, 0.0},
        {"with a radius that is not a number", wallAtY5(), {0, 0, 0}, {0, 10, 0}, {0, 0, 0}, notANumber},
        {"from a start that is not a number", wallAtY5(), {notANumber, 0, 0}, {0, 10, 0}, {notANumber, 0, 0}},
        {"of a step that is not a number", wallAtY5(), {0, 0, 0}, {0, notANumber, 0}, {0, 0, 0}},
        {"through triangles without area or numbers", degenerate, {0, 0, 0}, {0, 10, 0}, {0, 10, 0}},
    };
    for (const StepCase& item : cases) {
        SCOPED_TRACE(item.what);
        const Outcome outcome = move(item.scene, item.start, item.step, item.radius);
        EXPECT_FALSE(outcome.touched);
        for (int axis = 0; axis < 3; ++axis) {
            if (std::isnan(item.end[axis])) {
                EXPECT_TRUE(std::isnan(outcome.end[axis]));
            } else {
                EXPECT_NEAR(outcome.end[axis], item.end[axis], 1e-12);
            }
        }
    }
    EXPECT_TRUE(log.contains("finch::Collider - a step that is not finite collides with nothing\n"));
}

TEST(ColliderTest, BounceWithRestitutionOneReflectsTheRestOfTheStep)
{
    Reflect reflect;
    // Touches at (8, 4) with (4, 2) of the step left, which turns into (4, -2).
    const Outcome outcome = move(wallAtY5(), Vector3d(0, 0, 0), Vector3d(12, 6, 0), 1.0, &reflect);
    EXPECT_TRUE(outcome.touched);
    expectNear(outcome.end, Vector3d(12, 2, 0), 1e-2);
}

TEST(ColliderTest, SolverStopsAfterEightNestedRounds)
{
    // Touched half a unit ahead every time, beside the path, so that every slide goes on.
    class AlwaysAhead : public Collider
    {
    public:
        bool test(const Collider& mover, double& distance, Vector3d& contact) override
        {
            ++tests;
            distance = 0.5;
            contact = mover.start() + mover.direction() * 0.5 + Vector3d(0, 0, 1);
            return true;
        }
        int tests = 0;
    };
    AlwaysAhead collidee;
    Mover mover;
    mover.setMove(Vector3d(), Vector3d(100, 0, 0), 1.0);
    mover.addCollidee(&collidee, nullptr);
    EXPECT_TRUE(mover.collide());
    EXPECT_EQ(collidee.tests, Collider::roundLimit + 1);
    EXPECT_NEAR(mover.start().x, Collider::roundLimit * (0.5 - clearance), 1e-4);
}

TEST(ColliderTest, SetMoveForgetsCollideesAddedBeforeIt)
{
    Triangles wall(wallAtY5());
    Mover mover;
    mover.addCollidee(&wall, nullptr);
    mover.setMove(Vector3d(), Vector3d(0, 10, 0), 1.0);
    EXPECT_FALSE(mover.collide());
}

TEST(ColliderTest, DatabaseLeavesOutBranchesByCollisionMode)
{
    struct Case
    {
        int mode;
        bool collideMode2;
        bool skipMode3;
        bool blocks;
    };
    const Case cases[] = {
        {0, false, false, true},  {1, true, false, false}, {2, false, false, false},
        {2, true, false, true},   {3, false, false, true},  {3, false, true, false},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << item.mode);
        auto root = std::make_unique<finch::GroupBranch>();
        scenebuild::add(*root, collisionscene::geometry("wall", wallAtY5()))->setCollisionMode(item.mode);
        auto db = scenebuild::database(std::move(root));
        db->setCollideMode2(item.collideMode2);
        db->setSkipMode3(item.skipMode3);
        DatabaseCollider collidee(*db);
        Mover mover;
        mover.setMove(Vector3d(), Vector3d(0, 10, 0), 1.0);
        mover.addCollidee(&collidee, nullptr);
        EXPECT_EQ(mover.collide(), item.blocks);
    }
}

TEST(ColliderTest, DatabaseInstancesBlockWhereTheirPlacementPutsThem)
{
    struct Case
    {
        const char* what;
        Vector3d scale;
        double expectedY;
    };
    // A unit cube centred on the origin, placed at (0, 10, 0) under the scale: its face towards
    // the sphere lies at y = 10 - 0.5 * |scale.y|.
    const Case cases[] = {
        {"unscaled", {1, 1, 1}, 9.5},
        {"stretched along the motion", {1, 4, 1}, 8.0},
        {"squashed across the motion", {3, 0.5, 0.25}, 9.75},
        {"mirrored", {-2, 2, 1}, 9.0},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        auto shown = std::make_unique<finch::Object>();
        std::unique_ptr<finch::Branch> cube =
            collisionscene::geometry("cube", collisionscene::box(Vector3d(-0.5, -0.5, -0.5), Vector3d(0.5, 0.5, 0.5), Facing::Outward));
        shown->setRoot(cube);
        finch::Matrix placement;
        placement.setTransform(finch::Transform{Vector3d(0, 10, 0), 0, 0, 0, item.scale});
        auto root = std::make_unique<finch::GroupBranch>();
        scenebuild::add(*root, collisionscene::instance("placed", *shown, placement));
        auto db = scenebuild::database(std::move(root));
        db->addObject(shown);
        db->clean();
        DatabaseCollider collidee(*db);
        Mover mover;
        mover.setMove(Vector3d(0, 0, 0), Vector3d(0, 20, 0), 0.1);
        mover.addCollidee(&collidee, nullptr);
        EXPECT_TRUE(mover.collide());
        EXPECT_NEAR(mover.start().y, item.expectedY - 0.1 - clearance, 1e-5);
    }
}

TEST(ColliderTest, RandomWalksNeverEndInsideGeometry)
{
    const Vector3d roomLo(-10, -10, -10), roomHi(10, 10, 10);
    const std::vector<std::pair<Vector3d, Vector3d>> blocks = {
        {{-6, -6, -10}, {-2, -2, 4}}, {{2, -3, -2}, {7, 1, 3}}, {{-4, 3, -5}, {1, 8, 0}}};
    auto root = std::make_unique<finch::GroupBranch>();
    scenebuild::add(*root, collisionscene::geometry("room", collisionscene::box(roomLo, roomHi, Facing::Inward)));
    for (const auto& [lo, hi] : blocks) {
        scenebuild::add(*root, collisionscene::geometry("block", collisionscene::box(lo, hi, Facing::Outward)));
    }
    auto db = scenebuild::database(std::move(root));
    DatabaseCollider collidee(*db);
    const double radius = 0.5;
    const double tolerance = 1e-4;
    for (const std::int32_t seed : {1, 4242, 20261207}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        finch::Random random(seed);
        Vector3d position(0, 0, -8);
        for (int step = 0; step < 2000; ++step) {
            const Vector3d move(random.uniform(8.0) - 4.0, random.uniform(8.0) - 4.0, random.uniform(8.0) - 4.0);
            Mover mover;
            mover.setMove(position, move, radius);
            mover.addCollidee(&collidee, nullptr);
            static_cast<void>(mover.collide());
            position = mover.start();
            ASSERT_GE(depthInside(position, roomLo, roomHi), radius - tolerance) << "step " << step;
            for (const auto& [lo, hi] : blocks) {
                ASSERT_GE(distanceOutside(position, lo, hi), radius - tolerance) << "step " << step;
            }
        }
    }
}
