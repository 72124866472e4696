#include "game/AvatarObjects.h"
#include "game/FlightFixture.h"

#include "game/Act.h"
#include "game/net/AvatarSlot.h"
#include "game/Level.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "scene/graph/Object.h"
#include "support/CollisionScenes.h"

#include <cmath>

namespace
{

using finch::Vector3d;

// On the open sea: the avatars "Ann" (10 ahead of the player) and "Bob", a crate to seize and a
// zone with an act; the harbour, entered by teleport, has the pen.
const std::string avatarSea = "Data {\n    counter \"rings\" {\n        isRing 1\n    }\n}\n" + openSeaWith(R"(
    Zone "Ann" {
        isAnAvatar 1
        isAGravatar 1
        radius 4
    }
    Zone "Bob" {
        isAnAvatar 1
        isAGravatar 1
        radius 4
    }
    Zone "Crate" {
        center 800 0 0
        seizeObject 1
    }
    Zone "Play" {
        center 900 0 0
        act {
            enable 1
            growAtBeginning 0
            actionAtEnd 0
        }
    }
}
Level "Harbour" {
    entryXYZ 2000 0 0
    entryHPR 90 0 0
    teleport 1
    Zone "Pen" {
        isGravatarPen 1
        center 2000 50 0
        radius 6
    }
)");

const Vector3d annHome(1000, 10, 0);

class HeldAvatarTest : public LookFlyTest
{
public:
    HeldAvatarTest()
    {
        worldtest::add(m_animations, std::make_unique<finch::InstanceBranch>());
        m_shown.setAnimationSwitch(&m_animations);
        std::unique_ptr<finch::Branch> root = collisionscene::geometry(
            "cube", collisionscene::box(Vector3d(-1, -1, -1), Vector3d(1, 1, 1), collisionscene::Facing::Outward));
        m_cube.setRoot(root);
        m_cube.clean();
    }

    LookFly& startAtSea()
    {
        finch::Matrix at;
        at.setTranslation(annHome);
        m_avatars.objects[0]->setTransform(at);
        m_world = read(avatarSea);
        zoneNamed(sea(), "Ann").object = m_avatars.objects[0];
        zoneNamed(sea(), "Bob").object = m_avatars.objects[1];
        // Any object that is shown will do for the crate.
        zoneNamed(sea(), "Crate").object = m_avatars.objects[1];
        Act& act = zoneNamed(sea(), "Play").act;
        act.object = &m_shown;
        act.stage(0).cycleTime = 2.0;
        m_world->avatars().buildAvatarSlots(*m_world);
        m_world->logic().start(&m_window);
        m_world->logic().reset();
        return *m_world->logic().flight();
    }
    Level& sea() { return *m_world->levels()[0]; }
    AvatarSlot& ann() { return m_world->avatars()[0]; }
    LookLogic& logic() { return m_world->logic(); }
    void startAct()
    {
        Act* holding = nullptr;
        logic().startAct(zoneNamed(sea(), "Play"), holding);
    }

protected:
    void TearDown() override
    {
        LookFlyTest::TearDown();
        m_world = heron::counted_ptr<Look>();
        for (pelican::PelicanObject* object : m_avatars.objects) {
            object->instance()->setInstance(nullptr);
        }
    }
    void placePlayer(LookFly& fly, const Vector3d& where)
    {
        fly.teleport(finch::Transform{where});
        flyUntil(m_now + 0.1);
    }
    Vector3d inView(const pelican::PelicanObject& object)
    {
        finch::Matrix inverse;
        m_world->camera().camera().getInverse(inverse);
        Vector3d seen;
        inverse.transformPoint(seen, objectPosition(object));
        return seen;
    }

    AvatarObjects m_avatars;
    // A cube of side 2: its bounds reach sqrt(3) from its centre.
    finch::Object m_cube;
    finch::SwitchBranch m_shownWrapper;
    finch::SwitchBranch m_animations;
    pelican::PelicanObject m_shown{nullptr, &m_shownWrapper};
};

}

