#include "content/world/EngineKinds.h"
#include "content/world/PelicanObject.h"
#include "content/world/ScaleSpecial.h"
#include "game/Act.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "support/ManualSceneClock.h"
#include "support/TempLog.h"
#include "support/WorldBuilders.h"

#include <gtest/gtest.h>

namespace
{

// An act over an object with a scale special, and animations and a path as each test gives them,
// stepped by a scene clock that starts at 0.
class ActTest : public ::testing::Test
{
protected:
    ActTest()
    {
        placement = worldtest::add(wrapper, std::make_unique<finch::InstanceBranch>());
        object = std::make_unique<pelican::PelicanObject>(nullptr, &wrapper);
        object->addScaleSpecial();
        act.enable = true;
        act.object = object.get();
        act.growAtBeginning = false;
    }

    // One stage of one one-second cycle per animation.
    void giveAnimations(int count)
    {
        for (int i = 0; i < count; ++i) {
            worldtest::add(animations, std::make_unique<finch::InstanceBranch>());
            act.stage(i);
        }
        object->setAnimationSwitch(&animations);
    }

    void givePath(double length, double speed)
    {
        driver = worldtest::pathDriver(placement, {length, 0.0, 0.0});
        driver->setP(1, speed);
        object->setPath(static_cast<pelican::SplineEngine*>(driver->children().front()), driver.get());
    }

    bool step(double time)
    {
        clock.frame(time);
        return act.update(false);
    }

    // Steps quarter seconds until the act stops playing or 60 s have passed; the last frame's time.
    double runToEnd()
    {
        double time = finch::Clock::now() + 0.25;
        while (step(time) && time < 60.0) {
            time += 0.25;
        }
        return time;
    }

    double scale() const { return object->scaleSpecial()->factor(); }

    ManualSceneClock clock{0.0};
    finch::SwitchBranch wrapper;
    finch::InstanceBranch* placement = nullptr;
    finch::SwitchBranch animations;
    std::unique_ptr<pelican::LinearEngine> driver;
    std::unique_ptr<pelican::PelicanObject> object;
    Act act;
};

}

