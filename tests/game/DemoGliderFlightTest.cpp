// A glider of the demo world taken on the way out from the start and flown with the mouse and the
// keys, frame by frame, as the game window hands them to the flight.
#include "game/DemoFlightFixture.h"

#include "content/world/PelicanObject.h"
#include "game/net/AvatarSlot.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace
{

using finch::Vector3d;

// Rounding, and the crawl a steered glider starts from.
constexpr double slack = 1e-6;

class DemoGliderFlightTest : public DemoFlightTest
{
protected:
    // Flies for the time given with the glider held, checking every frame that the glider goes
    // along its own forward axis at the speed the flight shows, never faster than the zones allow,
    // and that the player stays close behind it.
    void flyGlider(AvatarSlot& glider, double seconds)
    {
        for (double t = 0.0; t < seconds; t += frameTime) {
            const finch::Transform before = glider.object().transform().getTransform();
            // Above a zone's limit the flight slows down to it.
            const double limit =
                std::max(LookFly::speedSetting * m_world->logic().flySpeed(), std::fabs(flight().speed()));
            frame();
            ASSERT_EQ(m_world->logic().heldAvatar(), &glider);
            const double speed = flight().speed();
            ASSERT_LE(std::fabs(speed), limit + slack);
            const Vector3d forward = glider.object().transform().getTransform().forward();
            const Vector3d moved = objectPosition(glider.object()) - before.position;
            const Vector3d expected = forward * (speed * frameTime);
            ASSERT_LT((moved - expected).length(), 0.02 * std::fabs(speed) * frameTime + slack)
                << "at " << m_now << ": moved " << moved.length() / frameTime << " units/s at speed " << speed;
            ASSERT_LT((objectPosition(glider.object()) - flight().transform().position).length(),
                      3.0 * glider.zone().radius);
        }
    }

    // Straight out from the start the player runs into the gliders and takes one; null when not.
    AvatarSlot* takeAGliderAhead()
    {
        mouse(kestrel::Event::LeftPress, 0, 0, true, false);
        within10s([&] { return m_world->logic().heldAvatar() != nullptr; });
        mouse(kestrel::Event::LeftRelease, 0, 0, false, false);
        return m_world->logic().heldAvatar();
    }

    // A glider taken ahead, carried to the south of the big rock and flown level with the left
    // button held into the rock pile, which takes the rock along; the rock is then flown for two
    // seconds. Null when either fails.
    AvatarSlot* flyAGliderIntoTheRock()
    {
        LookFly::gravityOn = true;
        AvatarSlot* const taken = takeAGliderAhead();
        LookLogic& logic = m_world->logic();
        if (taken == nullptr) {
            return nullptr;
        }
        LookFly::gravityOn = false;
        logic.teleport(finch::Transform{zoneNamed(*m_world->currentLevel(), "Rock pile").position() + Vector3d(0, -20, 2)});
        mouse(kestrel::Event::LeftPress, 0, 0, true, false);
        const bool seized = within10s([&] { return logic.carriedObject() != nullptr; });
        for (int i = 0; i < 120; ++i) {
            frame();
        }
        mouse(kestrel::Event::LeftRelease, 0, 0, false, false);
        return seized && logic.heldAvatar() == taken ? taken : nullptr;
    }

    // A glider taken ahead, flown on level with the left button held until the player reaches the
    // shore and its act plays; null when either fails.
    AvatarSlot* flyAGliderToTheShore()
    {
        AvatarSlot* const taken = takeAGliderAhead();
        key('g');
        mouse(kestrel::Event::LeftPress, 0, 0, true, false);
        const bool reached = within10s([&] { return !m_world->logic().playingActs().empty(); });
        return reached ? taken : nullptr;
    }
};

}

