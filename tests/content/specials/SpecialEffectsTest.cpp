#include "content/specials/DolphinSwimSpecial.h"
#include "content/specials/GlowSpecial.h"
#include "content/specials/LayerSpecial.h"
#include "content/specials/MyBunchProcessor.h"
#include "content/specials/PianoSpecial.h"
#include "content/specials/TextureScrollSpecial.h"
#include "scene/graph/Branch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/Traverser.h"
#include "support/ManualSceneClock.h"
#include "support/SceneBuilders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{

using scenebuild::add;
using Names = std::vector<std::string>;

// Notes the branches it is called for with the accumulator's override state.
class Noting : public finch::TraversalCallback
{
public:
    explicit Noting(Names& log) : m_log(log) {}
    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override
    {
        m_log.push_back(std::string(branch.name().c_str()) + " o" + std::to_string(traverser.accumulator().overrideState()));
        return true;
    }

private:
    Names& m_log;
};

// Makes the special the branch's traversal callback.
void hold(finch::Branch& branch, finch::TraversalCallback* special)
{
    branch.setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(special));
}

void walk(finch::Branch& branch, finch::Traverser::Kind kind = finch::Traverser::Kind::Rendering)
{
    finch::Traverser traverser(kind);
    traverser.start(finch::Matrix(), finch::Matrix());
    branch.traverse(traverser);
}

finch::GroupBranch* namedGroup(finch::GroupBranch& parent, const char* name, Names& log)
{
    auto made = std::make_unique<finch::GroupBranch>();
    made->setName(name);
    hold(*made, new Noting(log));
    return add(parent, std::move(made));
}

// A bunch of four vertices with texture coordinates 0 (and 1, when given).
std::unique_ptr<finch::GeoBunch> texturedBunch(std::size_t set0, std::size_t set1)
{
    auto bunch = scenebuild::square(0, 0, 1, 1, 2, 0xFFFFFFFF);
    bunch->setTexcoordData(scenebuild::stream<finch::texcoord_data>(std::vector<finch::TexCoord>(set0, {0.25f, 0.5f})), 0);
    if (set1 != 0) {
        bunch->setTexcoordData(scenebuild::stream<finch::texcoord_data>(std::vector<finch::TexCoord>(set1)), 1);
    }
    return bunch;
}

}

TEST(SpecialEffects, ScrolledOffsetsMoveBySpeedTimesFrameAndStayBelowOne)
{
    struct Case
    {
        float uSpeed;
        std::vector<double> frames;
        float expected;
    };
    const Case cases[] = {
        {0.5f, {0.5}, 0.25f},
        {0.5f, {0.5, 1.0, 1.5}, 0.75f},
        {0.5f, {1.0, 2.0, 3.0}, 0.5f},
        {-0.5f, {1.0, 2.0, 3.0}, -0.5f},
        {-0.5f, {0.5, 1.0, 1.5, 2.0, 2.5}, -0.25f},
    };
    for (const Case& c : cases) {
        ManualSceneClock clock(0.0);
        finch::GroupBranch group;
        hold(group, new pelican_specials::TextureScrollSpecial(c.uSpeed, 0.0f));
        const auto& scroll = static_cast<const pelican_specials::TextureScrollSpecial&>(*group.traversalCallback());
        for (double time : c.frames) {
            clock.frame(time);
            walk(group);
        }
        EXPECT_FLOAT_EQ(scroll.uOffset(), c.expected) << c.uSpeed << " after " << c.frames.size() << " frames";
        EXPECT_GT(scroll.uOffset(), -1.0f);
        EXPECT_LT(scroll.uOffset(), 1.0f);
    }
}

TEST(SpecialEffects, ScrollWithoutBothSpeedsMovesNothing)
{
    ManualSceneClock clock(0.0);
    finch::GroupBranch group;
    hold(group, new pelican_specials::TextureScrollSpecial);
    clock.frame(1.0);
    walk(group);
    EXPECT_EQ(static_cast<const pelican_specials::TextureScrollSpecial&>(*group.traversalCallback()).uOffset(), 0.0f);
}

TEST(SpecialEffects, DolphinSwimWrapsAfterFiftyDrawnTraversals)
{
    finch::Object object;
    finch::GroupBranch group;
    hold(group, new pelican_specials::DolphinSwimSpecial(&object, 0.02));
    walk(group);
    EXPECT_NEAR(object.animation(), 0.02f, 1e-6);
    walk(group, finch::Traverser::Kind::Collision);
    EXPECT_NEAR(object.animation(), 0.02f, 1e-6);
    for (int i = 1; i < 50; ++i) {
        walk(group);
    }
    EXPECT_NEAR(std::fmod(object.animation() + 0.5, 1.0) - 0.5, 0.0, 1e-6);
}