TEST_F(HeldAvatarTest, TakingAnAvatarIsRefusedWhileThePlayerIsBusy)
{
    const struct
    {
        const char* what;
        void (*busy)(HeldAvatarTest& test);
        bool taken;
    } cases[] = {
        {"free", [](HeldAvatarTest&) {}, true},
        {"an object seized", [](HeldAvatarTest& t) { t.logic().seize(zoneNamed(t.sea(), "Crate")); }, false},
        {"an act playing", [](HeldAvatarTest& t) { t.startAct(); }, false},
        {"not looking", [](HeldAvatarTest& t) { t.logic().stop(); }, false},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        startAtSea();
        each.busy(*this);
        EXPECT_EQ(logic().holdAvatar(&ann()), each.taken);
        EXPECT_EQ(logic().heldAvatar(), each.taken ? &ann() : nullptr);
        logic().stop();
    }
}

TEST_F(HeldAvatarTest, AvatarLetGoIsOutOfReachUntilThePlayerLeavesIt)
{
    LookFly& fly = startAtSea();
    placePlayer(fly, annHome - Vector3d(0, 2, 0));
    ASSERT_EQ(logic().heldAvatar(), &ann());
    fly.letGo();
    EXPECT_EQ(logic().heldAvatar(), nullptr);
    const Vector3d left = objectPosition(ann().object());
    // Within twice its radius neither walking into it nor asking takes it; it stays in sight where
    // it was let go.
    placePlayer(fly, left - Vector3d(0, 7, 0));
    EXPECT_FALSE(logic().holdAvatar(&ann()));
    EXPECT_TRUE(ann().isVisible());
    EXPECT_EQ(objectPosition(ann().object()), left);
    // Nearer than another avatar within reach, it leaves that one to be taken.
    AvatarSlot& bob = m_world->avatars()[1];
    finch::Matrix byAnn;
    byAnn.setTranslation(left + Vector3d(3, 0, 0));
    bob.object().setTransform(byAnn);
    placePlayer(fly, left + Vector3d(1, -1, 0));
    EXPECT_EQ(logic().heldAvatar(), &bob);
    fly.letGo();
    placePlayer(fly, left - Vector3d(0, 9, 0));
    placePlayer(fly, left - Vector3d(0, 2, 0));
    EXPECT_EQ(logic().heldAvatar(), &ann());
}

TEST_F(HeldAvatarTest, ObjectPutDownWhileHoldingStaysWhereItWasLeft)
{
    for (const bool holding : {false, true}) {
        SCOPED_TRACE(holding ? "held" : "none");
        startAtSea();
        if (holding) {
            ASSERT_TRUE(logic().holdAvatar(&ann()));
        }
        Zone& crate = zoneNamed(sea(), "Crate");
        crate.isCenteredOnObject = true;
        pelican::PelicanObject& object = *crate.object;
        logic().seize(crate);
        finch::Matrix moved = object.transform();
        moved.translate(Vector3d(0, 30, 0));
        object.setTransform(moved);
        const Vector3d left = objectPosition(object);
        logic().endSeize();
        // Otherwise it goes back to its start.
        EXPECT_EQ((objectPosition(object) - left).length() < 1e-9, holding);
        logic().stop();
        object.resetTransform();
    }
}

TEST_F(HeldAvatarTest, HeldAvatarIsFlownAheadOfThePlayer)
{
    LookFly& fly = startAtSea();
    ASSERT_TRUE(logic().holdAvatar(&ann()));
    press(fly, kestrel::Event::LeftPress, true, false);
    flyUntil(m_now + 4.0);
    press(fly, kestrel::Event::LeftRelease, false, false);
    press(fly, kestrel::Event::RightPress, false, true);
    flyUntil(m_now + 2.0);
    // Stopped, the player closes up to the avatar's radius behind it.
    const Vector3d behind = objectPosition(ann().object()) - fly.transform().position;
    EXPECT_GT(objectPosition(ann().object()).y, annHome.y + 20.0);
    EXPECT_NEAR(behind.length(), ann().radius(), 0.5);
    EXPECT_GT(behind.y, 3.0);
}

