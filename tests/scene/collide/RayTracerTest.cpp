#include "scene/collide/RayTracer.h"
#include "scene/math/Random.h"
#include "support/CollisionScenes.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace
{

using collisionscene::Corners;
using collisionscene::Facing;
using finch::Matrix;
using finch::Ray;
using finch::RayTracer;
using finch::Vector3d;
using Names = std::vector<std::string>;

Ray segment(const Vector3d& from, const Vector3d& to)
{
    Ray ray;
    ray.setOrigin(from);
    ray.setThrough(to);
    return ray;
}

// A world triangle with the geometry branch and instance path it came from.
struct Labelled
{
    Corners corners;
    std::string branch;
    Names path;
};

struct Hit
{
    double distance;
    std::string branch;
    Names path;
};

// The nearest front face the segment crosses strictly between its ends, by every triangle.
std::optional<Hit> bruteForce(const std::vector<Labelled>& world, const Ray& ray)
{
    std::optional<Hit> nearest;
    for (const Labelled& item : world) {
        const Corners& t = item.corners;
        const Vector3d e1 = t[1] - t[0], e2 = t[2] - t[0];
        const Vector3d p = cross(ray.direction(), e2);
        const double det = dot(e1, p);
        // Front faces only: the normal e1 x e2 against the direction.
        if (!(det > 0.0)) {
            continue;
        }
        const Vector3d s = ray.origin() - t[0];
        const double u = dot(s, p) / det;
        const Vector3d q = cross(s, e1);
        const double v = dot(ray.direction(), q) / det;
        const double distance = dot(e2, q) / det;
        if (u > 0 && v > 0 && u + v < 1 && distance > 0 && distance < ray.length() &&
            (!nearest || distance < nearest->distance)) {
            nearest = Hit{distance, item.branch, item.path};
        }
    }
    return nearest;
}

Names pathNames(const RayTracer& tracer)
{
    Names names;
    for (const finch::InstanceBranch* branch : tracer.path()) {
        names.emplace_back(branch->name().c_str());
    }
    return names;
}

// A scene of plain geometry, a rotated instance with non-uniform scale, a mirrored one and an
// instance nested in another, with its triangles in world coordinates beside it.
class Scene
{
public:
    Scene()
    {
        auto root = std::make_unique<finch::GroupBranch>();
        addGeometry(*root, "floor", collisionscene::box(Vector3d(-12, -12, -13), Vector3d(12, 12, -12), Facing::Outward), Matrix(), {});
        addGeometry(*root, "block", collisionscene::box(Vector3d(-8, 2, -3), Vector3d(-3, 6, 5), Facing::Outward), Matrix(), {});
        m_db = scenebuild::database(std::move(root));

        auto shape = std::make_unique<finch::Object>();
        std::vector<Corners> shapeTriangles = collisionscene::box(Vector3d(-1, -1, -1), Vector3d(1, 1, 1), Facing::Outward);
        shapeTriangles.push_back({Vector3d(-2, -1.5, 0), Vector3d(2, -1.5, 0), Vector3d(0, 1.5, 1.5)});
        std::unique_ptr<finch::Branch> shapeRoot = collisionscene::geometry("shape", shapeTriangles);
        shape->setRoot(shapeRoot);

        Matrix stretched;
        stretched.setTransform(finch::Transform{Vector3d(5, -5, 2), 20, 35, 50, Vector3d(3, 0.5, 1.5)});
        Matrix mirrored;
        mirrored.setTransform(finch::Transform{Vector3d(6, 6, -4), 0, 10, 0, Vector3d(-1, 2, 0.5)});
        Matrix inner;
        inner.setTransform(finch::Transform{Vector3d(1, 0, 0), 0, 0, 45, Vector3d(1, 1, 2)});
        Matrix outer;
        outer.setTransform(finch::Transform{Vector3d(-6, -6, 4), 0, 0, 0, Vector3d(2, 2, 2)});

        auto holder = std::make_unique<finch::Object>();
        std::unique_ptr<finch::Branch> holderRoot = collisionscene::instance("inner", *shape, inner);
        holder->setRoot(holderRoot);

        auto* const main = static_cast<finch::GroupBranch*>(m_db->mainObject()->root());
        scenebuild::add(*main, collisionscene::instance("stretched", *shape, stretched));
        scenebuild::add(*main, collisionscene::instance("mirrored", *shape, mirrored));
        scenebuild::add(*main, collisionscene::instance("outer", *holder, outer));
        Matrix innerInWorld;
        innerInWorld.multiply(inner, outer);
        label(shapeTriangles, "shape", stretched, {"stretched"});
        label(shapeTriangles, "shape", mirrored, {"mirrored"});
        label(shapeTriangles, "shape", innerInWorld, {"outer", "inner"});
        m_db->addObject(shape);
        m_db->addObject(holder);
        m_db->clean();
    }

    finch::Database& database() { return *m_db; }
    const std::vector<Labelled>& world() const { return m_world; }

private:
    void addGeometry(finch::GroupBranch& parent, const std::string& name, const std::vector<Corners>& list, const Matrix& m,
                     const Names& path)
    {
        scenebuild::add(parent, collisionscene::geometry(name, list));
        label(list, name, m, path);
    }

    void label(const std::vector<Corners>& list, const std::string& name, const Matrix& m, const Names& path)
    {
        for (const Corners& corners : collisionscene::transformed(list, m)) {
            m_world.push_back({corners, name, path});
        }
    }

    std::unique_ptr<finch::Database> m_db;
    std::vector<Labelled> m_world;
};

// Notes how many geometry branches it visits.
class CountingTracer : public RayTracer
{
public:
    void visit(finch::Branch& branch) override
    {
        geometryVisits += branch.collidable() != nullptr ? 1 : 0;
        RayTracer::visit(branch);
    }
    int geometryVisits = 0;
};

std::vector<Corners> wallAtY(double y)
{
    std::vector<Corners> out;
    collisionscene::addQuad(out, Vector3d(-5, y, -5), Vector3d(5, y, -5), Vector3d(5, y, 5), Vector3d(-5, y, 5));
    return out;
}

std::unique_ptr<finch::Database> walls(std::initializer_list<double> depths)
{
    auto root = std::make_unique<finch::GroupBranch>();
    for (const double y : depths) {
        scenebuild::add(*root, collisionscene::geometry("wall " + std::to_string(int(y)), wallAtY(y)));
    }
    return scenebuild::database(std::move(root));
}

}

