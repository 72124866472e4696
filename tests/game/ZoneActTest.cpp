#include "game/LookFixture.h"

#include "content/world/PelicanObject.h"
#include "game/LookLogic.h"
#include "scene/graph/SwitchBranch.h"
#include "support/LogCapture.h"
#include "support/WorldBuilders.h"

namespace
{

// A zone "Bay" at the origin whose act plays at once, without growing in.
const char* const bayWithAnAct = R"(Level "Sea" {
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
)";

// An object with one animation, "swim", for an act to play.
struct ActObject
{
    ActObject()
    {
        worldtest::instance(animations, "swim", nullptr);
        shown.setAnimationSwitch(&animations);
    }

    finch::SwitchBranch wrapper;
    finch::SwitchBranch animations;
    pelican::PelicanObject shown{nullptr, &wrapper};
};

// The bay's world with the swimmer as its act's object.
class BayActTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        world = read(bayWithAnAct);
        act().object = &swimmer.shown;
    }
    void TearDown() override
    {
        world->logic().stop();
        LookTest::TearDown();
    }

    Act& act() { return zoneNamed(*world->currentLevel(), "Bay").act; }

    ActObject swimmer;
    heron::counted_ptr<Look> world;
};

}

// Entering a zone starts its act; the logic step plays it and drops it once it has ended.
TEST_F(BayActTest, LogicStepDropsAnActOnceItEnds)
{
    act().stage(0).cycleTime = 2.0;
    world->logic().start();
    const std::size_t playing[] = {1, 1, 0};
    for (int frame = 0; frame < 3; ++frame) {
        stepAt(*world, 0.0, 100.0 + frame * 1.5);
        EXPECT_EQ(world->logic().playingActs().size(), playing[frame]) << frame;
    }
    EXPECT_FALSE(swimmer.shown.isActive());
}

// Coming back into a zone while its act still plays leaves the act as it is and notes it by its
// first animation.
TEST_F(BayActTest, ActStartedAgainWhilePlayingIsNotedByItsFirstAnimation)
{
    act().stage(0).cycleTime = 100.0;
    const LogCapture log;
    world->logic().start();
    const double eyeX[] = {0.0, 500.0, 0.0};
    for (int frame = 0; frame < 3; ++frame) {
        stepAt(*world, eyeX[frame], 100.0 + frame * 0.1);
    }
    EXPECT_EQ(log.count("Act swim was already playing!\n"), 1);
    EXPECT_EQ(world->logic().playingActs().size(), 1u);
}
