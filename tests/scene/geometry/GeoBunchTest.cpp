#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "scene/Engine.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/graph/TraversalCallback.h"
#include "scene/graph/Traverser.h"
#include "scene/math/Ray.h"
#include "support/SceneBuilders.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

namespace
{

using finch::GeoBunch;
using finch::GeometryBranch;
using finch::Vector3d;
using finch::Vector3f;
using scenebuild::stream;
using Triangle = std::array<std::uint32_t, 3>;

std::unique_ptr<GeoBunch> bunchOf(int vertices, std::vector<std::int32_t> strips, std::vector<std::uint32_t> indices = {})
{
    auto bunch = std::make_unique<GeoBunch>();
    std::vector<Vector3f> positions(static_cast<std::size_t>(vertices));
    for (std::size_t i = 0; i < positions.size(); ++i) {
        positions[i] = Vector3f(float(i), 0, float(i % 2));
    }
    bunch->setVertexData(stream<finch::vertex_data>(positions), true);
    if (!strips.empty()) {
        bunch->setStripData(stream<finch::strip_data>(strips));
    }
    if (!indices.empty()) {
        bunch->setIndexData(stream<finch::index_data>(indices));
    }
    return bunch;
}

struct Walk : GeoBunch::TriangleProcessor
{
    void process(GeoBunch&, std::uint32_t a, std::uint32_t b, std::uint32_t c) override { seen.push_back({a, b, c}); }
    std::vector<Triangle> seen;
};

std::vector<Triangle> walk(GeoBunch& bunch)
{
    Walk w;
    bunch.internals().forEachTriangle(w);
    return w.seen;
}

// A geometry branch with one triangle in the plane y = 5, x 0..2, z 0..2, wound towards -y.
std::unique_ptr<GeometryBranch> wall(bool cullFaces)
{
    auto bunch = std::make_unique<GeoBunch>();
    bunch->setVertexData(stream<finch::vertex_data>(std::vector<Vector3f>{{0, 5, 0}, {2, 5, 0}, {0, 5, 2}}), true);
    bunch->editSurface().cullFaces = cullFaces;
    auto branch = std::make_unique<GeometryBranch>();
    branch->addBunch(std::move(bunch));
    return branch;
}

finch::Ray ray(const Vector3d& from, const Vector3d& to)
{
    finch::Ray r;
    r.setOrigin(from);
    r.setThrough(to);
    return r;
}

}