TEST(RayTracerTest, RandomRaysFindWhatEveryTriangleTestFinds)
{
    Scene scene;
    RayTracer tracer;
    int hits = 0;
    for (const std::int32_t seed : {3, 777}) {
        finch::Random random(seed);
        for (int i = 0; i < 500; ++i) {
            const auto point = [&random] {
                return Vector3d(random.uniform(30.0) - 15.0, random.uniform(30.0) - 15.0, random.uniform(30.0) - 15.0);
            };
            const Ray ray = segment(point(), point());
            SCOPED_TRACE(testing::Message() << "seed " << seed << " ray " << i);
            const std::optional<Hit> expected = bruteForce(scene.world(), ray);
            ASSERT_EQ(tracer.trace(ray, scene.database()), expected.has_value());
            if (!expected) {
                continue;
            }
            ++hits;
            EXPECT_NEAR(tracer.distance(), expected->distance, 1e-5);
            ASSERT_NE(tracer.hitBranch(), nullptr);
            EXPECT_EQ(tracer.hitBranch()->name().c_str(), expected->branch);
            EXPECT_EQ(pathNames(tracer), expected->path);
            EXPECT_EQ(tracer.pathLength(), std::int32_t(expected->path.size()));
        }
    }
    // Enough of the rays hit for the comparison to mean something.
    EXPECT_GT(hits, 200);
}

