#include "game/FlightFixture.h"

#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Level.h"
#include "game/Zone.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "support/CollisionScenes.h"
#include "support/LogCapture.h"
#include "support/WorldBuilders.h"

namespace
{

using finch::Vector3d;

const Vector3d crateHome(1000, 20, 0);

// The open sea with a crate (a cube of side 2) 20 ahead of the player; the zone "Crate" of radius
// 6 is centred on it and seizes it.
class SeizeRulesTest : public LookFlyTest
{
protected:
    SeizeRulesTest()
    {
        std::unique_ptr<finch::Branch> root = collisionscene::geometry(
            "crate", collisionscene::box(Vector3d(-1, -1, -1), Vector3d(1, 1, 1), collisionscene::Facing::Outward));
        m_shape.setRoot(root);
        m_shape.clean();
        finch::Matrix home;
        home.setTranslation(crateHome);
        worldtest::add(m_wrapper, collisionscene::instance("crate", m_shape, home));
        m_crate = std::make_unique<pelican::PelicanObject>(nullptr, &m_wrapper);
    }

    // The world goes before the crate its zone points at.
    void TearDown() override
    {
        LookFlyTest::TearDown();
        m_world = heron::counted_ptr<Look>();
    }

    LookFly& startWithCrate(const std::string& settings, const std::string& otherZones = "")
    {
        LookFly& fly = start(openSeaWith("    Zone \"Crate\" {\n        radius 6\n        seizeObject 1\n" + settings +
                                         "    }\n" + otherZones));
        Zone& zone = zoneNamed(*m_world->currentLevel(), "Crate");
        zone.isCenteredOnObject = true;
        zone.object = m_crate.get();
        return fly;
    }

    // The player's eye goes to y on the line through the crate, for one frame.
    void eyeAt(LookFly& fly, double y)
    {
        fly.teleport(finch::Transform{Vector3d(1000, y, 0)});
        flyUntil(m_now + 0.1);
    }

    // The world's scene becomes one slab across the player's way at y = 40 that is left out of
    // the collisions while something is carried.
    void wallAcrossTheWay()
    {
        auto root = std::make_unique<finch::GroupBranch>();
        worldtest::add(*root, collisionscene::geometry("wall", collisionscene::box(Vector3d(900, 40, -100),
                                                                                  Vector3d(1100, 42, 100),
                                                                                  collisionscene::Facing::Outward)))
            ->setCollisionMode(finch::Branch::leftOutInMode3);
        auto scene = std::make_unique<finch::Object>();
        scene->setName("scene");
        std::unique_ptr<finch::Branch> holder(root.release());
        scene->setRoot(holder);
        heron::counted_ptr<pelican::PelicanDB> database(new pelican::PelicanDB());
        database->addObject(scene);
        database->clean();
        m_world->setDatabase(database);
    }

    Vector3d cratePosition() const { return m_crate->transform().getTransform().position; }

    finch::Object m_shape;
    finch::SwitchBranch m_wrapper;
    std::unique_ptr<pelican::PelicanObject> m_crate;
};

}

TEST_F(SeizeRulesTest, GameResetPutsTheSeizedCrateDown)
{
    LookFly& fly = startWithCrate("");
    eyeAt(fly, 16);
    ASSERT_EQ(m_world->logic().carriedObject(), m_crate.get());
    press(fly, kestrel::Event::LeftPress, true, false);
    flyUntil(m_now + 1.0);
    ASSERT_GT(cratePosition().y, crateHome.y + 1.0);
    m_world->logic().reset();
    EXPECT_EQ(m_world->logic().carriedObject(), nullptr);
    // Its collisions are back and it is at home again.
    EXPECT_EQ(m_crate->branchValue(), 0);
    EXPECT_NEAR((cratePosition() - crateHome).length(), 0.0, 1e-9);
}

TEST_F(SeizeRulesTest, ParkedCrateIsSeizedAgainOnlyAfterThePlayerWentWellAway)
{
    struct Case
    {
        // How far from the crate the player went, in the zone's radii.
        double away;
        bool seizedAgain;
    };
    const Case cases[] = {{1.1, false}, {1.3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.away);
        LookFly& fly = startWithCrate("canBeParked 1\n");
        eyeAt(fly, 16);
        ASSERT_EQ(m_world->logic().carriedObject(), m_crate.get());
        kestrel::Event enter(kestrel::Event::Key);
        enter.key = kestrel::keycodes::enter;
        fly.handleEvent(enter);
        ASSERT_EQ(m_world->logic().carriedObject(), nullptr);
        eyeAt(fly, crateHome.y - c.away * 6.0);
        eyeAt(fly, 16);
        EXPECT_EQ(m_world->logic().carriedObject() == m_crate.get(), c.seizedAgain);
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
        m_crate->resetTransform();
    }
}

TEST_F(SeizeRulesTest, TargetZoneOfTheCarriedCrateIsEnteredOnce)
{
    LookFly& fly = startWithCrate("", R"(    Zone "Dock" {
        center 1000 20 0
        radius 3
        isATarget 1
    }
)");
    LogCapture log;
    eyeAt(fly, 16);
    ASSERT_EQ(m_world->logic().carriedObject(), m_crate.get());
    flyUntil(m_now + 1.0);
    EXPECT_EQ(log.count("entering zone Dock"), 1);
}

TEST_F(SeizeRulesTest, WallLeftOutWhileCarryingLetsOnlyTheCarrierThrough)
{
    struct Case
    {
        bool carrying;
        bool through;
    };
    const Case cases[] = {{true, true}, {false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.carrying);
        LookFly& fly = startWithCrate("");
        wallAcrossTheWay();
        if (!c.carrying) {
            zoneNamed(*m_world->currentLevel(), "Crate").object = nullptr;
        }
        eyeAt(fly, 16);
        ASSERT_EQ(m_world->logic().carriedObject() != nullptr, c.carrying);
        press(fly, kestrel::Event::LeftPress, true, false);
        flyUntil(m_now + 4.0);
        EXPECT_EQ(fly.transform().position.y > 42.0, c.through) << fly.transform().position.y;
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
        m_crate->resetTransform();
    }
}
