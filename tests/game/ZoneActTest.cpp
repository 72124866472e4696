#include "game/LookFixture.h"

#include "content/world/PelicanObject.h"
#include "game/LookLogic.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "support/WorldBuilders.h"

// Entering a zone starts its act; the logic step plays it and drops it once it has ended.
TEST_F(LookTest, LogicStepDropsAnActOnceItEnds)
{
    heron::counted_ptr<Look> world = read(R"(Level "Sea" {
    isStartupLevel 1
    Zone "Bay" {
        center 0 0 0
        radius 10
        act {
            enable 1
            growAtBeginning 0
            actionAtEnd 0
        }
    }
}
)");
    finch::SwitchBranch wrapper;
    finch::SwitchBranch animations;
    worldtest::add(animations, std::make_unique<finch::InstanceBranch>());
    pelican::PelicanObject shown(nullptr, &wrapper);
    shown.setAnimationSwitch(&animations);
    Act& act = zoneNamed(*world->currentLevel(), "Bay").act;
    act.object = &shown;
    act.stage(0).cycleTime = 2.0;
    world->logic().start();
    const std::size_t playing[] = {1, 1, 0};
    for (int frame = 0; frame < 3; ++frame) {
        world->camera().setTransform(finch::Transform());
        m_clock.frame(100.0 + frame * 1.5);
        world->logic().update();
        EXPECT_EQ(world->logic().playingActs().size(), playing[frame]) << frame;
    }
    EXPECT_FALSE(shown.isActive());
    world->logic().stop();
}
