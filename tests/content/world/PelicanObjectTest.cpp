#include "content/world/DepthTweakSpecial.h"
#include "content/world/FakeSceneClock.h"
#include "content/world/ScaleSpecial.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/graph/Traverser.h"
#include "scene/render/Viewer.h"
#include "support/TempLog.h"
#include "support/WorldBuilders.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

using pelican::PelicanObject;

// A traverser that keeps the matrices pushed on it.
class RecordingTraverser : public finch::Traverser
{
public:
    using finch::Traverser::Traverser;
    void pushMatrix(const finch::Matrix& m, const finch::Matrix& mInverse) override
    {
        pushed.push_back(m);
        finch::Traverser::pushMatrix(m, mInverse);
    }
    std::vector<finch::Matrix> pushed;
};

// world / scenery, objects / (rock, rock, door / panel).
class Records : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rock = world.object("rock");
        worldtest::group(*world.root, "scenery");
        finch::GroupBranch* const objects = worldtest::group(*world.root, "objects");
        worldtest::instance(*objects, "rock", rock);
        worldtest::instance(*objects, "rock", rock);
        finch::GroupBranch* const door = worldtest::group(*objects, "door");
        worldtest::instance(*door, "panel", world.object("panel"));
    }
    PelicanObject& record(int i) { return *world.db->rootObject()->children()[i]; }

    TempLog log;
    worldtest::World world;
    finch::Object* rock = nullptr;
};

}

TEST_F(Records, NamePathsCountEarlierSiblingsOfTheSameName)
{
    PelicanObject* const root = world.db->rootObject();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name(), "/objects");
    ASSERT_EQ(root->children().size(), 3u);
    EXPECT_EQ(record(0).name(), "/objects/rock$0");
    EXPECT_EQ(record(1).name(), "/objects/rock$1");
    EXPECT_EQ(record(2).name(), "/objects/door$0");
    EXPECT_EQ(record(2).children().front()->name(), "/objects/door$0/panel$0");
    EXPECT_TRUE(log.contains("Child=scenery\nChild=objects\n"));
    // The group became a switch in its place, and each instance got a switch of its own.
    EXPECT_EQ(world.root->children()[1], root->switchBranch());
    EXPECT_EQ(record(0).instance()->instance(), rock);
    EXPECT_EQ(record(0).switchBranch()->children().front(), record(0).instance());
}

TEST_F(Records, ScaleBelowAHundredthHidesTheObjectFromDrawingOnly)
{
    PelicanObject& scaled = record(0);
    finch::Matrix placed;
    placed.setTranslation({1.0, 2.0, 3.0});
    scaled.setTransform(placed);
    scaled.addScaleSpecial();
    pelican::ScaleSpecial& special = *scaled.scaleSpecial();
    finch::Branch& group = *scaled.switchBranch()->children().front();
    RecordingTraverser drawing;
    RecordingTraverser colliding(finch::Traverser::Kind::Collision);

    scaled.setScale(0.005);
    EXPECT_FALSE(special.preTraverse(drawing, group));
    EXPECT_TRUE(special.preTraverse(colliding, group));

    scaled.setScale(1.0);
    EXPECT_TRUE(special.preTraverse(drawing, group));
    special.postTraverse(drawing, group);
    EXPECT_TRUE(drawing.pushed.empty()) << "a scale of exactly 1 costs no matrix";

    scaled.setScale(2.0);
    scaled.setScale(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(special.factor(), 2.0);
    ASSERT_TRUE(special.preTraverse(drawing, group));
    special.postTraverse(drawing, group);
    ASSERT_EQ(drawing.pushed.size(), 1u);
    finch::Vector3d centre;
    finch::Vector3d beside;
    drawing.pushed.front().transformPoint(centre, {1.0, 2.0, 3.0});
    drawing.pushed.front().transformPoint(beside, {2.0, 2.0, 3.0});
    EXPECT_EQ(centre, finch::Vector3d(1.0, 2.0, 3.0)) << "scaled about the placement's position";
    EXPECT_EQ(beside, finch::Vector3d(3.0, 2.0, 3.0));
}

TEST_F(Records, ResettingAPlacementRestoresTheOneBeforeTheFirstMove)
{
    PelicanObject& moved = record(1);
    moved.resetTransform();
    EXPECT_TRUE(moved.transform().isIdentity()) << "never moved, no path: unchanged";
    finch::Matrix first;
    first.setTranslation({5.0, 0.0, 0.0});
    finch::Matrix second;
    second.setTranslation({0.0, 5.0, 0.0});
    moved.setTransform(first);
    moved.setTransform(second);
    moved.resetTransform();
    EXPECT_TRUE(moved.transform().isIdentity());
}

TEST_F(Records, DepthTweakKeepsNearAndFarApart)
{
    finch::Viewer view;
    struct Case
    {
        float near;
        float far;
        float usedNear;
        float usedFar;
    };
    const Case cases[] = {
        {0.001f, 0.0015f, 0.01f, 0.02f},
        {0.5f, 100.0f, 0.5f, 100.0f},
        {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 0.01f, 0.02f},
    };
    PelicanObject& front = record(0);
    for (const Case& c : cases) {
        front.setDepthTweak(1, view, c.near, c.far);
        const auto* const special = dynamic_cast<const pelican::DepthTweakSpecial*>(
            front.switchBranch()->children().front()->traversalCallback().get());
        ASSERT_NE(special, nullptr);
        EXPECT_FLOAT_EQ(special->before().near(), c.usedNear);
        EXPECT_FLOAT_EQ(special->before().far(), c.usedFar);
        EXPECT_FLOAT_EQ(special->after().depthNear(), 0.01f);
    }
    EXPECT_EQ(world.db->depthTweakFlag(), 1);
}

TEST_F(Records, AnimationControllerRunsEachObjectOverItsPeriod)
{
    worldtest::FakeClock clock;
    finch::Object* const still = world.object("still");
    PelicanObject& animated = record(0);
    animated.attachAnimation({rock, 2.0f});
    animated.attachAnimation({still, 0.0f});
    animated.attachAnimation({nullptr, 1.0f});
    finch::Traverser traverser;
    struct Case
    {
        double now;
        float phase;
    };
    for (const Case c : {Case{0.5, -0.25f}, Case{1.5, -0.75f}}) {
        clock.set(c.now);
        EXPECT_TRUE(animated.animationController()->preTraverse(traverser, *animated.switchBranch()));
        EXPECT_FLOAT_EQ(rock->animation(), c.phase);
        EXPECT_FLOAT_EQ(still->animation(), 0.0f) << "a period of 0 holds the phase";
    }
}
