// The demo world's look file, as the build packs it into its data file, reads into its two levels.
#include "game/LookFixture.h"

#include "game/net/AvatarSlot.h"

#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Act.h"
#include "game/flight/LookFly.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "gui/toolkit/Event.h"
#include "music/MusicPlayer.h"
#include "support/LogCapture.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"

#include <algorithm>
#include <string>
#include <vector>

namespace
{

class DemoLookTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        pelican::setCacheRoot(m_folder.path().string().c_str());
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
        world = heron::counted_ptr<Look>(new Look(heron::FilePath("glasstide.look")));
    }

    heron::counted_ptr<Look> world;
};

// The loudest sample of seconds of a mono or stereo source read in blocks of a tenth of a second.
int loudest(egret::SoundDataSource& source, int seconds)
{
    const int channels = static_cast<int>(source.format().channels);
    std::vector<std::int16_t> block(static_cast<std::size_t>(4410 * channels));
    int peak = 0;
    for (int i = 0; i < seconds * 10; ++i) {
        const int got = source.read(4410, block.data());
        for (int s = 0; s < got * channels; ++s) {
            peak = std::max(peak, std::abs(static_cast<int>(block[static_cast<std::size_t>(s)])));
        }
    }
    return peak;
}

std::vector<std::string> zoneNames(const Level& level)
{
    std::vector<std::string> names;
    for (const auto& zone : level.zones()) {
        names.emplace_back(zone->name.c_str());
    }
    return names;
}

}

TEST_F(DemoLookTest, ReadingTheDatabaseIsLoggedWithItsEngines)
{
    const LogCapture log;
    const heron::counted_ptr<Look> again(new Look(heron::FilePath("glasstide.look")));
    const std::string text = log.text();
    const auto reading = text.find("Reading database file models\\shallows.quill\n");
    const auto engines = text.find("Database has 2 objects with engines\n");
    const auto read = text.find("Database file read\n");
    ASSERT_NE(reading, std::string::npos);
    ASSERT_NE(engines, std::string::npos);
    ASSERT_NE(read, std::string::npos);
    EXPECT_LT(reading, engines);
    EXPECT_LT(engines, read);
}

// The rock is a radiosity file, which the model loader first tries as a model-editor file: that
// refusal is no failure while the rock reads.
TEST_F(DemoLookTest, DemoStartLogsNoFailedModelRead)
{
    const LogCapture log;
    const heron::counted_ptr<Look> again(new Look(heron::FilePath("glasstide.look")));
    EXPECT_EQ(log.count(".lsb file rock.lsb read ok\n"), 1);
    EXPECT_EQ(log.count("read failed"), 0);
}

TEST_F(DemoLookTest, DemoReadsIntoTwoLevelsOfZones)
{
    ASSERT_NE(world->database(), nullptr);
    ASSERT_EQ(world->levels().size(), 2u);
    const Level& shallows = *world->levels()[0];
    const Level& reef = *world->levels()[1];
    EXPECT_EQ(shallows.name, heron_string("Shallows"));
    EXPECT_EQ(reef.name, heron_string("Glass Reef"));
    EXPECT_EQ(zoneNames(shallows),
              (std::vector<std::string>{"Shallows", "Shore", "Mooring post", "Lighthouse", "Rock pile", "Tide gate",
                                        "Open water", "Ring", "Shore ring", "Isle ring", "Gate ring", "Sea ring",
                                        "Red glider", "Yellow glider", "Green glider", "Violet glider", "Glider pen"}));
    EXPECT_EQ(zoneNames(reef), (std::vector<std::string>{"Reef", "Deep channel", "Reef edge"}));
    EXPECT_EQ(world->startLevel(), &shallows);
    EXPECT_TRUE(reef.teleport);
}

// A level starts with the zone around its entry applied at once, and a zone that sets no fog or sky
// leaves the engine's plain defaults on screen: so the entry zone of each level sets both, with its
// fog on (type 0 is no fog).
TEST_F(DemoLookTest, EachLevelEntersInAZoneThatSetsItsWholeLook)
{
    for (const auto& level : world->levels()) {
        const Zone* const entry = world->nearestObject(level.get(), level->entryView.position, nullptr);
        ASSERT_NE(entry, nullptr) << level->name.c_str();
        EXPECT_TRUE(entry->changeFog && entry->changeSky && entry->changeSun) << entry->name.c_str();
        EXPECT_NE(entry->fog.type, 0) << entry->name.c_str();
    }
}

