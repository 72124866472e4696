#include "game/AvatarObjects.h"
#include "game/LookFixture.h"

#include "game/Level.h"
#include "game/LookLogic.h"
#include "game/ObjectTrigger.h"
#include "game/Zone.h"

namespace
{

// The pen at x = 500 counts into counter 0 when it fires; the gravatars' zones lie out of the
// player's way.
const char* const penWorld = R"(Data {
    counter "herded" {
        multi 1
        triggerAt 99
    }
}
Level "Field" {
    Zone "Pen" {
        isGravatarPen 1
        radius 5
        center 500 0 0
        condition {
            incCounter 1
            counterToInc 0
        }
    }
    Zone "Ann" {
        isAnAvatar 1
        isAGravatar 1
        radius 1
        center 0 0 -900
    }
    Zone "Bob" {
        isAnAvatar 1
        isAGravatar 1
        radius 1
        center 0 0 -950
    }
}
)";

void placeAt(pelican::PelicanObject& object, const finch::Vector3d& at)
{
    finch::Matrix placement;
    placement.setTranslation(at);
    object.setTransform(placement);
}

}

TEST_F(LookTest, GravatarPenFiresOnceEachTimeItFills)
{
    AvatarObjects avatars;
    const auto world = read(penWorld);
    Level& field = *world->levels()[0];
    zoneNamed(field, "Ann").object = avatars.objects[0];
    zoneNamed(field, "Bob").object = avatars.objects[1];
    world->logic().start();
    world->logic().reset();
    struct Case
    {
        bool annIn;
        bool bobIn;
        std::size_t fired;
    };
    // The pen stays full on the third frame and fills again on the fifth.
    const Case frames[] = {
        {true, false, 0}, {true, true, 1}, {true, true, 1}, {true, false, 1}, {true, true, 2},
    };
    const finch::Vector3d inside(501, 0, 0);
    const finch::Vector3d outside(600, 0, 0);
    double t = 100.0;
    for (const Case& c : frames) {
        placeAt(*avatars.objects[0], c.annIn ? inside : outside);
        placeAt(*avatars.objects[1], c.bobIn ? inside : outside);
        m_clock.frame(t += 0.1);
        world->logic().update();
        EXPECT_EQ(world->counters()[0].count(), c.fired) << t;
    }
    world->logic().stop();
}

TEST_F(LookTest, EachWorldWaitsOutItsOwnSettleFrames)
{
    const char* const text = "Data {\ncounter \"rings\" {\nisRing 1\n}\n}\nLevel \"L\" {\nMotor {\nenable 1\n}\n}\n";
    double t = 100.0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const auto world = read(text);
        world->counters()[0].collected.assign(3, nullptr);
        world->logic().start();
        const Motor& motor = world->levels()[0]->motor;
        for (int frame = 0; frame < LookLogic::settleFrames; ++frame) {
            m_clock.frame(t += 0.1);
            world->logic().update();
            EXPECT_EQ(motor.patternIndex(), 0u) << frame;
        }
        m_clock.frame(t += 0.1);
        world->logic().update();
        EXPECT_EQ(motor.patternIndex(), 3u);
        world->logic().stop();
    }
}

TEST_F(LookTest, LevelConditionCountsTheLastRingCounter)
{
    struct Case
    {
        std::size_t firstRings;
        std::size_t lastRings;
        const char* level;
    };
    // The condition leads on while fewer than 2 rings are held.
    const Case cases[] = {{3, 0, "Sky"}, {0, 3, "Sea"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        const auto world = read("Data {\ncounter \"old\" {\nisRing 1\n}\ncounter \"new\" {\nisRing 1\n}\n}\n"
                                "Level \"Sea\" {\nisStartupLevel 1\n}\nLevel \"Sky\" {\n}\n");
        world->counters()[0].collected.assign(c.firstRings, nullptr);
        world->counters()[1].collected.assign(c.lastRings, nullptr);
        ObjectTrigger trigger;
        trigger.targetLevel = world->levels()[1].get();
        trigger.changeLevelIf = true;
        trigger.changeIfType = 1;
        trigger.numRings = 2;
        trigger.fire(*world, nullptr, nullptr);
        EXPECT_EQ(world->currentLevel()->name, heron_string(c.level));
    }
}
