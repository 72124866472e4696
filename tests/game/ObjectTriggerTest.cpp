#include "game/LookFixture.h"

#include "content/world/PelicanObject.h"
#include "game/ObjectTrigger.h"
#include "scene/graph/SwitchBranch.h"
#include "support/LogCapture.h"

namespace
{

// Counter 0 sends the player to level 1 on its second zone; counter 1 counts rings.
const char* const countedWorld = R"(Data {
    counter "gems" {
        triggerAt 2
        level 1
    }
    counter "rings" {
        isRing 1
    }
}
Level "Sea" {
    isStartupLevel 1
}
Level "Sky" {
}
)";

}

TEST_F(LookTest, CounterReachingItsTargetGoesToItsLevel)
{
    LogCapture log;
    heron::counted_ptr<Look> world = read(countedWorld);
    ObjectTrigger trigger;
    trigger.incCounter = true;
    trigger.counterToInc = 0;
    Zone first;
    Zone second;
    EXPECT_FALSE(trigger.fire(*world, &first, nullptr));
    EXPECT_EQ(world->currentLevel()->name, heron_string("Sea"));
    EXPECT_TRUE(trigger.fire(*world, &second, nullptr));
    EXPECT_EQ(world->currentLevel()->name, heron_string("Sky"));
    EXPECT_EQ(log.count("Going to level Sky\n"), 1);
}

TEST_F(LookTest, UnknownRingZoneLeavesTheTargetLevel)
{
    heron::counted_ptr<Look> world = read(countedWorld);
    ObjectTrigger trigger;
    trigger.targetLevel = world->levels()[1].get();
    trigger.ifNotRing = true;
    trigger.notRingName = "nowhere";
    world->counters()[1].add(nullptr, 0);
    trigger.fire(*world, nullptr, nullptr);
    EXPECT_EQ(world->currentLevel()->name, heron_string("Sky"));
}

TEST_F(LookTest, HidingCounterHidesItsHeldObjects)
{
    LogCapture log;
    heron::counted_ptr<Look> world = read(countedWorld);
    finch::SwitchBranch wrappers[2];
    pelican::PelicanObject collected(nullptr, &wrappers[0]);
    pelican::PelicanObject placed(nullptr, &wrappers[1]);
    Zone holding;
    holding.object = &collected;
    holding.isCenteredOnObject = true;
    Zone taken;
    taken.object = &placed;
    Counter& gems = world->counters()[0];
    gems.triggerAt = 9;
    gems.hideObjects = true;
    gems.reappear = false;
    gems.add(&taken, 0);
    gems.removeLast();
    gems.add(nullptr, 0);
    gems.add(&holding, 0);
    EXPECT_FALSE(collected.isActive());
    collected.setActive(true);
    ObjectTrigger().applyVisibility(*world);
    EXPECT_FALSE(collected.isActive());
    EXPECT_FALSE(placed.isActive());
    // The collected object as it was collected and again after it was shown; the placed one once.
    EXPECT_EQ(log.count("hide "), 3);
}
