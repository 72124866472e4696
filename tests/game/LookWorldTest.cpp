#include "game/FlightFixture.h"

#include "game/Level.h"
#include "game/Zone.h"

TEST_F(LookTest, LevelsWithoutDatabaseKeepTheirZonesAndEntryView)
{
    const auto world = read("Level \"Sea\" {\nentryXYZ 1000 0 0\nZone \"Open\" {\ncenter 1000 0 0\nradius 500\n}\n}\n");
    ASSERT_EQ(world->levels().size(), 1u);
    const Level& sea = *world->levels()[0];
    ASSERT_EQ(sea.zones().size(), 1u);
    EXPECT_EQ(sea.zones()[0]->name, heron_string("Open"));
    EXPECT_EQ(sea.entryView.position, finch::Vector3d(1000, 0, 0));
    EXPECT_EQ(world->camera().eye(), finch::Vector3d(1000, 0, 0));
}

TEST_F(LookTest, RingCounterAddedAfterALookUpIsTheRingCounter)
{
    const auto world = read("Data {\ncounter \"first\" {\nisRing 1\n}\n}\n");
    ASSERT_NE(world->ringCounter(), nullptr);
    // Enough counters to move the list in memory; the last one counts rings.
    for (int i = 0; i < 64; ++i) {
        world->addCounter("more");
    }
    world->addCounter("last")->isRing = true;
    EXPECT_EQ(world->ringCounter(), &world->counters().back());
}

TEST_F(LookFlyTest, FlightGoesOnFromALevelEntryItDidNotMake)
{
    LookFly& fly = start(openSea + "Level \"Harbour\" {\nentryXYZ 2000 0 0\nteleport 1\n}\n");
    flyUntil(m_now + 0.3);
    // The level change comes from outside the game's rules, which would carry the player along.
    m_world->changeLevel(m_world->levels()[1].get(), nullptr);
    flyUntil(m_now + 0.3);
    const finch::Vector3d entry(2000, 0, 0);
    EXPECT_NEAR((fly.transform().position - entry).length(), 0.0, 1e-9);
    EXPECT_NEAR((m_world->camera().eye() - entry).length(), 0.0, 1e-9);
}
