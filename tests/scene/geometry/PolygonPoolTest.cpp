#include "scene/core/EngineSwitches.h"
#include "scene/geometry/BunchSplitter.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/Database.h"
#include "scene/graph/GroupBranch.h"
#include "support/LogCapture.h"
#include "support/PolygonShapes.h"
#include "support/SceneBuilders.h"

#include <gtest/gtest.h>

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

TEST(PolygonPoolTest, BulkLoadedPolygonsGoOnceConverted)
{
    finch::enableGeometryPool();
    auto branch = rowOfTriangles(3);
    branch->clean();
    EXPECT_TRUE(branch->polygons().empty());
    ASSERT_EQ(branch->bunches().size(), 1u);
    EXPECT_EQ(branch->bunches()[0]->triangleCount(), 3);
}

TEST(PolygonPoolTest, ALargeBranchIsSplitAtTheNextCleanNotDuringItsParentsClean)
{
    finch::enableGeometryPool();
    LogCapture log;
    auto root = std::make_unique<GroupBranch>();
    PolygonBranch* const row = scenebuild::add(*root, rowOfTriangles(1500));
    const auto db = scenebuild::database(std::move(root));
    GroupBranch& top = dynamic_cast<GroupBranch&>(*db->mainObject()->root());
    EXPECT_EQ(top.child(0), row);
    EXPECT_TRUE(finch::isQueuedForSplit(*row));
    EXPECT_EQ(dirtyBranches(top), 0);
    db->clean();
    EXPECT_FALSE(finch::isQueuedForSplit(*row));
    EXPECT_TRUE(log.contains("Splitting bunch in branch row\n"));
    auto* const holder = dynamic_cast<GroupBranch*>(top.child(0));
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->child(0), row);
    EXPECT_EQ(dirtyBranches(top), 0);
}