TEST(RayTracerTest, NearerSurfaceWinsWhateverTheBranchOrder)
{
    struct Case
    {
        const char* what;
        std::unique_ptr<finch::Database> db;
        double length;
        bool hit;
        const char* branch;
    };
    Case cases[] = {
        {"near wall first", walls({5, 8}), 20, true, "wall 5"},
        {"far wall first", walls({8, 5}), 20, true, "wall 5"},
        {"ending before the first wall", walls({8, 5}), 4.5, false, ""},
    };
    for (Case& item : cases) {
        SCOPED_TRACE(item.what);
        RayTracer tracer;
        EXPECT_EQ(tracer.trace(segment(Vector3d(0.5, 0, 0.25), Vector3d(0.5, item.length, 0.25)), *item.db), item.hit);
        if (item.hit) {
            EXPECT_NEAR(tracer.distance(), 5.0, 1e-12);
            EXPECT_EQ(tracer.hitBranch()->name().c_str(), std::string(item.branch));
        }
    }
}

TEST(RayTracerTest, ARayThroughTheEdgeTwoTrianglesShareHitsTheSurface)
{
    // The wall's quad is cut along its diagonal x = z.
    const auto db = walls({5});
    for (const double along : {-3.0, 0.0, 2.0}) {
        SCOPED_TRACE(along);
        RayTracer tracer;
        EXPECT_TRUE(tracer.trace(segment(Vector3d(along, 0, along), Vector3d(along, 10, along)), *db));
        EXPECT_NEAR(tracer.distance(), 5.0, 1e-12);
    }
}

TEST(RayTracerTest, DistanceInAScaledInstanceIsMeasuredAlongTheTracedRay)
{
    auto shown = std::make_unique<finch::Object>();
    std::unique_ptr<finch::Branch> wall = collisionscene::geometry("wall", wallAtY(2));
    shown->setRoot(wall);
    Matrix twice;
    twice.setTransform(finch::Transform{Vector3d(0, 1, 0), 0, 0, 0, Vector3d(2, 2, 2)});
    auto root = std::make_unique<finch::GroupBranch>();
    scenebuild::add(*root, collisionscene::instance("twice", *shown, twice));
    auto db = scenebuild::database(std::move(root));
    db->addObject(shown);
    db->clean();
    RayTracer tracer;
    ASSERT_TRUE(tracer.trace(segment(Vector3d(0.5, 0, 0.25), Vector3d(0.5, 10, 0.25)), *db));
    EXPECT_NEAR(tracer.distance(), 5.0, 1e-12);
    EXPECT_EQ(pathNames(tracer), Names{"twice"});
}

TEST(RayTracerTest, AnyHitStopsAtTheFirstHitWithoutRecordingIt)
{
    const auto db = walls({8, 5});
    const Ray ray = segment(Vector3d(0.5, 0, 0.25), Vector3d(0.5, 20, 0.25));
    CountingTracer nearest;
    ASSERT_TRUE(nearest.trace(ray, *db));
    EXPECT_EQ(nearest.geometryVisits, 2);
    CountingTracer any;
    any.setAnyHit(true);
    ASSERT_TRUE(any.trace(ray, *db));
    EXPECT_EQ(any.geometryVisits, 1);
    EXPECT_EQ(any.hitBranch(), nullptr);
    EXPECT_EQ(any.pathLength(), 0);
}

TEST(RayTracerTest, DirtyBranchesAreLoggedAndStillTraced)
{
    TempLog log;
    const auto db = walls({5});
    db->mainObject()->root()->makeDirty();
    RayTracer tracer;
    EXPECT_TRUE(tracer.trace(segment(Vector3d(0.5, 0, 0.25), Vector3d(0.5, 20, 0.25)), *db));
    EXPECT_TRUE(log.contains(RayTracer::dirtyMessage));
}

TEST(RayTracerTest, UnusableQueriesHitNothing)
{
    TempLog log;
    RayTracer tracer;
    finch::Database empty;
    EXPECT_FALSE(tracer.trace(segment(Vector3d(), Vector3d(0, 10, 0)), empty));
    const auto db = walls({5});
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(tracer.trace(segment(Vector3d(notANumber, 0, 0), Vector3d(0.5, 10, 0.25)), *db));
    EXPECT_TRUE(log.contains("finch::RayTracer - a ray that is not finite hits nothing\n"));
    Ray point;
    point.setThrough(point.origin());
    EXPECT_EQ(point.length(), 0.0);
    EXPECT_FALSE(tracer.trace(point, *db));
}
