// The look-file reader against numbers and counts that would spoil later lines, take memory
// without end or overflow the sequencer's arithmetic.
#include "game/LookFixture.h"

#include "base/Limits.h"
#include "support/LogCapture.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

std::string emptyZones(int count)
{
    std::string zones;
    for (int i = 0; i < count; ++i) {
        zones += "Zone \"z" + std::to_string(i) + "\" {\n}\n";
    }
    return zones;
}

}

TEST_F(LookTest, BadNumberSpoilsOnlyItsOwnLine)
{
    const std::string tooLong(5001, '9');
    const auto world = read("Level \"L\" {\nZone \"A\" {\nverticalOffset " + tooLong +
                            "\nsong \"song1\" {\ndopplerFactor 1e39\nphrase 1 2 3\nsing 4 5\nfile \"none.wav\"\n"
                            "marker 3000000000\nmarker 4294967295\n}\n}\n}\n"
                            "Zone \"B\" {\nsong \"song2\" {\nmaxvolDistance nan\nphrase 6 7 8\nsing 9 10\n}\n}\n}\n");
    Level& level = *world->levels()[0];
    const Song& first = zoneNamed(level, "A").song1;
    EXPECT_EQ(zoneNamed(level, "A").verticalOffset, 0.0);
    EXPECT_EQ(first.dopplerFactor, 0.0f);
    EXPECT_EQ(first.phrases, (std::vector<std::array<std::int32_t, 3>>{{1, 2, 3}}));
    EXPECT_EQ(first.sings, (std::vector<std::array<std::int32_t, 2>>{{4, 5}}));
    ASSERT_EQ(first.samples.size(), 1u);
    EXPECT_EQ(first.samples[0].markers, (std::vector<std::uint32_t>{3000000000u, 4294967295u}));
    const Song& second = zoneNamed(level, "B").song2;
    EXPECT_EQ(second.phrases, (std::vector<std::array<std::int32_t, 3>>{{6, 7, 8}}));
    EXPECT_EQ(second.sings, (std::vector<std::array<std::int32_t, 2>>{{9, 10}}));
}

TEST_F(LookTest, LevelsAndZonesStopAtTheirCaps)
{
    using heron::limits::maxLookLevels;
    using heron::limits::maxLookZones;
    std::string text = "Level \"first\" {\n" + emptyZones(maxLookZones + 3) + "}\nLevel \"start\" {\nisStartupLevel 1\n}\n";
    for (int i = 2; i < maxLookLevels; ++i) {
        text += "Level \"more\" {\n}\n";
    }
    // The dropped level's lines, and those of its zone, are read without touching the world.
    text += "Level \"dropped\" {\nisStartupLevel 1\nZone \"inside\" {\ncondition {\nchangeLevel \"start\"\n}\n"
            "act {\nsequence {\nindex 1023\n}\n}\n}\n}\nLevel \"after\" {\n}\n";
    LogCapture log;
    const auto world = read(text);

    ASSERT_EQ(world->levels().size(), static_cast<std::size_t>(maxLookLevels));
    EXPECT_EQ(world->levels()[0]->zones().size(), static_cast<std::size_t>(maxLookZones));
    EXPECT_EQ(world->levels()[1]->name, heron_string("start"));
    EXPECT_TRUE(world->levels()[1]->isStartupLevel);
    EXPECT_EQ(world->levelNamed("dropped"), nullptr);
    EXPECT_EQ(Zone::count(), maxLookZones);
    EXPECT_TRUE(log.contains("more than 256 levels - level dropped and those after it ignored")) << log.text();
    EXPECT_EQ(log.count("more than 4096 zones - zone z4096 and those after it ignored"), 1) << log.text();
    EXPECT_TRUE(log.contains("4096 zones read from file"));
}

TEST_F(LookTest, StageNumbersStopAtTheWorldsShare)
{
    const std::size_t actsToFill = heron::limits::maxLookActStages / heron::limits::maxActStages;
    std::string zones;
    for (std::size_t i = 0; i <= actsToFill; ++i) {
        zones += "Zone \"z\" {\nact {\nsequence {\nindex 1023\nrepeat 5\n}\n}\n}\n";
    }
    LogCapture log;
    const auto world = read("Level \"L\" {\n" + zones + "}\n");

    const auto& made = world->levels()[0]->zones();
    ASSERT_EQ(made.size(), actsToFill + 1);
    EXPECT_EQ(made[actsToFill - 1]->act.stageCount(), static_cast<std::size_t>(heron::limits::maxActStages));
    // The last act's index line is refused, so its repeat line fills its first stage.
    EXPECT_EQ(made[actsToFill]->act.stageCount(), 1u);
    EXPECT_EQ(made[actsToFill]->act.stage(0).repeat, 5);
    EXPECT_TRUE(log.contains("stage index 1023 past the 65536 stages a world may number")) << log.text();
}

TEST_F(LookTest, SequencerNotesAndTemposAreBoundedWhenRead)
{
    LogCapture log;
    const auto world = read("Level \"L\" {\nMotor {\nMotorData {\nrings 2\nnote 0 2147483647\nnote 1 -2147483648\n"
                            "note 2 -12345\nnote 3 -70\nnote 4 71\nminBpm -2147483648\nmaxBpm 2147483647\n"
                            "rings 3\nminBpm 40\nmaxBpm 400\n}\n}\n}\n");
    const Motor::Pattern& bounded = world->levels()[0]->motor.patterns[2];
    EXPECT_EQ(bounded.notes[0], 70);
    EXPECT_EQ(bounded.notes[1], -70);
    EXPECT_EQ(bounded.notes[2], Motor::rest);
    EXPECT_EQ(bounded.notes[3], -70);
    EXPECT_EQ(bounded.notes[4], 70);
    EXPECT_EQ(bounded.minBpm, 0);
    EXPECT_EQ(bounded.maxBpm, heron::limits::maxMotorTempo);
    const Motor::Pattern& plain = world->levels()[0]->motor.patterns[3];
    EXPECT_EQ(plain.minBpm, 40);
    EXPECT_EQ(plain.maxBpm, 400);
    EXPECT_TRUE(log.contains("note 2147483647 out of range, 70 used")) << log.text();
    EXPECT_TRUE(log.contains("maxBpm 2147483647 out of range")) << log.text();
}
