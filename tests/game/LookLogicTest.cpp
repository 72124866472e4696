#include "game/LookFixture.h"

#include "game/LookLogic.h"
#include "support/GLTestSupport.h"
#include "support/LogCapture.h"

#include <string>

namespace
{

// Zones along the x axis; entering "Gate" changes level while fewer than 2 rings are held. "Bay"
// brings out stars in both halves of the sky, "Reef" puts them out, and "Shoal" only has the star
// lines that a zone reads directly.
const char* const twoLevels = R"(Data {
    counter "rings" {
        isRing 1
    }
}
Level "Sea" {
    isStartupLevel 1
    Zone "Bay" {
        center 0 0 0
        radius 10
        changeFarClip 1
        farClip 600
        changeFog 1
        fogChangeTime 3
        fog {
            type 1
            near 10
            far 100
        }
        weather {
            stars {
                changeStars 1
                enableStars 1
                numStars 40
                hemisphere 0
            }
        }
    }
    Zone "Reef" {
        center 100 0 0
        radius 10
        changeFlySpeed 1
        flySpeed 7
        weather {
            stars {
                changeStars 1
                disableStars 1
            }
        }
    }
    Zone "Shoal" {
        center 300 0 0
        radius 10
        changeStars 1
        enableStars 1
        numStars 90
    }
    Zone "Gate" {
        center 200 0 0
        radius 10
        condition {
            changeLevel "Sky"
            changeLevelIf 1
            changeIfType 1
            numRings 2
        }
    }
}
Level "Sky" {
    Zone "Cloud" {
        center 200 0 0
        radius 50
    }
}
)";

class LookLogicTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        world = read(twoLevels);
        world->logic().start();
    }
    void TearDown() override
    {
        world->logic().stop();
        LookTest::TearDown();
    }

    // Puts the eye at x and runs one frame at time t.
    void step(double x, double t) { stepAt(*world, x, t); }

    heron::counted_ptr<Look> world;
};

}

TEST_F(LookLogicTest, ZonesAreEnteredInTheOrderFlown)
{
    LogCapture log;
    step(0, 100.0);
    step(1, 100.1);
    step(100, 100.2);
    step(0, 100.3);
    const std::string text = log.text();
    const auto bay = text.find("entering zone Bay");
    const auto reef = text.find("entering zone Reef");
    const auto back = text.find("entering zone Bay", bay + 1);
    EXPECT_LT(bay, reef);
    EXPECT_NE(reef, std::string::npos);
    EXPECT_LT(reef, back);
    EXPECT_NE(back, std::string::npos);
    EXPECT_EQ(log.count("entering zone"), 3);
}

TEST_F(LookLogicTest, FarClipReachesItsTargetAfterTwoSeconds)
{
    step(0, 100.0);
    step(0, 101.0);
    EXPECT_GT(world->logic().farClip(), 600.0f);
    step(0, 102.0);
    EXPECT_EQ(world->logic().farClip(), 600.0f);
}

TEST_F(LookLogicTest, FogReachesItsTargetAfterItsChangeTime)
{
    step(0, 100.0);
    step(0, 102.9);
    EXPECT_NE(world->logic().fog().far, 100.0f);
    step(0, 103.0);
    EXPECT_EQ(world->logic().fog().type, 1);
    EXPECT_EQ(world->logic().fog().near, 10.0f);
    EXPECT_EQ(world->logic().fog().far, 100.0f);
}

TEST_F(LookLogicTest, EnteredZonesSwitchTheSkysStars)
{
    const finch::SphereRenderer& sky = world->logic().skyDome();
    EXPECT_FALSE(sky.showsStars());
    step(0, 100.0);
    EXPECT_TRUE(sky.showsStars());
    ASSERT_EQ(sky.stars().size(), 40u);
    EXPECT_GT(sky.stars()[0].z, 0.0f);
    EXPECT_LT(sky.stars()[1].z, 0.0f);
    step(100, 100.1);
    EXPECT_FALSE(sky.showsStars());
    step(300, 100.2);
    EXPECT_FALSE(sky.showsStars());
    step(0, 100.3);
    EXPECT_TRUE(sky.showsStars());
    EXPECT_EQ(sky.stars().size(), 40u);
}