TEST_F(HeldAvatarTest, HeldAvatarFindsTheZoneItFliesIn)
{
    LookFly& fly = startAtSea();
    Zone& play = zoneNamed(sea(), "Play");
    play.radius = 3.0;
    placePlayer(fly, play.position() - Vector3d(0, 30, 0));
    ASSERT_TRUE(logic().holdAvatar(&ann()));
    // The player stays out of the zone; the avatar it holds is flown into it.
    finch::Matrix inside;
    inside.setTranslation(play.position());
    ann().object().setTransform(inside);
    flyUntil(m_now + 0.1);
    EXPECT_EQ(currentZoneValue(), &play);
}

TEST_F(HeldAvatarTest, HeldAvatarHidesWhileAnActPlaysAndReturnsAheadOfTheView)
{
    LookFly& fly = startAtSea();
    ASSERT_TRUE(logic().holdAvatar(&ann()));
    startAct();
    flyUntil(m_now + 0.1);
    EXPECT_FALSE(ann().isVisible());
    fly.teleport(finch::Transform{Vector3d(1100, 0, 0)});
    zoneNamed(sea(), "Play").act.end();
    flyUntil(m_now + 0.1);
    ASSERT_TRUE(logic().playingActs().empty());
    EXPECT_TRUE(ann().isVisible());
    EXPECT_NEAR((inView(ann().object()) - Vector3d(0, ann().radius(), 0)).length(), 0.0, 1e-9);
}

TEST_F(HeldAvatarTest, BankingAvatarBackFromAnActFliesTheWayItNowFaces)
{
    LookFly& fly = startAtSea();
    zoneNamed(sea(), "Ann").aeroplaneFly = true;
    ASSERT_TRUE(logic().holdAvatar(&ann()));
    flyUntil(m_now + 0.1);
    startAct();
    flyUntil(m_now + 0.1);
    // While the act hid it the player turned to face along -x; it comes back ahead of the view.
    fly.teleport(finch::Transform{Vector3d(1100, 0, 0), 0.0, 0.0, 90.0});
    zoneNamed(sea(), "Play").act.end();
    flyUntil(m_now + 0.1);
    ASSERT_TRUE(ann().isVisible());
    const Vector3d back = objectPosition(ann().object());
    press(fly, kestrel::Event::LeftPress, true, false);
    flyUntil(m_now + 2.0);
    const Vector3d moved = objectPosition(ann().object()) - back;
    EXPECT_LT(moved.x, -1.0);
    EXPECT_NEAR(moved.y, 0.0, 1e-6);
    EXPECT_NEAR(ann().object().transform().getTransform().heading, 90.0, 1e-6);
}

TEST_F(HeldAvatarTest, HeldAvatarFollowsThePlayerToAnotherLevel)
{
    // Hidden while an act plays, it goes along all the same.
    for (const bool busy : {false, true}) {
        SCOPED_TRACE(busy ? "busy" : "free");
        startAtSea();
        ASSERT_TRUE(logic().holdAvatar(&ann()));
        if (busy) {
            startAct();
            flyUntil(m_now + 0.1);
        }
        const Vector3d seen = inView(ann().object());
        Level& harbour = *m_world->levels()[1];
        m_world->changeLevel(&harbour, &logic());
        EXPECT_NEAR((inView(ann().object()) - seen).length(), 0.0, 1e-9);
        flyUntil(m_now + 0.1);
        EXPECT_EQ(ann().level(), &harbour);
        EXPECT_EQ(ann().isVisible(), !busy);
        EXPECT_EQ(m_world->avatars()[1].level(), &sea());
        logic().stop();
    }
}