TEST_F(DemoLookTest, DemoConditionsLeadBetweenTheLevels)
{
    Level& shallows = *world->levels()[0];
    Level& reef = *world->levels()[1];
    EXPECT_EQ(zoneNamed(shallows, "Tide gate").trigger.targetLevel, &reef);
    EXPECT_EQ(zoneNamed(reef, "Reef edge").trigger.targetLevel, &shallows);
}

TEST_F(DemoLookTest, DemoZonesChangeTheEnvironment)
{
    Level& shallows = *world->levels()[0];
    Level& reef = *world->levels()[1];
    const Zone& lighthouse = zoneNamed(shallows, "Lighthouse");
    EXPECT_TRUE(lighthouse.changeSky && lighthouse.changeSun && lighthouse.changeFog);
    EXPECT_EQ(lighthouse.sun.height, 2.0);
    const Zone& deep = zoneNamed(reef, "Deep channel");
    EXPECT_EQ(deep.fog.type, 2);
    EXPECT_EQ(deep.flySpeed, 8.0);
    const Zone& whole = zoneNamed(reef, "Reef");
    EXPECT_EQ(whole.farClip, 450.0f);
    EXPECT_TRUE(whole.changeStars && whole.enableStars);
    EXPECT_EQ(whole.numStars, 800);
    EXPECT_EQ(zoneNamed(shallows, "Shallows").ambientSong.samples.size(), 1u);
}

// The post waits sunk in the sand; reaching the shore raises it, and the act ends with the post
// standing, a few seconds later: while an act plays, no glider can be held or taken.
TEST_F(DemoLookTest, DemoShoreActRaisesThePostOutOfTheSandAndEnds)
{
    LookLogic& logic = world->logic();
    Zone& post = zoneNamed(*world->levels()[0], "Mooring post");
    const Act& act = post.act;
    ASSERT_NE(act.object, nullptr);
    EXPECT_TRUE(act.enable);
    EXPECT_EQ(act.object->name(), heron_string("/objects/post$0"));
    ASSERT_TRUE(act.object->hasPath());
    logic.start();
    logic.teleport(finch::Transform{post.position()});
    double now = 100.0;
    const auto frame = [&] {
        now += 1.0 / 30.0;
        m_clock.frame(now);
        logic.update();
    };
    frame();
    ASSERT_TRUE(act.isPlaying());
    const double sunk = objectPosition(*act.object).z;
    while (act.isPlaying() && now < 110.0) {
        frame();
    }
    EXPECT_FALSE(act.isPlaying());
    EXPECT_LT(now, 103.0);
    EXPECT_TRUE(logic.playingActs().empty());
    EXPECT_NEAR(objectPosition(*act.object).z - sunk, 3.0, 0.1);
    // It stays standing.
    for (int i = 0; i < 30; ++i) {
        frame();
    }
    EXPECT_FALSE(act.isPlaying());
    EXPECT_NEAR(objectPosition(*act.object).z - sunk, 3.0, 0.1);
    logic.stop();
}

TEST_F(DemoLookTest, DemoRingZonesCountIntoTheRingCounterWhoseFifthLeadsToTheReef)
{
    const char* zones[][2] = {{"Ring", "lighthouse"}, {"Shore ring", "shore"}, {"Isle ring", "isle"},
                              {"Gate ring", "gate"}, {"Sea ring", "sea"}};
    for (const auto& [zone, place] : zones) {
        SCOPED_TRACE(zone);
        const Zone& ring = zoneNamed(*world->levels()[0], zone);
        ASSERT_NE(ring.object, nullptr);
        EXPECT_EQ(ring.object->name(), heron_string(("/objects/RING-Zone." + std::string(place) + "$0").c_str()));
        EXPECT_TRUE(ring.isCenteredOnObject);
        EXPECT_EQ(world->ringCounter(), &world->counters().at(static_cast<std::size_t>(ring.trigger.counterToInc)));
    }
    EXPECT_EQ(world->ringCounter()->triggerAt, 5);
    EXPECT_EQ(world->levels().at(static_cast<std::size_t>(world->ringCounter()->level))->name, heron_string("Glass Reef"));
}