TEST_F(LookLogicTest, TheEnvironmentSetsTheLightModelAfterTheLight)
{
    GLRecorder recorder;
    world->logic().applyEnvironment(world->camera());
    const int light = recorder.indexOf("Lightfv(" + std::to_string(GL_LIGHT0) + "," + std::to_string(GL_POSITION) + ",");
    const int ambient = recorder.indexOf("LightModelfv(" + std::to_string(GL_LIGHT_MODEL_AMBIENT) + ",");
    EXPECT_GE(light, 0);
    EXPECT_GT(ambient, light);
    EXPECT_EQ(recorder.count(GLRecorder::call("LightModeli", {GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE})), 1);
}

TEST_F(LookLogicTest, ConditionChangesLevelWhileFewRingsAreHeld)
{
    step(200, 100.0);
    ASSERT_NE(world->currentLevel(), nullptr);
    EXPECT_EQ(world->currentLevel()->name, heron_string("Sky"));
    EXPECT_FALSE(world->levels()[0]->isEntered());
    EXPECT_TRUE(world->levels()[1]->isEntered());
}

TEST_F(LookTest, DelayedConditionFiresAfterItsDelay)
{
    const auto world = read("Level \"A\" {\nZone \"Z\" {\ncondition {\ndelay 1.5\nchangeLevel \"B\"\n}\n}\n}\n"
                            "Level \"B\" {\n}\n");
    world->logic().start();
    m_clock.frame(100.0);
    world->logic().update();
    m_clock.frame(101.4);
    world->logic().update();
    EXPECT_EQ(world->currentLevel()->name, heron_string("A"));
    EXPECT_NEAR(pendingTriggerDelay(), 0.1, 1e-9);
    m_clock.frame(101.5);
    world->logic().update();
    EXPECT_EQ(world->currentLevel()->name, heron_string("B"));
    EXPECT_EQ(pendingTriggerDelay(), 0.0);
    world->logic().stop();
}

TEST_F(LookLogicTest, RefusedConditionFiresOncePerEntry)
{
    world->counters()[0].collected.assign(3, nullptr);
    LogCapture log;
    step(200, 100.0);
    step(200, 100.1);
    step(200, 100.2);
    EXPECT_EQ(world->currentLevel()->name, heron_string("Sea"));
    EXPECT_EQ(log.count("entering zone Gate"), 1);
}

TEST_F(LookLogicTest, GameResetStopsTheSequencerOfTheLevelLeft)
{
    step(200, 100.0);
    ASSERT_EQ(world->currentLevel()->name, heron_string("Sky"));
    world->resetGame(true);
    EXPECT_EQ(world->currentLevel()->name, heron_string("Sea"));
    EXPECT_FALSE(world->levels()[1]->motor.isRunning());
    EXPECT_TRUE(world->levels()[0]->motor.isRunning());
}

TEST_F(LookLogicTest, TempoPatternFollowsRingsUpToTheLastPattern)
{
    Motor& motor = world->levels()[0]->motor;
    motor.enable = true;
    struct Case
    {
        std::size_t rings;
        std::size_t pattern;
    };
    const Case cases[] = {{3, 3}, {7, 7}, {9, 7}, {0, 0}};
    double t = 100.0;
    for (const Case& c : cases) {
        world->counters()[0].collected.assign(c.rings, nullptr);
        for (int frame = 0; frame <= LookLogic::settleFrames; ++frame) {
            step(100, t += 0.1);
        }
        EXPECT_EQ(motor.patternIndex(), c.pattern) << c.rings;
    }
}

TEST_F(LookLogicTest, ResetStopsRunningFades)
{
    step(0, 100.0);
    world->logic().reset();
    step(0, 100.5);
    EXPECT_EQ(world->logic().fog().far, 100.0f);
    EXPECT_EQ(world->logic().farClip(), 600.0f);
}

TEST_F(LookLogicTest, StepWithoutCurrentLevelFindsNoZone)
{
    world->setCurrentLevel(nullptr);
    step(0, 100.0);
    EXPECT_EQ(world->logic().currentZone(), nullptr);
}

TEST_F(LookTest, TempoWithoutRingCounterKeepsThePattern)
{
    const auto world = read("Level \"L\" {\nMotor {\nenable 1\n}\n}\n");
    world->logic().start();
    for (int frame = 0; frame <= LookLogic::settleFrames; ++frame) {
        m_clock.frame(100.0 + frame);
        world->logic().update();
    }
    EXPECT_EQ(world->levels()[0]->motor.patternIndex(), 0u);
    EXPECT_EQ(world->levels()[0]->motor.tempo(), world->levels()[0]->motor.currentPattern().minBpm);
    world->logic().stop();
}