TEST_F(ActTest, StagesLastTheirRepeatTimesTheirCycle)
{
    giveAnimations(3);
    act.stage(0) = Act::Stage{3, 2.0, 2.0, 1.0};
    act.stage(1) = Act::Stage{1, 4.0, 1.0, 0.0};
    act.stage(2) = Act::Stage{2, 1.0, 0.5, 1.0};
    act.start();
    struct Case
    {
        double time;
        std::int32_t stage;
        double speed;
        bool playing;
    };
    // Stage 0 eases from rest towards 2 over its acceleration; stage 1 has none and jumps to 4; the
    // late last frame skips stage 2 whole.
    const Case cases[] = {{0.5, 0, 1.0, true}, {5.9, 0, 2.0, true}, {6.5, 1, 4.0, true}, {8.5, 3, 4.0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        EXPECT_EQ(step(c.time), c.playing);
        EXPECT_EQ(act.currentStageIndex(), c.stage);
        EXPECT_NEAR(act.groundSpeed(), c.speed, 1e-9);
    }
}

TEST_F(ActTest, EndModesDecideWhatTheObjectDoes)
{
    struct Case
    {
        std::int32_t mode;
        bool active;
        bool ended;
        bool waiting;
    };
    const Case cases[] = {
        {Act::hideAtEnd, false, true, false},   {Act::rewindAtEnd, true, false, false},
        {Act::nothingAtEnd, true, false, false}, {Act::waitAtEnd, true, true, true},
        {Act::shrinkAtEnd, false, true, false},
    };
    giveAnimations(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        act.actionAtEnd = c.mode;
        act.start();
        runToEnd();
        EXPECT_EQ(object->isActive(), c.active);
        EXPECT_EQ(act.hasEnded(), c.ended);
        EXPECT_EQ(Act::waiting() == &act, c.waiting);
        EXPECT_EQ(scale(), 1.0);
        act.stop();
    }
}

TEST_F(ActTest, ZeroTimesActAtOnce)
{
    struct Case
    {
        const char* name;
        double growTime;
        double shrinkTime;
        // When the two frames come, from the start.
        double frame;
        bool active;
    };
    const Case cases[] = {{"grow", 0.0, 1.0, 0.0, true}, {"shrink", 1.0, 0.0, 1.5, false}};
    giveAnimations(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double start = finch::Clock::now();
        act.growAtBeginning = c.growTime == 0.0;
        act.growTime = c.growTime;
        act.shrinkTime = c.shrinkTime;
        act.actionAtEnd = Act::shrinkAtEnd;
        act.start();
        // The second frame comes at the same time: what starts there must not divide 0 by 0.
        step(start + c.frame);
        step(start + c.frame);
        EXPECT_EQ(object->isActive(), c.active);
        EXPECT_EQ(scale(), 1.0);
        act.stop();
    }
}

TEST_F(ActTest, ActAtThePathEndEnds)
{
    struct Case
    {
        const char* name;
        std::int32_t mode;
        bool decelerate;
    };
    // A shrink at the end holds there until hidden; braking that starts in a frame of no length
    // leaves the steps after it short of the end.
    const Case cases[] = {{"shrink", Act::shrinkAtEnd, false}, {"brake", Act::hideAtEnd, true}};
    givePath(1.0, 2.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        act.actionAtEnd = c.mode;
        act.shrinkWhileMoving = false;
        act.decelerate = c.decelerate;
        act.decelerationTime = 2.0;
        act.start();
        step(finch::Clock::now());
        EXPECT_LT(runToEnd(), 10.0);
        EXPECT_EQ(act.pathPosition(), object->pathLength());
        EXPECT_FALSE(object->isActive());
        act.stop();
    }
}

TEST_F(ActTest, WaitingActWithoutStagesIsLeftAlone)
{
    givePath(1.0, 1.0);
    act.actionAtEnd = Act::waitAtEnd;
    act.start();
    runToEnd();
    ASSERT_EQ(Act::waiting(), &act);
    updateWaitingAct();
    EXPECT_EQ(act.stageCount(), 0u);
}

TEST_F(ActTest, StagePastTheAnimationsIsLogged)
{
    TempLog log;
    giveAnimations(1);
    act.stage(0).constraint = 30;
    act.start();
    runToEnd();
    EXPECT_EQ(act.currentConstraint(), 30);
    EXPECT_TRUE(log.contains("Act::currentStage() - stage is out of range!"));
}

TEST_F(ActTest, LeadingActTethersWhileItsStageTethers)
{
    giveAnimations(3);
    act.stage(0) = Act::Stage{1, 1.0, 1.0, 0.0};
    act.stage(1) = Act::Stage{2, 1.0, 1.0, 0.0};
    act.stage(1).tether = true;
    act.stage(2) = Act::Stage{1, 1.0, 1.0, 0.0};
    act.verticalOffset = 2.5f;
    act.start();
    struct Case
    {
        double time;
        bool leading;
        const Act* tethering;
    };
    // A follower never tethers; the leader tethers through its second stage and unties after it.
    const Case cases[] = {{0.5, true, nullptr}, {1.5, false, nullptr}, {2.5, true, &act}, {3.5, true, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        clock.frame(c.time);
        act.update(c.leading);
        EXPECT_EQ(Act::tethering(), c.tethering);
    }
    clock.frame(10.0);
    act.start();
    clock.frame(11.5);
    act.update(true);
    ASSERT_EQ(Act::tethering(), &act);
    EXPECT_EQ(act.tetherPoint(), finch::Vector3d(0, 0, 2.5));
    EXPECT_EQ(act.tetherDirection(), finch::Vector3d(0, 1, 0));
    act.end();
    EXPECT_EQ(Act::tethering(), nullptr);
}