TEST(GeoBunchTest, StripsFansAndLooseTrianglesAreCountedAndWalked)
{
    auto bunch = bunchOf(9, {4, -5});
    EXPECT_EQ(bunch->triangleCount(), 5);
    bunch = bunchOf(12, {4, -5});
    EXPECT_EQ(bunch->triangleCount(), 6);
    EXPECT_EQ(bunch->internals().looseTriangleCount(), 1);
    EXPECT_EQ(walk(*bunchOf(5, {5})), (std::vector<Triangle>{{0, 1, 2}, {2, 1, 3}, {2, 3, 4}}));
    EXPECT_EQ(walk(*bunchOf(5, {-5})), (std::vector<Triangle>{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
    EXPECT_EQ(walk(*bunchOf(4, {}, {3, 2, 1, 0, 1, 2})), (std::vector<Triangle>{{3, 2, 1}, {0, 1, 2}}));
}

TEST(GeoBunchTest, VerificationRefusesInconsistentStreams)
{
    TempLog log;
    struct Case
    {
        const char* what;
        std::unique_ptr<GeoBunch> bunch;
        const char* logged;
    };
    Case cases[] = {
        {"an index equal to the vertex count", bunchOf(3, {}, {0, 1, 3}), "Index out of range"},
        {"a strip of 2", bunchOf(5, {2}), "a strip shorter than 3 entries"},
        {"strips past the entries", bunchOf(5, {4, 4}), "the strips run past the entries"},
        {"too few colours", bunchOf(3, {}), "colors are fewer than the vertices"},
        {"a frame of the wrong length", bunchOf(3, {}), "wrong number of vertices in animation[0]"},
    };
    cases[3].bunch->setColorData(stream<finch::color_data>(std::vector<std::uint32_t>{1, 2}));
    cases[4].bunch->animationFrames().push_back(finch::AnimationFrame(2));
    for (Case& item : cases) {
        SCOPED_TRACE(item.what);
        EXPECT_FALSE(item.bunch->internals().verify());
        EXPECT_TRUE(log.contains(std::string("GeoBunchInternals::verify() - ") + item.logged + "\n"));
        // Invalid bunches take part in nothing.
        GeometryBranch branch;
        branch.addBunch(std::move(item.bunch));
        std::vector<finch::CollisionTriangle> out;
        finch::BoundingBox everything;
        everything.set(Vector3d(-100, -100, -100), Vector3d(100, 100, 100));
        EXPECT_EQ(branch.collectTriangles(everything, out, nullptr), 0);
    }
    EXPECT_TRUE(bunchOf(9, {4, -5})->internals().verify());
}

TEST(GeoBunchTest, BoundsCoverPositionsAndFramesOrTheUnitCubeWithoutPositions)
{
    GeoBunch empty;
    empty.internals().computeBounds();
    EXPECT_EQ(empty.bounds().min(), Vector3d(-1, -1, -1));
    EXPECT_EQ(empty.bounds().max(), Vector3d(1, 1, 1));
    auto bunch = bunchOf(3, {});
    bunch->animationFrames() = {{{0, 0, 0}, {0, 0, 0}, {0, 0, 9}}};
    bunch->internals().computeBounds();
    EXPECT_EQ(bunch->bounds().max(), Vector3d(2, 0, 9));
}

TEST(GeoBunchTest, AnimationFramesFollowTheVerticesAndInterpolateByPhase)
{
    auto bunch = bunchOf(2, {});
    // Source frames list the positions in another order than the bunch's vertex stream.
    const finch::AnimationFrame first = {{1, 0, 1}, {0, 0, 0}};
    bunch->setAnimationFrames({first, {{1, 0, 11}, {0, 0, 10}}, {{1, 0, 21}, {0, 0, 20}}});
    ASSERT_EQ(bunch->animationFrames().size(), 3u);
    EXPECT_EQ(bunch->animationFrames()[1][0], Vector3f(0, 0, 10));
    const auto z = [&](float t) {
        bunch->setAnimationTime(t);
        return bunch->vertexSlot()->elements()[0].z;
    };
    EXPECT_FLOAT_EQ(z(0.0f), 0.0f);
    EXPECT_NEAR(z(1.0f), 10.0f + 0.9999f * 10.0f, 1e-3);
    EXPECT_NEAR(z(-1.0f), 20.0f - 0.9999f * 20.0f, 1e-3);

    TempLog log;
    bunch->setAnimationFrames({first, {{0, 0, 0}}});
    EXPECT_TRUE(log.contains("wrong number of vertices in animation[1]"));
    EXPECT_FALSE(bunch->internals().isValid());
}

TEST(GeoBunchTest, TrianglesNearABoxAreCollectedOnceOrBothWays)
{
    finch::BoundingBox query;
    query.set(Vector3d(-1, 4, -1), Vector3d(1, 6, 1));
    for (const bool cull : {true, false}) {
        std::vector<finch::CollisionTriangle> out;
        EXPECT_EQ(wall(cull)->collectTriangles(query, out, nullptr), cull ? 1 : 2);
        if (!cull) {
            EXPECT_EQ(out[1].corners[3], out[0].corners[6]);
        }
    }
    finch::BoundingBox beside;
    beside.set(Vector3d(3, 4, -1), Vector3d(4, 6, 1));
    std::vector<finch::CollisionTriangle> out;
    EXPECT_EQ(wall(true)->collectTriangles(beside, out, nullptr), 0);
}

TEST(GeoBunchTest, RaysHitFrontFacesStrictlyBetweenTheirEnds)
{
    const Vector3d through(0.5, 0, 0.5);
    finch::RayHit hit;
    EXPECT_TRUE(wall(true)->intersectRay(ray(through, Vector3d(0.5, 10, 0.5)), hit, false, nullptr));
    EXPECT_DOUBLE_EQ(hit.distance, 5.0);
    EXPECT_NE(hit.bunch, nullptr);
    // Starting or ending on the plane, or ending before it, misses.
    EXPECT_FALSE(wall(true)->intersectRay(ray(Vector3d(0.5, 5, 0.5), Vector3d(0.5, 10, 0.5)), hit, false, nullptr));
    EXPECT_FALSE(wall(true)->intersectRay(ray(through, Vector3d(0.5, 5, 0.5)), hit, false, nullptr));
    EXPECT_FALSE(wall(true)->intersectRay(ray(through, Vector3d(0.5, 4, 0.5)), hit, false, nullptr));
    // From behind: only without face culling.
    const finch::Ray back = ray(Vector3d(0.5, 10, 0.5), through);
    EXPECT_FALSE(wall(true)->intersectRay(back, hit, false, nullptr));
    EXPECT_TRUE(wall(false)->intersectRay(back, hit, false, nullptr));
}

TEST(GeoBunchTest, ABunchChangedAfterItsCountsWereReadIsVerifiedAgainBeforeItIsWalked)
{
    TempLog log;
    auto branch = wall(true);
    GeoBunch& bunch = *branch->bunches().front();
    finch::BoundingBox everywhere;
    everywhere.set(Vector3d(-100, -100, -100), Vector3d(100, 100, 100));
    std::vector<finch::CollisionTriangle> out;
    ASSERT_EQ(branch->collectTriangles(everywhere, out, nullptr), 1);
    // The storage report reads the counts of every bunch between a change and the next walk.
    bunch.setIndexData(stream<finch::index_data>(std::vector<std::uint32_t>{0, 1, 4000000}));
    EXPECT_EQ(bunch.triangleCount(), 1);
    EXPECT_EQ(branch->collectTriangles(everywhere, out, nullptr), 0);
    finch::RayHit hit;
    EXPECT_FALSE(branch->intersectRay(ray(Vector3d(0.5, 0, 0.5), Vector3d(0.5, 10, 0.5)), hit, false, nullptr));
    EXPECT_TRUE(log.contains("Index out of range"));
}

TEST(GeoBunchTest, AFacingBranchTurnsTowardsTheEye)
{
    struct Noting : finch::TraversalCallback
    {
        bool preTraverse(finch::Traverser& traverser, finch::Branch&) override
        {
            matrix = traverser.modelView();
            return true;
        }
        finch::Matrix matrix;
    };
    const heron::counted_ptr<Noting> noting(new Noting);
    auto branch = wall(true);
    branch->setFacingMode(GeometryBranch::turnsAboutZ);
    branch->setTraversalCallback(noting);
    for (const auto& [eye, degrees] : {std::pair{Vector3d(0, -7, 0), 0.0}, std::pair{Vector3d(7, 0, 0), 90.0}}) {
        finch::Matrix camera;
        camera.setTranslation(eye);
        finch::Matrix view;
        camera.getInverse(view);
        finch::Traverser traverser;
        traverser.start(view, camera);
        branch->traverse(traverser);
        finch::Matrix turn;
        turn.setAxisRotation(degrees, Vector3d(0, 0, 1));
        finch::Matrix expected;
        expected.multiply(turn, view);
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(noting->matrix.elements()[i], expected.elements()[i], 1e-12) << degrees;
        }
    }
}

TEST(GeoBunchTest, TheStorageReportCountsEveryBunch)
{
    const finch::GeometryStats before = finch::getGeometryStats();
    auto bunch = bunchOf(6, {4}, {0, 1, 2, 3, 4, 5});
    bunch->animationFrames().assign(2, finch::AnimationFrame(6));
    const finch::GeometryStats after = finch::getGeometryStats();
    EXPECT_EQ(after.geobunches.count - before.geobunches.count, 1);
    EXPECT_EQ(after.geobunches.bytes - before.geobunches.bytes, 456);
    EXPECT_EQ(after.vertices.count - before.vertices.count, 6);
    EXPECT_EQ(after.vertexIndices.bytes - before.vertexIndices.bytes, 24);
    EXPECT_EQ(after.meshSizes.count - before.meshSizes.count, 1);
    EXPECT_EQ(after.animatedGeobunches.bytes - before.animatedGeobunches.bytes, 32);
    EXPECT_EQ(after.animationVertices.count - before.animationVertices.count, 12);
}

TEST(GeoBunchTest, TheOlderFormsUnusedNumbersAreReadPast)
{
    heron::MemoryDataDest body;
    body.writeTag(4).writeUInt32(0xFFFFFFFFu);
    body.writeTag(5).writeUInt32(7);
    body.writeTag(1).writeBool(false);
    body.writeTag(0);
    heron::MemoryDataSource source(body.data(), body.size(), false);
    finch::GeoBunchInternals internals;
    internals.read(source);
    EXPECT_FALSE(source.hasError());
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_FALSE(internals.isValid());
}
