#include "content/world/AnimationController.h"
#include "content/world/PelicanObject.h"
#include "game/Act.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "support/ManualSceneClock.h"
#include "support/WorldBuilders.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ActCycleTest, ZeroCycleTimeHoldsTheAnimationAtItsStart)
{
    ManualSceneClock clock(0.0);
    finch::SwitchBranch wrapper;
    worldtest::add(wrapper, std::make_unique<finch::InstanceBranch>());
    pelican::PelicanObject object(nullptr, &wrapper);
    finch::SwitchBranch animations;
    worldtest::add(animations, std::make_unique<finch::InstanceBranch>());
    object.setAnimationSwitch(&animations);
    object.addSequenceStep(0, pelican::AnimationEntry{});
    Act act;
    act.enable = true;
    act.object = &object;
    act.growAtBeginning = false;
    act.actionAtEnd = Act::waitAtEnd;
    act.stage(0).cycleTime = 0.0;
    act.start();
    struct Case
    {
        double time;
        bool playing;
    };
    // The stage lasts no time: it plays in the frame that starts it and the act then waits,
    // looping the stage's animation.
    const Case frames[] = {{0.0, true}, {0.5, false}, {1.0, false}};
    for (const Case& c : frames) {
        SCOPED_TRACE(c.time);
        clock.frame(c.time);
        EXPECT_EQ(act.update(false), c.playing);
        updateWaitingAct();
        EXPECT_EQ(object.sequenceController()->value(), 0.0f);
    }
    EXPECT_EQ(Act::waiting(), &act);
}
