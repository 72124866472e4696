#include "game/FlightFixture.h"

#include "content/world/PelicanObject.h"
#include "game/flight/CarriedObject.h"
#include "game/Level.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "support/CollisionScenes.h"
#include "support/WorldBuilders.h"

#include <cmath>

namespace
{

using finch::Vector3d;
using kestrel::Event;

// A content object outside any database showing a cube of side 2 about its origin.
class Boat
{
public:
    explicit Boat(const Vector3d& at)
    {
        std::unique_ptr<finch::Branch> root =
            collisionscene::geometry("hull", collisionscene::box(Vector3d(-1, -1, -1), Vector3d(1, 1, 1),
                                                                 collisionscene::Facing::Outward));
        shape->setRoot(root);
        shape->clean();
        auto placed = std::make_unique<finch::InstanceBranch>();
        placed->setInstance(shape.get());
        finch::Matrix start;
        start.setTranslation(at);
        placed->setMatrix(start);
        worldtest::add(wrapper, std::move(placed));
        object = std::make_unique<pelican::PelicanObject>(nullptr, &wrapper);
    }

    Vector3d position() const { return object->transform().getTransform().position; }

    std::unique_ptr<finch::Object> shape = std::make_unique<finch::Object>();
    finch::SwitchBranch wrapper;
    std::unique_ptr<pelican::PelicanObject> object;
};

// The open sea with a zone "Boat" of radius 6 around a boat 20 ahead of the player.
class CarriedObjectTest : public LookFlyTest
{
protected:
    // The world goes before the boat its zones point at.
    void TearDown() override
    {
        LookFlyTest::TearDown();
        m_world = heron::counted_ptr<Look>();
    }

    LookFly& startWithBoat(const std::string& settings, const std::string& otherZones = "")
    {
        LookFly& fly = start(openSeaWith(R"(    Zone "Boat" {
        radius 6
        seizeObject 1
        playerSize2 1
)" + settings + "    }\n" + otherZones));
        Zone& zone = zoneNamed(*m_world->currentLevel(), "Boat");
        zone.isCenteredOnObject = true;
        zone.object = m_boat.object.get();
        return fly;
    }

    // Puts the player inside the boat's zone; the next frame seizes the boat.
    void boardBoat(LookFly& fly)
    {
        fly.teleport(finch::Transform{Vector3d(1000, 16, 0)});
        flyUntil(m_now + 0.1);
        ASSERT_EQ(m_world->logic().carriedObject(), m_boat.object.get());
    }

    void pressKey(LookFly& fly, int code)
    {
        Event key(Event::Key);
        key.key = code;
        fly.handleEvent(key);
    }

    // Where the boat is seen from the player's eye.
    Vector3d boatInView()
    {
        finch::Matrix inverse;
        m_world->camera().camera().getInverse(inverse);
        Vector3d seen;
        inverse.transformPoint(seen, m_boat.position());
        return seen;
    }

    Boat m_boat{Vector3d(1000, 20, 0)};
};

}

TEST_F(CarriedObjectTest, SeizedBoatFliesAheadWithThePlayerBehind)
{
    LookFly& fly = startWithBoat("");
    boardBoat(fly);
    EXPECT_EQ(m_boat.object->branchValue(), 1);
    press(fly, Event::LeftPress, true, false);
    flyUntil(m_now + 4.0);
    EXPECT_GT(m_boat.position().y, 60.0);
    EXPECT_NEAR(m_boat.position().x, 1000.0, 1e-6);
    // Braking stops the boat; the player closes up to the zone's radius behind it.
    press(fly, Event::LeftRelease, false, false);
    press(fly, Event::RightPress, false, true);
    flyUntil(m_now + 2.0);
    EXPECT_EQ(fly.speed(), 0.0);
    const Vector3d behind = m_boat.position() - fly.transform().position;
    EXPECT_NEAR(behind.length(), 6.0, 0.5);
    EXPECT_GT(behind.y, 5.0);
    EXPECT_NEAR(fly.transform().heading, 0.0, 1e-6);
}