TEST_F(LookTest, EmptyGravatarPenNeverFires)
{
    const auto world = read("Data {\ncounter \"c\" {\nmulti 1\ntriggerAt 99\n}\n}\nLevel \"L\" {\n"
                            "Zone \"Pen\" {\nisGravatarPen 1\nradius 5\ncenter 500 0 0\ncondition {\n"
                            "incCounter 1\ncounterToInc 0\n}\n}\n}\n");
    world->logic().start();
    world->logic().reset();
    for (int frame = 0; frame < 3; ++frame) {
        m_clock.frame(100.0 + frame);
        world->logic().update();
    }
    EXPECT_EQ(world->counters()[0].count(), 0u);
    world->logic().stop();
}

TEST_F(LookTest, WorldWithoutRingCounterHasCollectedNothing)
{
    const auto world = read("Level \"L\" {\n}\n");
    EXPECT_FALSE(world->hasCollected());
    EXPECT_EQ(world->ringCounter(), nullptr);
    Zone zone;
    EXPECT_EQ(world->currentRingSong(zone), nullptr);
}

TEST_F(LookTest, LaterRingCounterIsTheRingCounter)
{
    const auto world = read("Data {\ncounter \"a\" {\nisRing 1\n}\ncounter \"b\" {\nisRing 1\n}\n}\n");
    ASSERT_NE(world->ringCounter(), nullptr);
    EXPECT_EQ(world->ringCounter()->name, heron_string("b"));
}

TEST_F(LookTest, EighthRingGetsNoRingSong)
{
    const auto world = read("Data {\ncounter \"r\" {\nisRing 1\n}\n}\n");
    Zone zone;
    world->counters()[0].collected.assign(7, nullptr);
    EXPECT_EQ(world->currentRingSong(zone), nullptr);
    zone.ringSongs[7].samples.emplace_back();
    world->counters()[0].collected.assign(8, nullptr);
    EXPECT_EQ(world->currentRingSong(zone), nullptr);
}

TEST_F(LookTest, RingSongIsTheHighestWithSamplesUpToTheRingCount)
{
    const auto world = read("Data {\ncounter \"r\" {\nisRing 1\n}\n}\n");
    Zone zone;
    zone.ringSongs[3].samples.emplace_back();
    zone.ringSongs[6].samples.emplace_back();
    const std::pair<std::size_t, Song*> cases[] = {
        {0, nullptr}, {2, nullptr}, {3, &zone.ringSongs[3]}, {5, &zone.ringSongs[3]}, {6, &zone.ringSongs[6]}, {7, &zone.ringSongs[6]},
    };
    for (const auto& [count, expected] : cases) {
        SCOPED_TRACE(count);
        world->counters()[0].collected.assign(count, nullptr);
        EXPECT_EQ(world->currentRingSong(zone), expected);
    }
    EXPECT_TRUE(zone.ringSongs[3].enable);
    EXPECT_FALSE(zone.ringSongs[5].enable);
}

TEST_F(LookTest, ResetBeforeLookingStartsLeavesNoFlight)
{
    const auto world = read("Level \"L\" {\nZone \"Z\" {\n}\n}\n");
    world->logic().reset();
    EXPECT_EQ(world->logic().flight(), nullptr);
}

TEST_F(LookTest, HugeFarClipKeepsItsStoredValueOverLevelEntries)
{
    const auto world = read("Level \"L\" {\nZone \"Z\" {\nfarClip 20000000\n}\n}\n");
    Level& level = *world->levels()[0];
    for (int entry = 0; entry < 3; ++entry) {
        level.enter(*world);
        level.exit();
    }
    EXPECT_EQ(level.zones()[0]->farClip, 20000000.0f);
    EXPECT_EQ(level.zones()[0]->effectiveFarClip(), 22000000.0f);
}

TEST_F(LookTest, InnermostZoneContainsThePosition)
{
    const auto world = read("Level \"L\" {\nZone \"Big\" {\nradius 50\n}\nZone \"Small\" {\nradius 5\n}\n"
                            "Zone \"Twin\" {\nradius 5\n}\n}\n");
    Level* const level = world->currentLevel();
    EXPECT_EQ(world->nearestObject(level, finch::Vector3d(1, 0, 0), nullptr)->name, heron_string("Small"));
    EXPECT_EQ(world->nearestObject(level, finch::Vector3d(20, 0, 0), nullptr)->name, heron_string("Big"));
    EXPECT_EQ(world->nearestObject(level, finch::Vector3d(90, 0, 0), nullptr), nullptr);
}
