#include "scene/collide/RayTracer.h"
#include "scene/core/EngineSwitches.h"
#include "scene/geometry/BunchSplitter.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/geometry/RecordPool.h"
#include "scene/graph/Database.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Object.h"
#include "support/LogCapture.h"
#include "support/PolygonShapes.h"
#include "support/SceneBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

// The geometry pool cannot be turned off again: every test here runs with it on, as the game does
// while it loads.

namespace
{

using finch::Branch;
using finch::GroupBranch;
using finch::PolygonBranch;
using finch::Vector3d;

// count triangles in a row along x.
std::unique_ptr<PolygonBranch> rowOfTriangles(int count)
{
    auto branch = std::make_unique<PolygonBranch>();
    branch->setName("row");
    for (int i = 0; i < count; ++i) {
        const double x = 2.0 * i;
        branch->addPolygon(polyshapes::polygon({Vector3d(x, 0, 0), Vector3d(x + 1, 0, 0), Vector3d(x, 1, 0)}));
    }
    return branch;
}

int invalidBoxes(Branch& branch)
{
    int invalid = branch.box().isValid() ? 0 : 1;
    for (int i = 0; i < branch.childCount(); ++i) {
        invalid += invalidBoxes(*branch.child(i));
    }
    return invalid;
}

int dirtyBranches(Branch& branch)
{
    int dirty = branch.isDirty() ? 1 : 0;
    for (int i = 0; i < branch.childCount(); ++i) {
        dirty += dirtyBranches(*branch.child(i));
    }
    return dirty;
}

}

TEST(PolygonPoolTest, BlocksGoWithTheirLastRecord)
{
    finch::enableGeometryPool();
    const int polygonBlocks = finch::Polygon::liveBlocks();
    const int vertexBlocks = finch::PolyVertex::liveBlocks();
    {
        auto branch = rowOfTriangles(10);
        EXPECT_EQ(finch::Polygon::liveBlocks(), polygonBlocks + 1);
        EXPECT_EQ(finch::PolyVertex::liveBlocks(), vertexBlocks + 1);
    }
    EXPECT_EQ(finch::Polygon::liveBlocks(), polygonBlocks);
    EXPECT_EQ(finch::PolyVertex::liveBlocks(), vertexBlocks);
}

TEST(PolygonPoolTest, RecordsFreedBetweenAllocationsLeaveTheirBlockInUse)
{
    finch::enableGeometryPool();
    finch::RecordPool pool(16, 8);
    // Each round keeps one record and frees the one before it: the kept records fill blocks one
    // after another instead of each taking a block of its own.
    std::vector<void*> kept;
    for (int round = 0; round < 16; ++round) {
        void* const brief = pool.allocate(16);
        kept.push_back(pool.allocate(16));
        pool.release(brief);
    }
    EXPECT_EQ(pool.liveBlocks(), 4);
    for (void* record : kept) {
        pool.release(record);
    }
    EXPECT_EQ(pool.liveBlocks(), 0);
    void* const again = pool.allocate(16);
    EXPECT_EQ(pool.liveBlocks(), 1);
    pool.release(again);
}

TEST(PolygonPoolTest, BulkLoadedPolygonsGoOnceConverted)
{
    finch::enableGeometryPool();
    auto branch = rowOfTriangles(3);
    branch->clean();
    EXPECT_TRUE(branch->polygons().empty());
    ASSERT_EQ(branch->bunches().size(), 1u);
    EXPECT_EQ(branch->bunches()[0]->triangleCount(), 3);
}

TEST(PolygonPoolTest, ALargeBranchIsSplitAfterItsParentsCleanAndItsGroupsCleaned)
{
    finch::enableGeometryPool();
    LogCapture log;
    auto root = std::make_unique<GroupBranch>();
    PolygonBranch* const row = scenebuild::add(*root, rowOfTriangles(1500));
    const auto db = scenebuild::database(std::move(root));
    EXPECT_FALSE(finch::isQueuedForSplit(*row));
    EXPECT_TRUE(log.contains("Splitting bunch in branch row\n"));
    GroupBranch& top = dynamic_cast<GroupBranch&>(*db->mainObject()->root());
    auto* const holder = dynamic_cast<GroupBranch*>(top.child(0));
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->child(0), row);
    EXPECT_EQ(dirtyBranches(top), 0);
    EXPECT_EQ(invalidBoxes(top), 0);
    EXPECT_FALSE(db->isDirty());
}