TEST_F(CarriedObjectTest, EnterParksOnlyWhereTheZoneAllows)
{
    struct Case
    {
        const char* settings;
        bool parked;
    };
    const Case cases[] = {{"canBeParked 1\n", true}, {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        LookFly& fly = startWithBoat(c.settings);
        boardBoat(fly);
        press(fly, Event::LeftPress, true, false);
        flyUntil(m_now + 2.0);
        press(fly, Event::LeftRelease, false, false);
        const Vector3d left = m_boat.position();
        pressKey(fly, kestrel::keycodes::enter);
        EXPECT_EQ(m_world->logic().carriedObject() == nullptr, c.parked);
        m_world->logic().endSeize();
        const Vector3d expected = c.parked ? left : Vector3d(1000, 20, 0);
        EXPECT_NEAR((m_boat.position() - expected).length(), 0.0, 1e-9);
        EXPECT_EQ(m_boat.object->branchValue(), 0);
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
        m_boat.object->resetTransform();
    }
}

TEST_F(CarriedObjectTest, BoatCarriedInViewGlidesToItsPlaceThenStaysThere)
{
    LookFly& fly = startWithBoat("seize2d 1\nverticalOffset 1\n");
    boardBoat(fly);
    const double seized = m_now;
    // The glide eases from the boat's place, 4 ahead, to 6 ahead and 1 below, in 2 s.
    const struct
    {
        double after;
        Vector3d seen;
    } cases[] = {{1.0, Vector3d(0, 5, -0.5)}, {2.0, Vector3d(0, 6, -1)}, {3.0, Vector3d(0, 6, -1)}};
    for (const auto& c : cases) {
        flyUntil(seized + c.after);
        EXPECT_NEAR((boatInView() - c.seen).length(), 0.0, 1e-6) << c.after;
    }
    fly.handleEvent(mouse(Event::MouseMove, width / 2 + 200, height / 2 + 100, true, false));
    flyUntil(m_now + 2.0);
    EXPECT_GT(std::fabs(fly.transform().heading - 0.0), 1.0);
    EXPECT_NEAR((boatInView() - Vector3d(0, 6, -1)).length(), 0.0, 1e-6);
}

TEST(PlaceCarriedTest, GlideStartsWhereTheObjectIsSeenFromTheTurnedView)
{
    finch::Matrix camera;
    camera.setTransform(finch::Transform{Vector3d(50, 0, 0), 0.0, 0.0, 90.0});
    finch::Matrix object;
    // 10 ahead of the camera, which looks along -x.
    object.setTranslation(Vector3d(40, 0, 0));
    CarryRecord carry;
    carry.start = 7.0;
    carry.justStarted = true;
    carry.offset = Vector3d(0, 4, 0);
    const double times[] = {7.0, 9.0};
    const Vector3d expected[] = {Vector3d(40, 0, 0), Vector3d(46, 0, 0)};
    for (int i = 0; i < 2; ++i) {
        const finch::Matrix placed = placeCarried(carry, object, camera, times[i]);
        EXPECT_NEAR((placed.getTransform().position - expected[i]).length(), 0.0, 1e-9) << times[i];
    }
    EXPECT_FALSE(carry.easing);
}

TEST_F(CarriedObjectTest, ThrowLeavesFromTheSeizedBoat)
{
    LookFly& fly = startWithBoat("");
    boardBoat(fly);
    dropRocks(m_world->database());
    Projectile projectile;
    ASSERT_TRUE(fly.launch(projectile, nullptr, m_boat.shape.get()));
    ASSERT_EQ(rockList().size(), 1u);
    const Rock& rock = *rockList().rocks().back();
    // On top of the boat's bounds, clear of the boat.
    const double above = m_boat.object->boundingBox().radius() + m_boat.shape->box().radius() * projectile.scale;
    EXPECT_NEAR((rock.position() - (m_boat.position() + Vector3d(0, 0, above))).length(), 0.0, 1e-9);
    EXPECT_NEAR(rock.velocity().y, projectile.speed, 1e-6);
    dropRocks(m_world->database());
}

TEST_F(CarriedObjectTest, LevelChangeTakesTheSeizedBoatAlong)
{
    const bool teleports[] = {false, true};
    for (const bool teleport : teleports) {
        SCOPED_TRACE(teleport);
        LookFly& fly = start(openSeaWith(R"(    Zone "Boat" {
        radius 6
        seizeObject 1
    }
}
Level "Harbour" {
    entryXYZ 2000 0 0
    entryHPR 90 0 0
    teleport )" + std::string(teleport ? "1" : "0") + R"(
    Zone "Dock" {
        radius 6
        seizeObject 1
    }
)"));
        for (const char* name : {"Boat", "Dock"}) {
            Zone& zone = zoneNamed(*m_world->levels()[name[0] == 'B' ? 0 : 1], name);
            zone.isCenteredOnObject = true;
            zone.object = m_boat.object.get();
        }
        boardBoat(fly);
        const Vector3d seen = boatInView();
        Level& harbour = *m_world->levels()[1];
        m_world->changeLevel(&harbour, &m_world->logic());
        EXPECT_EQ(m_world->logic().carriedObject(), m_boat.object.get());
        EXPECT_EQ(m_world->logic().seizeState().zone, &zoneNamed(harbour, "Dock"));
        EXPECT_NEAR((boatInView() - seen).length(), 0.0, 1e-9);
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
        m_boat.object->resetTransform();
    }
}

TEST_F(CarriedObjectTest, HidingTheSeizedBoatPutsItDown)
{
    LookFly& fly = startWithBoat("");
    boardBoat(fly);
    Zone& boat = zoneNamed(*m_world->currentLevel(), "Boat");
    boat.trigger.visibility[m_boat.object.get()] = false;
    boat.trigger.applyVisibility(*m_world);
    EXPECT_EQ(m_world->logic().carriedObject(), nullptr);
    EXPECT_EQ(m_boat.object->branchValue(), 0);
}

TEST_F(CarriedObjectTest, FlownBoatStrikesTheBallAhead)
{
    LookFly& fly = startWithBoat("", R"(    Zone "Ball" {
        radius 1
        isBall 1
    }
)");
    Boat ball(Vector3d(1000, 28, 0));
    Zone& zone = zoneNamed(*m_world->currentLevel(), "Ball");
    zone.object = ball.object.get();
    boardBoat(fly);
    press(fly, Event::LeftPress, true, false);
    flyUntil(m_now + 1.0);
    EXPECT_GT(zone.velocity.y, 1.0);
    EXPECT_GT(ball.position().y, 28.0);
    // The world goes before the ball its zone points at.
    m_world->logic().stop();
    m_world = heron::counted_ptr<Look>();
}

TEST_F(CarriedObjectTest, SteeredBoatStartsFromACrawlAndBanksIntoItsTurns)
{
    struct Case
    {
        const char* settings;
        double firstSpeed;
        bool banks;
    };
    // Top speed 50: free flight gains 37.5 a second; a steered boat starts at 0.4 and gains twice
    // its speed a second.
    const Case cases[] = {{"", 3.75, false}, {"aeroplaneFly 1\n", 0.48, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        LookFly& fly = startWithBoat(c.settings);
        boardBoat(fly);
        fly.handleEvent(mouse(Event::LeftPress, width / 2 + 200, height / 2, true, false));
        flyUntil(m_now + 0.1);
        EXPECT_NEAR(fly.speed(), c.firstSpeed, 1e-9);
        flyUntil(m_now + 1.0);
        const finch::Transform boat = m_boat.object->transform().getTransform();
        EXPECT_EQ(std::fabs(boat.roll) > 1.0, c.banks);
        EXPECT_GT(std::fabs(wrapHeading(boat.heading + 180.0) - 180.0), 1.0);
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
        m_boat.object->resetTransform();
    }
}
