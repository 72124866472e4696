#include "game/LookFixture.h"

#include "game/LookLogic.h"
#include "support/LogCapture.h"
#include "support/LookTexts.h"

#include <cstdint>
#include <functional>
#include <vector>

TEST_F(LookTest, LookFileFillsEveryBlockKind)
{
    const auto world = read(looktest::everyBlock);
    ASSERT_EQ(world->levels().size(), 2u);
    Level& first = *world->levels()[0];
    Level& second = *world->levels()[1];
    EXPECT_EQ(world->noExitSound().name(), heron_string("bump.wav"));
    EXPECT_EQ(world->medalCatchSound().name(), heron_string("catch.wav"));
    ASSERT_EQ(world->counters().size(), 1u);
    EXPECT_EQ(world->counters()[0].triggerAt, 3);
    EXPECT_TRUE(world->counters()[0].isRing && world->counters()[0].multi);
    EXPECT_EQ(first.entryView.position, finch::Vector3d(1, 2, 3));
    EXPECT_EQ(first.entryView.heading, 90.0);
    EXPECT_TRUE(first.teleport);
    EXPECT_EQ(first.batSoundVolume, 70);
    EXPECT_TRUE(second.isStartupLevel);
    EXPECT_FALSE(first.isStartupLevel);

    Zone& cove = zoneNamed(first, "Cove");
    EXPECT_EQ(cove.position(), finch::Vector3d(10, 20, 30));
    EXPECT_EQ(cove.radius, 15.0);
    EXPECT_EQ(cove.flySpeed, 4.5);
    EXPECT_TRUE(cove.noExit);
    EXPECT_EQ(cove.fog.type, 1);
    EXPECT_EQ(cove.fog.far, 50.0f);
    EXPECT_EQ(cove.fog.colour.g, 0.2f);
    EXPECT_TRUE(cove.changeFog);
    EXPECT_EQ(cove.fogChangeTime, 2.5f);
    EXPECT_TRUE(cove.changeSky);
    EXPECT_EQ(cove.sky.top.r, 0.5f);
    EXPECT_EQ(cove.sun.height, 12.0);
    EXPECT_TRUE(cove.changeStars && cove.enableStars);
    EXPECT_EQ(cove.numStars, 300);
    EXPECT_EQ(cove.song1.name, heron_string("tune"));
    EXPECT_EQ(cove.song1.volume, 40);
    ASSERT_EQ(cove.song1.samples.size(), 1u);
    EXPECT_EQ(cove.song1.samples[0].markers, (std::vector<std::uint32_t>{5, 9}));
    EXPECT_EQ(cove.song1.phrases.size(), 1u);
    EXPECT_EQ(cove.song1.sings.size(), 1u);
    EXPECT_EQ(cove.trigger.delay, 1.5);
    EXPECT_EQ(cove.trigger.targetLevel, &second);
    EXPECT_EQ(cove.trigger.numRings, 4);
    EXPECT_TRUE(cove.act.enable && cove.act.master);
    ASSERT_EQ(cove.act.stageCount(), 4u);
    EXPECT_EQ(cove.act.stage(0).repeat, 7);
    EXPECT_EQ(cove.act.stage(3).repeat, 2);
    EXPECT_EQ(cove.act.stage(3).constraint, 40);
    EXPECT_TRUE(cove.particles.enabled);
    EXPECT_EQ(cove.particles.birthrate, 12.0f);
    EXPECT_EQ(cove.particles.percentSpeed, 50);
    EXPECT_EQ(cove.particles.saturation(), 0.25f);
    EXPECT_TRUE(cove.projectile.give);
    EXPECT_EQ(cove.projectile.speed, 9.0f);
    EXPECT_TRUE(first.motor.enable);
    EXPECT_EQ(first.motor.patterns[2].minBpm, 80);
    EXPECT_EQ(first.motor.patterns[2].notes[3], 7);
    EXPECT_EQ(first.motor.patterns[0].volume, 100);
}