TEST_F(HeldAvatarTest, PenSetsItsAvatarsOutInARing)
{
    startAtSea();
    logic().arrangePen();
    Level& harbour = *m_world->levels()[1];
    EXPECT_EQ(m_world->currentLevel(), &harbour);
    // The first waits outside the pen at twice its radius, the others inside at a third of that.
    const Vector3d centre(2000, 50, 0.2 * 6);
    const Vector3d expected[] = {centre + Vector3d(12, 0, 0), centre + Vector3d(-4, 0, 0)};
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR((objectPosition(m_world->avatars()[i].object()) - expected[i]).length(), 0.0, 1e-9) << i;
        EXPECT_EQ(m_world->avatars()[i].level(), &harbour) << i;
    }
}

TEST_F(HeldAvatarTest, ThrowLeavesFromJustAheadOfTheHeldAvatar)
{
    m_avatars.objects[0]->instance()->setInstance(&m_cube);
    LookFly& fly = startAtSea();
    ASSERT_TRUE(logic().holdAvatar(&ann()));
    dropRocks(m_world->database());
    ASSERT_TRUE(fly.launch(Projectile(), nullptr, &m_cube));
    ASSERT_EQ(rockList().size(), 1u);
    const Vector3d ahead = annHome + Vector3d(0, 0.5 * std::sqrt(3.0), 0);
    EXPECT_NEAR((rockList().rocks().back()->position() - ahead).length(), 0.0, 1e-9);
    dropRocks(m_world->database());
}

TEST_F(HeldAvatarTest, CollectedRockIsAQuarterOfTheHeldAvatarsSize)
{
    // The collected ring is a cube as big as Ann: thrown from her it leaves at a quarter of the speed.
    for (const bool holding : {false, true}) {
        SCOPED_TRACE(holding ? "held" : "none");
        for (pelican::PelicanObject* object : m_avatars.objects) {
            object->instance()->setInstance(&m_cube);
        }
        LookFly& fly = startAtSea();
        if (holding) {
            ASSERT_TRUE(logic().holdAvatar(&ann()));
        }
        dropRocks(m_world->database());
        static_cast<void>(m_world->ringCounter()->add(&zoneNamed(sea(), "Crate"), 0));
        kestrel::Event r(kestrel::Event::Key);
        r.key = 'r';
        fly.handleEvent(r);
        ASSERT_EQ(rockList().size(), 1u);
        const double size = holding ? 0.25 * std::sqrt(3.0) : std::sqrt(3.0);
        // The speed is kept in single precision.
        EXPECT_NEAR(rockList().rocks().back()->velocity().length(), 20.0 * size, 1e-5);
        dropRocks(m_world->database());
        logic().stop();
    }
}

TEST_F(HeldAvatarTest, NearClipStopsShortOfWhatThePlayerTakesAlong)
{
    // A big player: its own near clip (about 0.43 of its size) lies beyond the avatar's radius 4.
    // The crate is the cube, 6 ahead of the eye: its bounds begin sqrt(3) nearer.
    const struct
    {
        const char* what;
        bool holdAnn;
        bool seizeCrate;
        double near;
    } cases[] = {{"nothing", false, false, 0.0}, {"the held avatar", true, false, 4.0},
                 {"the seized crate", false, true, 6.0 - std::sqrt(3.0)}};
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        startAtSea();
        Zone big;
        big.playerSize2 = 20.0f;
        logic().applyZoneAtOnce(big);
        finch::Viewer& camera = m_world->camera();
        logic().applyEnvironment(camera);
        const double own = camera.nearDistance();
        ASSERT_GT(own, 8.0);
        if (each.holdAnn) {
            ASSERT_TRUE(logic().holdAvatar(&ann()));
        }
        if (each.seizeCrate) {
            Zone& crate = zoneNamed(sea(), "Crate");
            crate.object->instance()->setInstance(&m_cube);
            Vector3d ahead;
            camera.camera().transformPoint(ahead, Vector3d(0, 6, 0));
            finch::Matrix at;
            at.setTranslation(ahead);
            crate.object->setTransform(at);
            logic().seize(crate);
            ASSERT_EQ(logic().carriedObject(), crate.object);
        }
        logic().applyEnvironment(camera);
        EXPECT_NEAR(camera.nearDistance(), each.near > 0.0 ? each.near : own, 1e-6);
        logic().stop();
    }
}