// A session goes on after the first ring: F1 starts the game again with the rings not yet taken
// still in their places.
TEST_F(DemoLookTest, RingsNotYetTakenAreLeftAfterARingAndAReset)
{
    LookLogic& logic = world->logic();
    logic.start();
    Zone& first = zoneNamed(*world->levels()[0], "Ring");
    first.trigger.fire(*world, &first, &logic);
    ASSERT_EQ(world->ringCounter()->count(), 1u);
    world->resetGame(true);
    EXPECT_EQ(world->ringCounter()->count(), 0u);
    int waiting = 0;
    for (const auto& zone : world->levels()[0]->zones()) {
        const bool ring = zone->trigger.incCounter && zone->trigger.counterToInc == 0;
        waiting += ring && zone->object != nullptr && zone->object->isActive() ? 1 : 0;
    }
    EXPECT_GE(waiting, 4);
    logic.stop();
}

// A taken ring is logged hidden once: the zones flown through after it hide it again unlogged, the
// open water too, whose condition shows all rings before the held ones are hidden again.
TEST_F(DemoLookTest, TakenRingIsLoggedHiddenOnce)
{
    const LogCapture log;
    LookLogic& logic = world->logic();
    logic.start();
    Level& shallows = *world->levels()[0];
    double now = 100.0;
    for (const char* zone : {"Ring", "Lighthouse", "Open water", "Shore", "Open water"}) {
        logic.teleport(finch::Transform{zoneNamed(shallows, zone).position()});
        now += 1.0 / 30.0;
        m_clock.frame(now);
        logic.update();
    }
    ASSERT_EQ(world->ringCounter()->count(), 1u);
    EXPECT_EQ(log.count("hide "), 1);
    EXPECT_EQ(log.count("hide /objects/RING-Zone.lighthouse$0\n"), 1);
    logic.stop();
}

TEST_F(DemoLookTest, DemoSequencersPlayABassLineForAMinute)
{
    for (const auto& level : world->levels()) {
        SCOPED_TRACE(level->name.c_str());
        Motor& motor = level->motor;
        EXPECT_TRUE(motor.enable);
        EXPECT_FALSE(motor.isSilent());
        motor.setTempo(motor.currentPattern().minBpm);
        std::int16_t first = 0;
        motor.read(1, &first);
        motor.loadSample();
        EXPECT_GT(loudest(motor, 60), 3000);
    }
}

// The music grows as rings are collected: every number of rings held has a bass line of its own,
// with more notes than the one before, on the same sample.
TEST_F(DemoLookTest, DemoSequencersHaveALineForEveryRingCountThatGrowsWithIt)
{
    for (const auto& level : world->levels()) {
        const Motor& motor = level->motor;
        std::size_t notesBefore = 0;
        for (std::size_t rings = 0; rings < Motor::patternCount; ++rings) {
            SCOPED_TRACE(std::string(level->name.c_str()) + ", rings " + std::to_string(rings));
            const Motor::Pattern& pattern = motor.patterns[rings];
            const auto notes = static_cast<std::size_t>(
                std::count_if(pattern.notes.begin(), pattern.notes.end(), [](std::int32_t note) { return note != Motor::rest; }));
            EXPECT_GT(notes, notesBefore);
            EXPECT_EQ(pattern.sampleFile, motor.patterns[0].sampleFile);
            EXPECT_GE(pattern.maxBpm, motor.patterns[rings == 0 ? 0 : rings - 1].maxBpm);
            notesBefore = notes;
        }
    }
}

TEST_F(DemoLookTest, DemoLighthouseSongPlaysItsPhrases)
{
    Song& song = zoneNamed(*world->levels()[0], "Lighthouse").song1;
    ASSERT_FALSE(song.isSingleLoop());
    MusicPlayer::MusicSource source(song);
    EXPECT_GT(loudest(source, 30), 1000);
}