TEST_F(DemoGliderFlightTest, HeldGliderFliesWhereItIsSteeredAtTheSpeedShown)
{
    AvatarSlot* const taken = takeAGliderAhead();
    ASSERT_NE(taken, nullptr);
    AvatarSlot& glider = *taken;
    // Level flight: without gravity the glider's height changes only as it is steered.
    key('g');
    const double home = objectPosition(glider.object()).z;
    const double heading = glider.object().transform().getTransform().heading;
    // Banked to the right, then level again: the glider comes round to the right, away from the
    // shore (where an act would take it from the player).
    mouse(kestrel::Event::LeftPress, 200, 0, true, false);
    flyGlider(glider, 1.0);
    mouse(kestrel::Event::MouseMove, -200, 0, true, false);
    flyGlider(glider, 1.0);
    mouse(kestrel::Event::MouseMove, 0, 0, true, false);
    flyGlider(glider, 2.0);
    EXPECT_LT(wrapHeading(glider.object().transform().getTransform().heading - heading + 180.0) - 180.0, -10.0);
    EXPECT_NEAR(objectPosition(glider.object()).z, home, 0.01);
    // Released it coasts; the right button brakes it to a stop, where it stays.
    mouse(kestrel::Event::LeftRelease, 0, 0, false, false);
    flyGlider(glider, 1.0);
    EXPECT_GT(flight().speed(), 1.0);
    mouse(kestrel::Event::RightPress, 0, 0, false, true);
    flyGlider(glider, 1.0);
    mouse(kestrel::Event::RightRelease, 0, 0, false, false);
    EXPECT_EQ(flight().speed(), 0.0);
    const Vector3d stopped = objectPosition(glider.object());
    flyGlider(glider, 3.0);
    EXPECT_NEAR((objectPosition(glider.object()) - stopped).length(), 0.0, 1e-9);
    EXPECT_NEAR(stopped.z, home, 0.01);
    // With gravity the resting glider sinks, and never rises of itself.
    key('g');
    double lowest = stopped.z;
    for (int i = 0; i < 300; ++i) {
        frame();
        ASSERT_LE(objectPosition(glider.object()).z, lowest + slack) << "at " << m_now;
        lowest = objectPosition(glider.object()).z;
    }
    EXPECT_LT(lowest, stopped.z - 1.0);
}

// North of the gliders lies the shore, whose act raises the mooring post. While it plays, the held
// glider waits out of sight and no glider can be taken; once the post stands, the glider is back
// ahead of the player and flies on, and, let go, another glider can be taken.
TEST_F(DemoGliderFlightTest, ShoresActGivesTheHeldGliderBackWhenItEnds)
{
    AvatarSlot* const taken = flyAGliderToTheShore();
    ASSERT_NE(taken, nullptr);
    AvatarSlot& glider = *taken;
    LookLogic& logic = m_world->logic();
    EXPECT_EQ(logic.currentZone()->name, heron_string("Mooring post"));
    EXPECT_FALSE(glider.isVisible());

    ASSERT_TRUE(within10s([&] { return logic.playingActs().empty(); }));
    EXPECT_EQ(logic.heldAvatar(), &glider);
    EXPECT_TRUE(glider.isVisible());
    EXPECT_LT((objectPosition(glider.object()) - flight().transform().position).length(), 3.0 * glider.zone().radius);
    flyGlider(glider, 1.0);
    EXPECT_GT(flight().speed(), 1.0);

    mouse(kestrel::Event::LeftRelease, 0, 0, false, false);
    key(kestrel::keycodes::enter);
    EXPECT_EQ(logic.heldAvatar(), nullptr);
    AvatarSlot& another = m_world->avatars()[glider.index() == 3 ? 0 : 3];
    logic.teleport(finch::Transform{objectPosition(another.object()) - Vector3d(0, 2, 0)});
    EXPECT_TRUE(within10s([&] { return logic.heldAvatar() == &another; }));
}

// The post rises once each time the player enters the level: a player who comes back to the shore
// with a glider flies on with it.
TEST_F(DemoGliderFlightTest, ShoreLeavesTheHeldGliderToThePlayerOnLaterVisits)
{
    AvatarSlot* const taken = flyAGliderToTheShore();
    ASSERT_NE(taken, nullptr);
    AvatarSlot& glider = *taken;
    LookLogic& logic = m_world->logic();
    ASSERT_TRUE(within10s([&] { return logic.playingActs().empty(); }));

    // South of the shore, heading north into it.
    finch::Transform outside{Vector3d(-20, -100, 10)};
    int framesWithout = 0;
    const auto flyUntil = [&](const std::function<bool()>& condition) {
        for (int i = 0; i < 600 && !condition(); ++i) {
            frame();
            framesWithout += logic.heldAvatar() != &glider || !glider.isVisible() || !logic.playingActs().empty();
        }
        return condition();
    };
    const auto inShore = [&] { return logic.currentZone() != nullptr && logic.currentZone()->name == "Shore"; };
    for (int visit = 0; visit < 3; ++visit) {
        SCOPED_TRACE(visit);
        logic.teleport(outside);
        ASSERT_TRUE(flyUntil([&] { return !inShore(); }));
        ASSERT_TRUE(flyUntil(inShore));
        const double inside = m_now + 1.0;
        flyUntil([&] { return m_now > inside; });
    }
    EXPECT_EQ(framesWithout, 0);
    EXPECT_EQ(logic.heldAvatar(), &glider);
}