TEST_F(LookTest, DamagedLinesAreBoundedOrIgnored)
{
    struct Case
    {
        const char* zoneLines;
        const char* logged;
        std::function<void(Zone&)> check;
    };
    const Case cases[] = {
        {"radius lots\n", nullptr, [](Zone& z) { EXPECT_EQ(z.radius, 0.0); }},
        {"Radius 5\n", nullptr, [](Zone& z) { EXPECT_EQ(z.radius, 20.0); }},
        {"numStars -4\n", "numStars -4 out of range", [](Zone& z) { EXPECT_EQ(z.numStars, 0); }},
        {"numStars 2000000000\n", "out of range", [](Zone& z) { EXPECT_EQ(z.numStars, 100000); }},
        {"act {\nsequence {\nindex -3\nrepeat 2\n}\n}\n", "stage index -3 out of range",
         [](Zone& z) { EXPECT_EQ(z.act.stage(0).repeat, 2); }},
        {"act {\nsequence {\nindex 99999999\nrepeat 1\n}\n}\n", "stage index 99999999",
         [](Zone& z) { EXPECT_EQ(z.act.stageCount(), 1024u); }},
        {"act {\nsequence {\nconstraint 250\n}\n}\n", "constraint 250 out of range",
         [](Zone& z) { EXPECT_EQ(z.act.stage(0).constraint, 100); }},
        {"object \"rock\"\n", "no content database for object rock", [](Zone& z) { EXPECT_EQ(z.object, nullptr); }},
        {"center 1e39 2 3\n", "line 3: 1e+39 out of range, 0 used",
         [](Zone& z) { EXPECT_EQ(z.position(), finch::Vector3d(0, 2, 3)); }},
        {"flySpeed -1e39\n", "line 3: -1e+39 out of range, 0 used", [](Zone& z) { EXPECT_EQ(z.flySpeed, 0.0); }},
        // A real number running on into other characters is kept as far as it parses.
        {"flySpeed 1.5x\n", "line 3: 1.5x runs on past its number, 1.5 used\n", [](Zone& z) { EXPECT_EQ(z.flySpeed, 1.5); }},
        {"center 5x7 2 3\n", "line 3: 5x7 runs on past its number, 5 used\n",
         [](Zone& z) { EXPECT_EQ(z.position(), finch::Vector3d(5, 2, 3)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoneLines);
        LogCapture log;
        const auto world = read(std::string("Level \"L\" {\nZone \"Z\" {\n") + c.zoneLines + "}\n}\n");
        c.check(zoneNamed(*world->levels()[0], "Z"));
        if (c.logged != nullptr) {
            EXPECT_TRUE(log.contains(c.logged)) << log.text();
        }
    }
}

TEST_F(LookTest, OnlyAStarsBlockSwitchesStarsOn)
{
    // In a zone itself the count, the half and the off switch are read; its changeStars line does
    // not set the zone's changeStars, so the stars are never changed on entry.
    const auto world = read("Level \"L\" {\nZone \"Z\" {\nchangeStars 1\nenableStars 1\nnumStars 40\n"
                            "hemisphere 0\ndisableStars 1\n}\n}\n");
    const Zone& zone = zoneNamed(*world->levels()[0], "Z");
    EXPECT_FALSE(zone.changeStars);
    EXPECT_EQ(zone.numStars, 40);
    EXPECT_FALSE(zone.hemisphere);
    EXPECT_TRUE(zone.disableStars);
}

TEST_F(LookTest, AZonesOwnEnableStarsSetsBothSwitchesOnlyAfterItsChangeStars)
{
    struct Case
    {
        const char* zoneLines;
        bool enable;
        bool disable;
    };
    const Case cases[] = {
        {"enableStars 1\n", false, false},
        {"changeStars 1\nenableStars 1\n", true, true},
        {"changeStars 1\ndisableStars 1\nenableStars 0\n", false, false},
        {"changeStars 0\nenableStars 1\n", false, false},
        {"changeStars 1\nchangeStars 0\nenableStars 1\n", false, false},
        {"enableStars 1\nchangeStars 1\n", false, false},
        // A stars block's lines are its own: they neither arm the zone's line nor are armed by it.
        {"weather {\nstars {\nchangeStars 1\n}\n}\nenableStars 1\n", false, false},
        {"changeStars 1\nweather {\nstars {\nenableStars 1\n}\n}\n", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoneLines);
        const auto world = read(std::string("Level \"L\" {\nZone \"Z\" {\n") + c.zoneLines +
                                "}\nZone \"Next\" {\nenableStars 1\n}\n}\n");
        const Zone& zone = zoneNamed(*world->levels()[0], "Z");
        EXPECT_EQ(zone.enableStars, c.enable);
        EXPECT_EQ(zone.disableStars, c.disable);
        // The zone after it starts unarmed.
        EXPECT_FALSE(zoneNamed(*world->levels()[0], "Next").enableStars);
    }
}

TEST_F(LookTest, MissingDatabaseKeepsTheLevelsReadBefore)
{
    LogCapture log;
    const auto world = read("Level \"Early\" {\n}\nData {\ndatabase \"nowhere.quill\"\n}\nLevel \"Late\" {\n}\n");
    EXPECT_TRUE(log.contains("Exception in look file reader"));
    ASSERT_EQ(world->levels().size(), 1u);
    EXPECT_EQ(world->levels()[0]->name, heron_string("Early"));
}

TEST_F(LookTest, CollisionBlockBeforeTheDatabaseIsIgnored)
{
    LogCapture log;
    const auto world = read("Collision {\nsetCollisionType 2 \"rock\"\n}\nLevel \"L\" {\n}\n");
    EXPECT_TRUE(log.contains("Collision block before the database"));
    EXPECT_EQ(world->levels().size(), 1u);
}

TEST_F(LookTest, ZoneOpenerWithoutBraceEndsTheLevel)
{
    const auto world = read("Level \"L\" {\nZone \"Z\"\n{\nradius 4\n}\nZone \"After\" {\n}\n}\n");
    // The stray closing line ended the level; the next zone line is outside any block.
    Level& level = *world->levels()[0];
    EXPECT_TRUE(level.zones().empty());
}

TEST_F(LookTest, LevelChangeResolvesToTheLaterLevelOfTheSameName)
{
    const auto world = read("Level \"A\" {\nZone \"Z\" {\ncondition {\nchangeLevel \"B\"\n}\n}\n}\n"
                            "Level \"B\" {\n}\nLevel \"B\" {\n}\nLevel \"C\" {\nZone \"Y\" {\ncondition {\n"
                            "changeLevel \"Nowhere\"\n}\n}\n}\n");
    EXPECT_EQ(world->levels()[0]->zones()[0]->trigger.targetLevel, world->levels()[2].get());
    EXPECT_EQ(world->levels()[3]->zones()[0]->trigger.targetLevel, nullptr);
}

namespace
{

const std::string twoLevels = "Level \"A\" {\n    Zone \"Z\" {\n        radius 5\n        flySpeed 2\n    }\n}\n"
                              "Level \"B\" {\n    entryXYZ 1 2 3\n}\n";

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}

TEST_F(LookTest, TextThatOtherEditorsAndTransfersLeaveReadsAsTheCleanFile)
{
    struct Case
    {
        const char* what;
        std::string text;
        // What the log says about it; null when nothing.
        const char* logged;
    };
    const Case cases[] = {
        {"clean", twoLevels, nullptr},
        {"carriage returns", replaced(twoLevels, "\n", "\r\n"), nullptr},
        {"an end-of-file mark", twoLevels + "\x1A", "1 end-of-file or NUL byte after the text ignored"},
        {"an end-of-file mark after the last brace", twoLevels.substr(0, twoLevels.size() - 1) + "\x1A",
            "1 end-of-file or NUL byte "},
        {"NUL padding", twoLevels + std::string(300, '\0'), "300 end-of-file or NUL bytes"},
        {"a form feed line", replaced(twoLevels, "}\nLevel \"B\"", "}\n\f\nLevel \"B\""),
            "1 line holds control bytes, read as text (the first is line 7)"},
        {"form feeds and vertical tabs as blanks", replaced(replaced(twoLevels, "radius 5", "\fradius\v5"), " {", "\f{"),
            "4 lines hold control bytes"},
        {"a comment of control bytes", replaced(twoLevels, "radius 5\n", "radius 5\n\x01\x02\x7F junk 9\n"),
            "1 line holds control bytes"},
        {"no last closing line", twoLevels.substr(0, twoLevels.size() - 2), "the file ends inside 1 block, closed there"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        const auto world = read(c.text);
        EXPECT_FALSE(world->isIncomplete());
        ASSERT_EQ(world->levels().size(), 2u);
        Zone& zone = zoneNamed(*world->levels()[0], "Z");
        EXPECT_EQ(zone.radius, 5.0);
        EXPECT_EQ(zone.flySpeed, 2.0);
        EXPECT_EQ(world->levels()[1]->name, heron_string("B"));
        EXPECT_EQ(world->levels()[1]->entryView.position, finch::Vector3d(1, 2, 3));
        EXPECT_EQ(log.contains("Look file: "), c.logged != nullptr) << log.text();
        if (c.logged != nullptr) {
            EXPECT_TRUE(log.contains(c.logged)) << log.text();
        }
    }
}

// A closing line too many ends its level early: the zones after it, outside every level, are left
// out, and that is logged, with the closing line left over at the end.
TEST_F(LookTest, AClosingLineTooManyIsLoggedWithTheZonesItLeavesOutside)
{
    LogCapture log;
    const auto world = read("Level \"L\" {\nZone \"A\" {\n}\n}\nZone \"B\" {\nradius 6\n}\n}\n");
    ASSERT_EQ(world->levels().size(), 1u);
    EXPECT_EQ(world->levels()[0]->zones().size(), 1u);
    EXPECT_TRUE(log.contains("Look file: 1 zone outside every level, ignored (the first is line 5)\n")) << log.text();
    EXPECT_TRUE(log.contains("Look file: 1 closing line closes no block, ignored (the first is line 8)\n"))
        << log.text();
}

// Empty lines count as lines in every line-end style, so the log names the file's own lines.
TEST_F(LookTest, LoggedLineNumbersCountEmptyLines)
{
    const std::string text = "\nLevel \"L\" {\n\nZone \"A\" {\n\n\nradius 1e39\n}\n}\n\n}\n\nZone \"B\" {\n}\n";
    for (const char* end : {"\n", "\r\n", "\r", "\n\r"}) {
        SCOPED_TRACE(testing::PrintToString(end));
        LogCapture log;
        const auto world = read(replaced(text, "\n", end));
        EXPECT_TRUE(log.contains("Look file: line 7: 1e+39 out of range, 0 used\n")) << log.text();
        EXPECT_TRUE(log.contains("(the first is line 11)\n")) << log.text();
        EXPECT_TRUE(log.contains("1 zone outside every level, ignored (the first is line 13)\n")) << log.text();
    }
}

// An integer or a flag past 32 bits, or one that runs on into other characters, is refused as a
// real number out of range is; the other values of its line are read.
TEST_F(LookTest, IntegersAndFlagsPastTheirRangeOrRunningOnAreRefusedWithTheirLine)
{
    struct Case
    {
        const char* zoneLines;
        const char* logged;
        std::function<void(Zone&)> check;
    };
    const Case cases[] = {
        {"goalCounter 2147483648\n", "line 3: 2147483648 out of range, 0 used", [](Zone& z) { EXPECT_EQ(z.goalCounter, 0); }},
        {"goalCounter 5x7\n", "line 3: 5x7 out of range, 0 used", [](Zone& z) { EXPECT_EQ(z.goalCounter, 0); }},
        {"goalCounter -2147483648\n", nullptr, [](Zone& z) { EXPECT_EQ(z.goalCounter, INT32_MIN); }},
        {"noExit 1e39\n", "line 3: 1e39 out of range, 0 used", [](Zone& z) { EXPECT_FALSE(z.noExit); }},
        // A whole number written as a real one reads as that number.
        {"numStars 1e3\nnoExit 1.0\n", nullptr, [](Zone& z) { EXPECT_EQ(z.numStars, 1000); EXPECT_TRUE(z.noExit); }},
        {"numStars 2.5\n", "line 3: 2.5 out of range", [](Zone& z) { EXPECT_EQ(z.numStars, 0); }},
        {"song \"song1\" {\nphrase 1 2x 3\nsing 4 5\nfile \"a.wav\"\nmarker 4294967296\nmarker -1\n}\n}\n",
         "line 4: 2x out of range",
         [](Zone& z) {
             EXPECT_TRUE(z.song1.phrases.empty());
             EXPECT_EQ(z.song1.sings.size(), 1u);
             EXPECT_EQ(z.song1.samples.at(0).markers, (std::vector<std::uint32_t>{0, 4294967295u}));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoneLines);
        LogCapture log;
        const auto world = read(std::string("Level \"L\" {\nZone \"Z\" {\n") + c.zoneLines + "}\n}\n");
        c.check(zoneNamed(*world->levels()[0], "Z"));
        EXPECT_EQ(log.contains("out of range"), c.logged != nullptr) << log.text();
        if (c.logged != nullptr) {
            EXPECT_TRUE(log.contains(c.logged)) << log.text();
        }
    }
}

// A zone or a level that lost its closing line takes in the next one's lines, as the format
// reads it; that is logged once, with the first line where it happened.
TEST_F(LookTest, ABlockOpenedInsideOneOfItsKindIsLoggedAsReadIntoTheOuter)
{
    LogCapture log;
    const auto world = read("Level \"L\" {\nZone \"A\" {\nradius 4\nZone \"B\" {\nradius 6\n}\n"
                            "Zone \"C\" {\nZone \"D\" {\n}\nLevel \"M\" {\nZone \"E\" {\n}\n}\n");
    ASSERT_EQ(world->levels().size(), 1u);
    Level& level = *world->levels()[0];
    ASSERT_EQ(level.zones().size(), 3u);
    EXPECT_EQ(zoneNamed(level, "A").radius, 6.0);
    EXPECT_EQ(level.zones()[2]->name, heron_string("E"));
    EXPECT_EQ(log.count("Look file: 2 Zone blocks inside a zone, read as lines of the outer zone (the first is line 4)\n"), 1)
        << log.text();
    EXPECT_EQ(log.count("Look file: 1 Level block inside a level, read as lines of the outer level (the first is line 10)\n"), 1)
        << log.text();
}

// A block of a zone that lost its closing line takes in the zone's lines after it, up to the
// next closing line, as the format reads it; that is logged once, with the first such line.
TEST_F(LookTest, LinesOfAZoneInsideOneOfItsBlocksAreLoggedWithTheFirstLine)
{
    const std::pair<const char*, int> cases[] = {
        {"song \"song1\" {\nname \"a\"\nweather {\nsun {\nradius 3\n}\n", 1},
        {"sky {\ntop 1 0 0 1\nchangeSky 1\n}\nweather {\nfog {\nfogSky 1\n}\n}\n", 0},
    };
    for (const auto& [zoneLines, logged] : cases) {
        SCOPED_TRACE(zoneLines);
        LogCapture log;
        const auto world = read(std::string("Level \"L\" {\nZone \"Z\" {\n") + zoneLines + "}\n}\n");
        EXPECT_EQ(log.count("of a zone inside one of its blocks"), logged) << log.text();
        EXPECT_EQ(log.count("Look file: 2 lines of a zone inside one of its blocks, read as lines of that block, as "
                            "when it lost its closing line (the first is line 5)\n"),
                  logged);
    }
}

TEST_F(LookTest, AFileCutShortKeepsWhatItReadAndNeedsALevel)
{
    LogCapture log;
    const auto cut = read(twoLevels.substr(0, twoLevels.find("flySpeed")));
    EXPECT_FALSE(cut->isIncomplete());
    ASSERT_EQ(cut->levels().size(), 1u);
    EXPECT_EQ(zoneNamed(*cut->levels()[0], "Z").radius, 5.0);
    EXPECT_TRUE(log.contains("Look file: the file ends inside 2 blocks, closed there\n")) << log.text();

    for (const std::string& text : {std::string("Data {\n}\n"), std::string(400, '\x1A'), replaced(twoLevels, "Level", "level")}) {
        SCOPED_TRACE(text.substr(0, 10));
        EXPECT_TRUE(read(text)->isIncomplete());
    }
    EXPECT_EQ(log.count("Look file: no level read\n"), 3);
}

TEST_F(LookTest, LookFileWithoutLevelsShowsTheBuiltInObject)
{
    const auto world = read("Data {\n}\n");
    ASSERT_EQ(world->levels().size(), 1u);
    Level& level = *world->levels()[0];
    EXPECT_EQ(level.name, heron_string("Level1"));
    ASSERT_EQ(level.zones().size(), 1u);
    EXPECT_EQ(level.zones()[0]->radius, 100.0);
    EXPECT_EQ(world->currentLevel(), &level);
}

TEST_F(LookTest, SongBlockStartsFromTheSongDefaults)
{
    const auto world = read("Level \"L\" {\nZone \"Z\" {\nsong \"song2\" {\nname \"tune\"\n}\n}\n}\n");
    Song& song = world->levels().front()->zones().front()->song2;
    EXPECT_EQ(song.name, heron_string("tune"));
    EXPECT_FALSE(song.enable || song.disable || song.playRing || song.isArea || song.enableDoppler);
    EXPECT_TRUE(song.oncePerLevel);
    EXPECT_EQ(song.minvolSpeed, 0.0f);
    EXPECT_EQ(song.maxvolSpeed, 10.0f);
    EXPECT_EQ(song.volume, 100);
    EXPECT_EQ(song.fadeTime, 100);
    EXPECT_EQ(song.crossfadeTime, 100);
    EXPECT_EQ(song.maxvolDistance, 25.0f);
    EXPECT_EQ(song.dopplerFactor, 1.0f);
}

TEST_F(LookTest, SongDefaultsKeepThePlayedMark)
{
    Song song;
    song.name = "tune";
    song.volume = 7;
    song.playedOnce = true;
    song.setDefaults();
    EXPECT_TRUE(song.name.empty());
    EXPECT_EQ(song.volume, 100);
    EXPECT_TRUE(song.playedOnce);
}