TEST_F(DemoLookTest, DemoRockPileThrowsRocksAtItsRate)
{
    Zone& pile = zoneNamed(*world->levels()[0], "Rock pile");
    ASSERT_TRUE(pile.projectile.give);
    ASSERT_NE(pile.projectile.object, nullptr);
    EXPECT_EQ(pile.projectile.object->name(), heron_string("/objects/pebble$0"));
    EXPECT_TRUE(zoneNamed(*world->levels()[0], "Open water").projectile.take);
    // A stone, thrown from the eye, that hides little of the view as it leaves.
    ASSERT_NE(pile.projectile.object->instance(), nullptr);
    EXPECT_LT(pile.projectile.object->instance()->instance()->box().radius() * pile.projectile.scale, 0.2);

    pelican::PelicanDB& database = *world->database();
    dropRocks(&database);
    finch::Transform thrower;
    thrower.position = finch::Vector3d(38, 0, 20);
    EXPECT_TRUE(launchRock(database, pile.projectile, &pile, thrower, 5.0, 100.0));
    EXPECT_FALSE(launchRock(database, pile.projectile, &pile, thrower, 5.0, 100.2));
    ASSERT_EQ(rockList().size(), 1u);
    const Rock& rock = *rockList().rocks().front();
    ASSERT_NE(rock.instance(), nullptr);
    ASSERT_NE(database.rocksGroup(), nullptr);
    EXPECT_NEAR(rock.velocity().length(), 20.0, 1e-9);
    EXPECT_EQ(database.rocksGroup()->childCount(), 1);

    flyRocks(database, 100.0 + pile.projectile.lifespan, 0.01);
    EXPECT_EQ(rockList().size(), 0u);
    EXPECT_EQ(database.rocksGroup()->childCount(), 0);
}

TEST_F(DemoLookTest, StartingToLookTakesAwayTheRocksThrownBefore)
{
    Zone& pile = zoneNamed(*world->levels()[0], "Rock pile");
    pelican::PelicanDB& database = *world->database();
    dropRocks(&database);
    finch::Transform thrower;
    thrower.position = finch::Vector3d(38, 0, 20);
    ASSERT_TRUE(launchRock(database, pile.projectile, &pile, thrower, 5.0, 100.0));
    world->logic().start();
    EXPECT_EQ(rockList().size(), 0u);
    EXPECT_EQ(database.rocksGroup()->childCount(), 0);
    world->logic().stop();
}

TEST_F(DemoLookTest, DemoBigRockIsSeizedAtThePileAndFlown)
{
    LookLogic& logic = world->logic();
    logic.start();
    Zone& pile = zoneNamed(*world->levels()[0], "Rock pile");
    ASSERT_NE(pile.object, nullptr);
    EXPECT_EQ(pile.object->name(), heron_string("/objects/rock$0"));
    logic.teleport(finch::Transform{finch::Vector3d(38, 6, 4)});
    m_clock.frame(100.1);
    logic.update();
    ASSERT_EQ(logic.carriedObject(), pile.object);
    const finch::Vector3d start = objectPosition(*pile.object);
    kestrel::Event press(kestrel::Event::LeftPress);
    press.leftButton = 1;
    logic.flight()->handleEvent(press);
    for (double now = 100.2; now < 102.05; now += 0.1) {
        m_clock.frame(now);
        logic.update();
    }
    EXPECT_GT((objectPosition(*pile.object) - start).length(), 1.0);
    kestrel::Event enter(kestrel::Event::Key);
    enter.key = kestrel::keycodes::enter;
    logic.flight()->handleEvent(enter);
    EXPECT_EQ(logic.carriedObject(), nullptr);
    logic.stop();
}

