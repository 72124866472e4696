// The demo world's rings flown into low from below and from the side with the left button held, as
// a player meets them: the player takes the ring or gets past it, and never hangs at a ring while
// the speed it shows is more than it flies.
#include "game/DemoFlightFixture.h"

#include "content/world/PelicanObject.h"
#include "game/Counter.h"
#include "game/Zone.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{

using finch::Vector3d;

class DemoRingFlightTest : public DemoFlightTest
{
protected:
    // Where the player starts, relative to the ring's centre, and where it looks.
    struct Approach
    {
        const char* what;
        Vector3d offset;
        double pitch;
        double heading;
    };

    // Flies the approach for four seconds, checking every frame that the player moves at a tenth of
    // the speed shown at least; true when the ring was taken (it is then given back, so that the
    // counter never leads on to the reef).
    bool flyInto(Zone& ring, const Approach& approach)
    {
        finch::Transform start{ring.position() + approach.offset};
        start.pitch = approach.pitch;
        start.heading = approach.heading;
        m_world->logic().teleport(start);
        Counter& rings = *m_world->ringCounter();
        const std::size_t held = rings.count();
        mouse(kestrel::Event::LeftPress, 0, 0, true, false);
        for (double t = 0.0; t < 4.0; t += frameTime) {
            const Vector3d before = flight().transform().position;
            frame();
            const Vector3d now = flight().transform().position;
            const double flown = (now - before).length() / frameTime;
            EXPECT_GE(flown, 0.1 * std::fabs(flight().speed()))
                << "after " << t << " s at " << now.x << " " << now.y << " " << now.z;
        }
        mouse(kestrel::Event::LeftRelease, 0, 0, false, false);
        if (rings.count() == held) {
            return false;
        }
        rings.removeLast();
        return true;
    }

    // The zones of the five rings.
    std::vector<Zone*> ringZones() const
    {
        std::vector<Zone*> rings;
        for (const auto& zone : m_world->levels()[0]->zones()) {
            if (zone->trigger.incCounter && zone->trigger.counterToInc == 0) {
                rings.push_back(zone.get());
            }
        }
        return rings;
    }

    // Puts the player in the ring and plays on until the ring counter holds one more.
    bool take(Zone& ring)
    {
        const Counter& counter = *m_world->ringCounter();
        const std::size_t held = counter.count();
        m_world->logic().teleport(finch::Transform{ring.position()});
        return within10s([&] { return counter.count() > held; });
    }
};

}

TEST_F(DemoRingFlightTest, APlayerFlyingIntoARingTakesItOrGetsPastIt)
{
    // Low under the ring, just before it, climbing: off its middle, where the band curves up, and
    // under its middle; and low beside it, flying level at its rim.
    const Approach approaches[] = {
        {"from below", Vector3d(1.5, -0.5, -4.0), 29.0, 0.0},
        {"from below its middle", Vector3d(0.0, -0.5, -4.0), 29.0, 0.0},
        {"from the side", Vector3d(-10.0, 0.0, -4.0), 0.0, 270.0},
    };
    int rings = 0;
    for (const auto& zone : m_world->levels()[0]->zones()) {
        if (!zone->trigger.incCounter || zone->trigger.counterToInc != 0) {
            continue;
        }
        ++rings;
        for (const Approach& approach : approaches) {
            SCOPED_TRACE(std::string(zone->name.c_str()) + " " + approach.what);
            const bool taken = flyInto(*zone, approach);
            finch::Transform level;
            level.heading = approach.heading;
            const double past = finch::dot(flight().transform().position - zone->position(), level.forward());
            EXPECT_TRUE(taken || past > zone->radius) << "stopped " << past << " along the way from the ring";
        }
    }
    EXPECT_EQ(rings, 5);
}

// F1 starts a fresh game, also in the open water where the game starts, which it applies at once
// and enters anew on the next frame: the rings taken before it are back in their places, and taking
// all five again leads on to the reef.
TEST_F(DemoRingFlightTest, ResetGameGivesTheTakenRingsBackForAFreshGame)
{
    const std::vector<Zone*> rings = ringZones();
    ASSERT_EQ(rings.size(), 5u);
    ASSERT_TRUE(take(*rings[0]));
    ASSERT_TRUE(take(*rings[1]));
    Level& shallows = *m_world->currentLevel();
    m_world->logic().teleport(shallows.entryView);
    ASSERT_TRUE(within10s([&] { return m_world->logic().currentZone() == &zoneNamed(shallows, "Open water"); }));
    ASSERT_FALSE(rings[0]->object->isActive());

    key(kestrel::keycodes::f1);
    frame();
    EXPECT_EQ(m_world->ringCounter()->count(), 0u);
    for (const Zone* ring : rings) {
        EXPECT_TRUE(ring->object->isActive()) << ring->name.c_str();
    }
    for (Zone* ring : rings) {
        ASSERT_TRUE(take(*ring)) << ring->name.c_str();
    }
    EXPECT_EQ(m_world->currentLevel(), m_world->levelNamed("Glass Reef"));
}

// The reef shares the shallows' world, rings and all, but has no rings to take. Flown into through
// the tide gate with no ring taken, it shows none of them, and the player flies on level where the
// gate ring hangs in the shallows; back through the reef's edge, the rings are in their places.
TEST_F(DemoRingFlightTest, ReefShowsNoRingOfTheShallows)
{
    const std::vector<Zone*> rings = ringZones();
    Level& shallows = *m_world->currentLevel();
    Level& reef = *m_world->levelNamed("Glass Reef");
    LookLogic& logic = m_world->logic();
    logic.teleport(finch::Transform{zoneNamed(shallows, "Tide gate").position()});
    ASSERT_TRUE(within10s([&] { return m_world->currentLevel() == &reef; }));
    frame();
    for (const Zone* ring : rings) {
        EXPECT_FALSE(ring->object->isActive()) << ring->name.c_str();
    }

    LookFly::gravityOn = false;
    const Vector3d gate = zoneNamed(shallows, "Gate ring").position();
    logic.teleport(finch::Transform{gate - Vector3d(0, 10, 0)});
    mouse(kestrel::Event::LeftPress, 0, 0, true, false);
    EXPECT_TRUE(within10s([&] { return flight().transform().position.y > gate.y + 4.0; }));
    mouse(kestrel::Event::LeftRelease, 0, 0, false, false);

    logic.teleport(finch::Transform{zoneNamed(reef, "Reef edge").position()});
    ASSERT_TRUE(within10s([&] { return m_world->currentLevel() == &shallows; }));
    for (const Zone* ring : rings) {
        EXPECT_TRUE(ring->object->isActive()) << ring->name.c_str();
    }
}