TEST(PolygonPoolTest, LargeBranchesOnBothSidesOfAnExternalReferenceAreSplitCleanAndHit)
{
    // The reference is cleaned while the world's walk is under way: the world's row before it has
    // been queued, and the shown database's row is queued by the nested clean.
    finch::enableGeometryPool();
    auto shownRoot = std::make_unique<GroupBranch>();
    scenebuild::add(*shownRoot, rowOfTriangles(1500))->setName("shown row");
    heron::counted_ptr<finch::Database> shown(scenebuild::database(std::move(shownRoot), "shown").release());
    auto worldRoot = std::make_unique<GroupBranch>();
    PolygonBranch* const worldRow = scenebuild::add(*worldRoot, rowOfTriangles(1500));
    worldRow->setName("world row");
    scenebuild::add(*worldRoot, std::make_unique<finch::ExrefBranch>())->setDatabase(shown);
    auto object = std::make_unique<finch::Object>();
    std::unique_ptr<Branch> rootOwner = std::move(worldRoot);
    object->setRoot(rootOwner);
    finch::Database world;
    world.addObject(object);
    world.clean();

    for (finch::Database* db : {&world, shown.get()}) {
        Branch& top = *db->mainObject()->root();
        EXPECT_EQ(dirtyBranches(top), 0);
        EXPECT_EQ(invalidBoxes(top), 0);
        EXPECT_EQ(top.child(0)->childCount(), 3) << "the row and its two halves";
    }
    EXPECT_DOUBLE_EQ(world.bounds().max().x, 2.0 * 1499 + 1);
    // A ray down through a triangle near the far end of the shown row meets it.
    finch::Ray ray;
    ray.setOrigin(Vector3d(2.0 * 1400 + 0.25, 0.25, 1.0));
    ray.setThrough(Vector3d(2.0 * 1400 + 0.25, 0.25, -1.0));
    finch::RayTracer tracer;
    EXPECT_TRUE(tracer.trace(ray, world));
}

TEST(PolygonPoolTest, ADatabaseSplitLaterMarksTheReferencesThatShowIt)
{
    finch::enableGeometryPool();
    auto shownRoot = std::make_unique<GroupBranch>();
    PolygonBranch* const row = scenebuild::add(*shownRoot, rowOfTriangles(3));
    heron::counted_ptr<finch::Database> shown(scenebuild::database(std::move(shownRoot), "shown").release());
    auto worldRoot = std::make_unique<GroupBranch>();
    auto* const exref = scenebuild::add(*worldRoot, std::make_unique<finch::ExrefBranch>());
    exref->setDatabase(shown);
    const auto world = scenebuild::database(std::move(worldRoot));
    ASSERT_FALSE(world->isDirty());

    shown->markDirty();
    EXPECT_TRUE(exref->isDirty());
    EXPECT_TRUE(world->isDirty());
    world->clean();
    EXPECT_FALSE(shown->isDirty());
    EXPECT_EQ(dirtyBranches(*shown->mainObject()->root()), 0);
    EXPECT_EQ(shown->mainObject()->root()->child(0), row);
}

TEST(PolygonPoolTest, TheObjectsFramesGoToItsBunchesBeforeItsCleanFreesThem)
{
    finch::enableGeometryPool();
    auto square = std::make_unique<PolygonBranch>();
    square->addPolygon(polyshapes::polygon({Vector3d(0, 0, 0), Vector3d(1, 0, 0), Vector3d(1, 1, 0), Vector3d(0, 1, 0)}));
    PolygonBranch& branch = *square;
    // The frames list the corners in an order of their own; the second lifts each corner by a
    // height of its own.
    const auto lifted = [](const finch::Vector3f& p) { return finch::Vector3f(p.x, p.y, 1.0f + p.x + 2.0f * p.y); };
    const finch::AnimationFrame rest = {{1, 1, 0}, {0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    finch::AnimationFrame raised;
    std::transform(rest.begin(), rest.end(), std::back_inserter(raised), lifted);
    auto object = std::make_unique<finch::Object>();
    std::unique_ptr<Branch> root = std::move(square);
    object->setRoot(root);
    object->setAnimationFrames(std::make_unique<finch::AnimationFrames>(finch::AnimationFrames{rest, raised}));
    const finch::Object& animated = *object;
    finch::Database db;
    db.addObject(object);
    db.clean();

    EXPECT_EQ(animated.animationFrames(), nullptr);
    ASSERT_EQ(branch.bunches().size(), 1u);
    finch::GeoBunch& bunch = *branch.bunches()[0];
    const std::vector<finch::AnimationFrame>& frames = bunch.animationFrames();
    const std::vector<finch::Vector3f>& positions = bunch.vertexSlot()->elements();
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(positions.size(), 4u);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        EXPECT_EQ(frames[0][i], positions[i]) << i;
        EXPECT_EQ(frames[1][i], lifted(positions[i])) << i;
    }
    // The box holds the highest pose, and a draw half way through lifts the square half way.
    EXPECT_DOUBLE_EQ(branch.box().max().z, 4.0);
    bunch.setAnimationTime(0.5f);
    for (const finch::Vector3f& p : positions) {
        EXPECT_NEAR(p.z, lifted(p).z * 0.5f, 0.001f);
    }
}
