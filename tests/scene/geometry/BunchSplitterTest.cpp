#include "scene/geometry/BunchSplitter.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/geometry/TriangleList.h"
#include "scene/graph/Database.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/TraversalCallback.h"
#include "support/SceneBuilders.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace
{

using finch::Branch;
using finch::Corner;
using finch::GeoBunch;
using finch::GeometryBranch;
using finch::GroupBranch;
using finch::TriangleList;
using finch::Vector3f;

Corner at(float x, float y, float z)
{
    return Corner{Vector3f(x, y, z)};
}

// count separate triangles in a row along x, or count copies of one triangle when stacked.
std::unique_ptr<GeoBunch> rowOf(int count, bool stacked = false)
{
    TriangleList list;
    for (int i = 0; i < count; ++i) {
        const float x = stacked ? 0.0f : float(i) * 2.0f;
        list.add({at(x, 0, 0), at(x + 1, 0, 0), at(x, 1, 0)});
    }
    auto bunch = std::make_unique<GeoBunch>();
    bunch->buildFromTriangles(list);
    return bunch;
}

std::unique_ptr<GeometryBranch> branchOf(std::vector<std::unique_ptr<GeoBunch>> bunches)
{
    auto branch = std::make_unique<GeometryBranch>();
    branch->setName("rock");
    for (auto& bunch : bunches) {
        branch->addBunch(std::move(bunch));
    }
    return branch;
}

std::vector<std::unique_ptr<GeoBunch>> bunches(std::unique_ptr<GeoBunch> a, std::unique_ptr<GeoBunch> b = nullptr)
{
    std::vector<std::unique_ptr<GeoBunch>> list;
    list.push_back(std::move(a));
    if (b) {
        list.push_back(std::move(b));
    }
    return list;
}

// The shape of a tree: "[...]" for a group with its name, "n" for a geometry branch of n triangles.
std::string shape(Branch& branch)
{
    if (auto* geometry = dynamic_cast<GeometryBranch*>(&branch)) {
        int triangles = 0;
        for (GeoBunch* bunch : geometry->bunches()) {
            triangles += bunch->triangleCount();
        }
        return std::to_string(triangles);
    }
    auto& group = dynamic_cast<GroupBranch&>(branch);
    std::string text = std::string(group.name().c_str()) + "[";
    for (Branch* child : group.children()) {
        text += (text.back() == '[' ? "" : " ") + shape(*child);
    }
    return text + "]";
}

// The shape under a parent group after the pass, the branch queued under it.
std::string splitUnderParent(std::unique_ptr<GeometryBranch> branch)
{
    GroupBranch parent;
    finch::queueForSplit(*scenebuild::add(parent, std::move(branch)));
    finch::rebuildAndSplitPending();
    return shape(parent);
}

TEST(BunchSplitterTest, LargeBunchesSplitAlongTheLongestAxis)
{
    const struct
    {
        const char* what;
        int triangles;
        int smallBunch;
        const char* expected;
    } cases[] = {
        {"small bunch stays", 1400, 0, "[1400]"},
        {"two halves", 2400, 0, "[split 1[0 1201 1199]]"},
        {"halves split again", 3000, 0, "[split 1[0 split 2[751 750] split 2[750 749]]]"},
        {"the small bunch stays with the branch", 2400, 100, "[split 1[100 1201 1199]]"},
    };
    for (const auto& c : cases) {
        TempLog log;
        auto branch = branchOf(bunches(rowOf(c.triangles), c.smallBunch ? rowOf(c.smallBunch) : nullptr));
        EXPECT_EQ(splitUnderParent(std::move(branch)), c.expected) << c.what;
        EXPECT_EQ(log.text().find("Splitting bunch in branch rock\n") != std::string::npos, c.triangles > 1400) << c.what;
    }
}

TEST(BunchSplitterTest, EachLargeBunchSplitsIntoItsOwnGroup)
{
    auto branch = branchOf(bunches(rowOf(2400), rowOf(1600)));
    EXPECT_EQ(splitUnderParent(std::move(branch)), "[[0 split 1[1201 1199] split 1[801 799]]]");
}

TEST(BunchSplitterTest, CoincidingKeysSplitByRank)
{
    auto branch = branchOf(bunches(rowOf(3000, true)));
    EXPECT_EQ(splitUnderParent(std::move(branch)), "[split 1[0 split 2[750 750] split 2[750 750]]]");
}

TEST(BunchSplitterTest, BranchesThatCannotBeReplacedKeepTheirLargeBunches)
{
    GroupBranch parent;
    auto facing = branchOf(bunches(rowOf(2000)));
    facing->setFacingMode(GeometryBranch::facesEye);
    auto called = branchOf(bunches(rowOf(2000)));
    called->setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(new finch::TraversalCallback));
    finch::queueForSplit(*scenebuild::add(parent, std::move(facing)));
    finch::queueForSplit(*scenebuild::add(parent, std::move(called)));
    auto orphan = branchOf(bunches(rowOf(2000)));
    finch::queueForSplit(*orphan);
    finch::rebuildAndSplitPending();
    EXPECT_EQ(shape(parent), "[2000 2000]");
    EXPECT_EQ(shape(*orphan), "2000");
}

TEST(BunchSplitterTest, CleaningADatabaseRunsThePass)
{
    auto root = std::make_unique<GroupBranch>();
    GroupBranch* const top = root.get();
    GeometryBranch* const branch = scenebuild::add(*top, branchOf(bunches(rowOf(2400))));
    auto db = scenebuild::database(std::move(root));
    finch::queueForSplit(*branch);
    finch::queueForSplit(*branch);
    db->clean();
    EXPECT_FALSE(finch::isQueuedForSplit(*branch));
    EXPECT_EQ(shape(*top), "[split 1[0 1201 1199]]");
}

// A branch made where a queued one was destroyed (the same storage, so the same address) is not
// taken for it: it is not queued, and the pass leaves its bunch alone.
TEST(BunchSplitterTest, ADestroyedBranchLeavesTheQueue)
{
    std::optional<GeometryBranch> slot;
    slot.emplace().addBunch(rowOf(10));
    finch::queueForSplit(*slot);
    slot.reset();
    slot.emplace().addBunch(rowOf(10));
    EXPECT_FALSE(finch::isQueuedForSplit(*slot));
    const GeoBunch* const bunch = slot->bunches().at(0);
    finch::rebuildAndSplitPending();
    EXPECT_EQ(slot->bunches().at(0), bunch);
}

}