// A held glider flown into the rock pile waits out of sight while the player flies the big rock.
// Enter sets the rock down and Enter again lets the glider go, a frame apart or at once: the
// glider stays in sight where it was let go, in front of the player, while the player flies on
// through it.
TEST_F(DemoGliderFlightTest, GliderLetGoAfterTheRockStaysInSightWhereItWasLetGo)
{
    for (const int framesBetween : {5, 0}) {
        SCOPED_TRACE(framesBetween);
        AvatarSlot* const taken = flyAGliderIntoTheRock();
        ASSERT_NE(taken, nullptr);
        AvatarSlot& glider = *taken;
        key(kestrel::keycodes::enter);
        for (int i = 0; i < framesBetween; ++i) {
            frame();
        }
        key(kestrel::keycodes::enter);
        ASSERT_EQ(m_world->logic().heldAvatar(), nullptr);
        const Vector3d left = objectPosition(glider.object());
        EXPECT_LT((left - flight().transform().position).length(), 2.0 * glider.radius());
        mouse(kestrel::Event::LeftPress, 0, 0, true, false);
        for (int i = 0; i < 60; ++i) {
            frame();
            ASSERT_TRUE(glider.isVisible()) << "at " << m_now;
            ASSERT_EQ(objectPosition(glider.object()), left) << "at " << m_now;
        }
        mouse(kestrel::Event::LeftRelease, 0, 0, false, false);
        EXPECT_GT((flight().transform().position - left).length(), 2.0 * glider.radius());
        key(kestrel::keycodes::f1);
    }
}

// Pebbles thrown from the big rock while a held glider waits out of sight leave from the top of
// the rock, as they do without a glider.
TEST_F(DemoGliderFlightTest, PebblesThrownWhileFlyingTheRockWithAGliderHeldLeaveFromTheRock)
{
    ASSERT_NE(flyAGliderIntoTheRock(), nullptr);
    const pelican::PelicanObject& rock = *m_world->logic().carriedObject();
    key(' ');
    ASSERT_EQ(rockList().size(), 1u);
    const finch::BoundingBox& bounds = rock.boundingBox();
    EXPECT_LT((rockList().rocks().front()->position() - bounds.centre()).length(), 1.5 * bounds.radius());
}

// A held glider flown level at the lighthouse's tower, square to its axis, is held at the tower
// and shows no speed.
TEST_F(DemoGliderFlightTest, GliderHeadOnAtTheTowerShowsNoSpeed)
{
    AvatarSlot* const glider = takeAGliderAhead();
    ASSERT_NE(glider, nullptr);
    key('g');
    // Taken heading north, it meets the tower where two of its walls meet.
    const Vector3d axis = zoneNamed(*m_world->currentLevel(), "Lighthouse").position();
    const double aside = objectPosition(glider->object()).x - flight().transform().position.x;
    m_world->logic().teleport(finch::Transform{axis - Vector3d(aside, 20, 0)});
    mouse(kestrel::Event::LeftPress, 0, 0, true, false);
    for (int i = 0; i < 240; ++i) {
        frame();
    }
    const finch::BoundingBox& bounds = glider->object().boundingBox();
    const Vector3d across = bounds.centre() - axis;
    EXPECT_LT(std::hypot(across.x, across.y), 2.5 + bounds.radius() + 0.1);
    EXPECT_LT(flight().speed(), 0.1);
}

// Flown through the tide gate, a held glider comes out at the reef in front of the player, and
// glider and view face the way the reef is entered as they fly on.
TEST_F(DemoGliderFlightTest, GliderThroughTheTideGateFacesTheReefsEntry)
{
    AvatarSlot* const glider = takeAGliderAhead();
    ASSERT_NE(glider, nullptr);
    key('g');
    const Level* const reef = m_world->levelNamed("Glass Reef");
    const finch::Transform entry = reef->entryView;
    const Vector3d gate = zoneNamed(*m_world->currentLevel(), "Tide gate").position();
    m_world->logic().teleport(finch::Transform{gate - Vector3d(0, 30, 0)});
    mouse(kestrel::Event::LeftPress, 0, 0, true, false);
    ASSERT_TRUE(within10s([&] { return m_world->currentLevel() == reef; }));
    const auto turnedFromEntry = [&](double heading) { return wrapHeading(heading - entry.heading + 180.0) - 180.0; };
    for (int i = 0; i < 60; ++i) {
        frame();
        ASSERT_NEAR(turnedFromEntry(glider->object().transform().getTransform().heading), 0.0, 1.0) << "at frame " << i;
        ASSERT_NEAR(turnedFromEntry(m_world->camera().getTransform().heading), 0.0, 1.0) << "at frame " << i;
        const Vector3d ahead = objectPosition(glider->object()) - flight().transform().position;
        ASSERT_GT(finch::dot(ahead, entry.forward()), 0.0) << "at frame " << i;
    }
}