TEST(SpecialEffects, PianoTurnsByRateInWholeTurnsASecond)
{
    struct Case
    {
        float period;
        double seconds;
        float expected;
    };
    const Case cases[] = {
        {4.0f, 1.0, 90.0f},
        {4.0f, 5.0, 90.0f},
        {0.0f, 3.0, 0.0f},
        {-4.0f, 1.0, 270.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        ManualSceneClock clock(10.0);
        finch::GroupBranch group;
        add(group, scenebuild::geometry("key", scenebuild::square(0, 0, 1, 1, 0, 0xFFFFFFFF)));
        group.clean();
        hold(group, new pelican_specials::PianoSpecial(group, c.period));
        const auto& piano = static_cast<const pelican_specials::PianoSpecial&>(*group.traversalCallback());
        walk(group);
        clock.frame(10.0 + c.seconds);
        walk(group);
        EXPECT_NEAR(piano.angle(), c.expected, 1e-3);
    }
}

TEST(SpecialEffects, PianoOfATinyPeriodKeepsItsAngleInOneTurn)
{
    ManualSceneClock clock(0.0);
    finch::GroupBranch group;
    add(group, scenebuild::geometry("key", scenebuild::square(0, 0, 1, 1, 0, 0xFFFFFFFF)));
    hold(group, new pelican_specials::PianoSpecial(group, 1e-40f));
    const auto& piano = static_cast<const pelican_specials::PianoSpecial&>(*group.traversalCallback());
    for (double time : {0.0, 0.5, 1e6}) {
        clock.frame(time);
        walk(group);
        EXPECT_GE(piano.angle(), 0.0f);
        EXPECT_LT(piano.angle(), 360.0f);
    }
}

TEST(SpecialEffects, PianoWithoutChildrenStaysStill)
{
    ManualSceneClock clock(0.0);
    finch::GroupBranch group;
    hold(group, new pelican_specials::PianoSpecial(group, 1.0f));
    const auto& piano = static_cast<const pelican_specials::PianoSpecial&>(*group.traversalCallback());
    clock.frame(0.25);
    walk(group);
    clock.frame(0.5);
    walk(group);
    EXPECT_EQ(piano.angle(), 0.0f);
    EXPECT_EQ(piano.joint()->motion().kind(), finch::Matrix().kind());
}

TEST(SpecialEffects, LayersDrawTheBranchAtHandFromItsLastChild)
{
    Names log;
    finch::GroupBranch group;
    for (const char* name : {"first", "second", "third"}) {
        namedGroup(group, name, log);
    }
    // The stored group is gone (a switch took the group's place): the walk is of the branch at hand.
    hold(group, new pelican_specials::LayerSpecial(nullptr));
    walk(group);
    EXPECT_EQ(log, (Names{"third o3", "second o3", "first o1"}));
    log.clear();
    walk(group, finch::Traverser::Kind::Collision);
    EXPECT_EQ(log, (Names{"first o0", "second o0", "third o0"}));
}

TEST(SpecialEffects, GlowDrawsItsGroupOrderedWithoutDepthWrites)
{
    Names log;
    finch::GroupBranch top;
    finch::GroupBranch* const glowing = namedGroup(top, "glowing", log);
    namedGroup(*glowing, "inside", log);
    hold(*glowing, new pelican_specials::GlowSpecial);
    namedGroup(top, "after", log);
    walk(top);
    EXPECT_EQ(log, (Names{"inside o3", "after o0"}));
}

TEST(SpecialEffects, WobbleStepWrapsBeforeItIsCutToAWholeStep)
{
    struct Case
    {
        double speed;
        double now;
        int expected;
    };
    const Case cases[] = {
        {1.0, 5.5, 5},
        {1024.0, 3000.0, 0},
        {1000.0, 2200.0, 448},
        // Past 2^31 steps, after about 36 minutes.
        {1e6, 2200.0, 512},
        {-1.0, 1.5, 1022},
        {1e30, 1e30, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now);
        const int step = pelican_specials::wobbleStep(c.speed, c.now);
        EXPECT_GE(step, 0);
        EXPECT_LT(step, pelican_specials::MyBunchProcessor::wobbleSteps);
        if (c.speed < 1e20) {
            EXPECT_NEAR(step, c.expected, 1);
        }
    }
}

TEST(SpecialEffects, WobbleMovesCoordinatesAboutTheirFirstValuesOnlyWhenCountsMatch)
{
    ManualSceneClock clock(0.0);
    pelican_specials::MyBunchProcessor processor;
    processor.setWobble(0.5f, 0.0f, 1.0f, 0.1f);
    const std::unique_ptr<finch::GeoBunch> matching = texturedBunch(4, 0);
    const std::unique_ptr<finch::GeoBunch> shorter = texturedBunch(2, 0);
    clock.frame(0.5);
    processor.beforeDraw(*matching);
    processor.beforeDraw(*shorter);
    for (const finch::TexCoord& t : matching->texcoordSlot(0)->elements()) {
        // Scrolled by 0.25 and moved by at most the amplitude.
        EXPECT_NEAR(t.s, 0.5f, 0.1f + 1e-6);
        EXPECT_NEAR(t.t, 0.5f, 0.1f + 1e-6);
    }
    EXPECT_NE(matching->flags() & finch::GeoBunch::texCoords0Changed, 0u);
    for (const finch::TexCoord& t : shorter->texcoordSlot(0)->elements()) {
        EXPECT_EQ(t, (finch::TexCoord{0.25f, 0.5f}));
    }
    EXPECT_EQ(shorter->flags() & finch::GeoBunch::texCoords0Changed, 0u);
}

TEST(SpecialEffects, DetailCopyIsMadeOnceAndOnlyIntoASetOfEqualCount)
{
    pelican_specials::MyBunchProcessor processor;
    processor.setDetail(4.0f);
    const std::unique_ptr<finch::GeoBunch> matching = texturedBunch(4, 4);
    const std::unique_ptr<finch::GeoBunch> shorter = texturedBunch(4, 2);
    processor.beforeDraw(*matching);
    processor.beforeDraw(*shorter);
    EXPECT_EQ(matching->texcoordSlot(1)->elements()[3], (finch::TexCoord{1.0f, 2.0f}));
    EXPECT_EQ(shorter->texcoordSlot(1)->elements()[1], (finch::TexCoord{0.0f, 0.0f}));
    matching->texcoordSlot(0)->elements()[3] = {0.0f, 0.0f};
    processor.beforeDraw(*matching);
    EXPECT_EQ(matching->texcoordSlot(1)->elements()[3], (finch::TexCoord{1.0f, 2.0f}));
}
