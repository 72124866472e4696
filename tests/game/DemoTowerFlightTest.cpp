// The lighthouse's tower flown at head on, level, as a player meets it.
#include "game/DemoFlightFixture.h"

#include "game/Zone.h"

#include <algorithm>
#include <cmath>

// Heading for the tower's axis, square to one of its walls or a few hundredths of a degree off,
// the player is held at the wall with the left button held, and shows no speed.
TEST_F(DemoFlightTest, PlayerHeadOnAtTheTowerShowsNoSpeed)
{
    LookFly::gravityOn = false;
    const finch::Vector3d axis = zoneNamed(*m_world->currentLevel(), "Lighthouse").position();
    // The octagonal tower's walls face out every 45 degrees from 22.5; this one faces south-west.
    const double wall = 247.5 * finch::degreesToRadians;
    for (const double off : {0.0, 0.02, -0.03}) {
        SCOPED_TRACE(off);
        finch::Transform start{axis + finch::Vector3d(std::cos(wall), std::sin(wall), 0.0) * 12.0};
        start.heading = wall * finch::radiansToDegrees + 90.0 + off;
        m_world->logic().teleport(start);
        mouse(kestrel::Event::LeftPress, 0, 0, true, false);
        for (int i = 0; i < 180; ++i) {
            frame();
        }
        mouse(kestrel::Event::LeftRelease, 0, 0, false, false);
        const finch::Vector3d across = flight().transform().position - axis;
        EXPECT_LT(std::hypot(across.x, across.y), 5.0);
        EXPECT_LT(flight().speed(), 0.1);
    }
}

// Pinned head on at the tower's wall while gravity pulls it down the wall, or a few tenths of a
// degree off head on and crawling along the wall's face, the player shows no more speed than it
// flies along the way it looks (to within a hundredth), in every frame.
TEST_F(DemoFlightTest, PlayerAtTheTowerShowsNoMoreSpeedThanItFliesAhead)
{
    const struct
    {
        bool gravity;
        double off;
    } cases[] = {{true, 0.0}, {false, 0.1}, {false, -0.2}, {false, 0.3}};
    const finch::Vector3d axis = zoneNamed(*m_world->currentLevel(), "Lighthouse").position();
    const double wall = 247.5 * finch::degreesToRadians;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.off);
        LookFly::gravityOn = c.gravity;
        // Out from the wall that faces south-west, high enough to slide down it for a few seconds.
        finch::Transform start{axis + finch::Vector3d(std::cos(wall), std::sin(wall), 0.6) * 11.0};
        start.heading = wall * finch::radiansToDegrees + 90.0 + c.off;
        m_world->logic().teleport(start);
        mouse(kestrel::Event::LeftPress, 0, 0, true, false);
        int fasterShown = 0;
        for (int i = 0; i < 240; ++i) {
            const finch::Transform before = flight().transform();
            frame();
            const double ahead = finch::dot(flight().transform().position - before.position, before.forward());
            fasterShown += flight().speed() > 1.01 * std::max(ahead / frameTime, 0.0) + 1e-6;
        }
        EXPECT_EQ(fasterShown, 0);
        mouse(kestrel::Event::LeftRelease, 0, 0, false, false);
    }
}