// A pebble thrown while the big rock is carried leaves from the top of the rock's bounds, clear
// of the rock and above it, where the player following behind the rock sees it go.
TEST_F(DemoLookTest, PebblesThrownWhileTheBigRockIsCarriedStartAboveIt)
{
    LookLogic& logic = world->logic();
    logic.start();
    Zone& pile = zoneNamed(*world->levels()[0], "Rock pile");
    logic.teleport(finch::Transform{finch::Vector3d(38, 6, 4)});
    m_clock.frame(100.1);
    logic.update();
    ASSERT_EQ(logic.carriedObject(), pile.object);
    ASSERT_EQ(logic.projectileZone(), &pile);
    dropRocks(world->database());
    kestrel::Event space(kestrel::Event::Key);
    space.key = ' ';
    logic.flight()->handleEvent(space);
    ASSERT_EQ(rockList().size(), 1u);
    const double pebbleRadius = pile.projectile.object->instance()->instance()->box().radius() * pile.projectile.scale;
    const double rockRadius = pile.object->boundingBox().radius();
    const finch::Vector3d away = rockList().rocks().front()->position() - objectPosition(*pile.object);
    EXPECT_GE(away.length(), rockRadius + pebbleRadius - 1e-9);
    EXPECT_GE(away.z, rockRadius);
    logic.stop();
}

TEST_F(DemoLookTest, ThePlayerCannotDiveThroughTheSeabed)
{
    // Open sand four below the water, far from the islands, straight below the player at full speed.
    LookLogic& logic = world->logic();
    logic.start();
    finch::Transform diving{finch::Vector3d(70, -40, -2)};
    diving.pitch = -89.0;
    logic.teleport(diving);
    kestrel::Event press(kestrel::Event::LeftPress);
    press.leftButton = 1;
    logic.flight()->handleEvent(press);
    double lowest = 0.0;
    for (double now = 100.1; now < 104.05; now += 0.1) {
        m_clock.frame(now);
        logic.update();
        lowest = std::min(lowest, logic.flight()->transform().position.z);
    }
    EXPECT_GT(lowest, -4.0);
    EXPECT_LT(lowest, -2.5) << "the player did not dive";
    logic.stop();
}

TEST_F(DemoLookTest, DemoThrowsACollectedRingWithR)
{
    LookLogic& logic = world->logic();
    logic.start();
    dropRocks(world->database());
    kestrel::Event r(kestrel::Event::Key);
    r.key = 'r';
    logic.flight()->handleEvent(r);
    EXPECT_EQ(rockList().size(), 0u);
    Zone& ring = zoneNamed(*world->levels()[0], "Ring");
    // The ring counter reaches its target with the one ring; where it leads does not matter here.
    static_cast<void>(world->ringCounter()->add(&ring, 0));
    logic.flight()->handleEvent(r);
    ASSERT_EQ(rockList().size(), 1u);
    EXPECT_GT(rockList().rocks().front()->velocity().length(), 0.0);
    logic.stop();
}

// With the console's collect-all switch on, r throws the world's ring though none was collected.
TEST_F(DemoLookTest, DemoThrowsTheWorldsRingWithRWhenCollectingAll)
{
    LookLogic& logic = world->logic();
    logic.start();
    dropRocks(world->database());
    Look::collectAll = true;
    kestrel::Event r(kestrel::Event::Key);
    r.key = 'r';
    logic.flight()->handleEvent(r);
    Look::collectAll = false;
    ASSERT_EQ(rockList().size(), 1u);
    EXPECT_EQ(rockList().rocks().front()->instance()->instance(), world->database()->ringObject());
    logic.stop();
}

TEST_F(DemoLookTest, DemoGlidersAreAvatarsThePlayerTakesByComingNear)
{
    const AvatarSlots& slots = world->avatars();
    std::vector<std::string> names;
    for (const auto& slot : slots) {
        names.emplace_back(slot->name().c_str());
        EXPECT_TRUE(slot->isGravatar()) << slot->name().c_str();
    }
    EXPECT_EQ(names, (std::vector<std::string>{"/objects/redglider$0", "/objects/yellowglider$0", "/objects/greenglider$0",
                                               "/objects/violetglider$0"}));
    ASSERT_EQ(slots.size(), 4u);

    // Two units behind the green glider, the network tick hands it to the player.
    world->network().setServing(false);
    LookLogic& logic = world->logic();
    logic.start();
    AvatarSlot& green = slots[2];
    logic.teleport(finch::Transform{objectPosition(green.object()) - finch::Vector3d(0, 2, 0)});
    m_clock.frame(100.1);
    logic.update();
    EXPECT_EQ(logic.heldAvatar(), &green);
    EXPECT_FALSE(green.isAvailable());
    logic.stop();
}
