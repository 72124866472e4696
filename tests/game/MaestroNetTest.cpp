#include "game/NetworkPlayFixture.h"

#include "game/FlashMessage.h"
#include "net/PlayerNames.h"

#include <cmath>

namespace
{

using namespace networkplay;

// The two avatars are the gliders of a pen at x = 200 on "Sea".
class PenPlayTest : public NetworkPlayTest
{
protected:
    PenPlayTest() : NetworkPlayTest(penWorld(), {"ann", "bob"}) {}

    static std::string penWorld()
    {
        std::string text = avatarWorld;
        for (const std::string avatar : {"Zone \"Ann\" {", "Zone \"Bob\" {"}) {
            text.insert(text.find(avatar) + avatar.size(), "\n        isAGravatar 1");
        }
        const std::string pen = "    Zone \"Pen\" {\n        isGravatarPen 1\n        center 200 0 0\n        radius 10\n    }\n";
        return text.insert(text.find("}\nLevel \"Sky\""), pen);
    }

    // The player comes up to the glider where it sees it and takes it, flies it to x at once and
    // lets go; the server sees it rest there.
    void carry(Look& player, std::size_t glider, double x)
    {
        placeEye(player, positionOf(slot(player, glider)));
        ASSERT_TRUE(until([&] { return player.logic().heldAvatar() != nullptr && !slot(*server, glider).isAvailable(); }));
        placeEye(player, faraway);
        finch::Matrix there;
        there.setTranslation({x, 0.0, 0.0});
        slot(player, glider).object().setTransform(there);
        ticks(5);
        player.dropHeldAvatar();
        player.logic().updateHeldAvatar();
        ASSERT_TRUE(until([&] { return std::abs(positionOf(slot(*server, glider)).x - x) < 1e-3; }));
    }

    static heron_string flashOf(const Look& world) { return world.flash() != nullptr ? world.flash()->text() : heron_string(); }
};

// The server alone names the Maestro, from its own view: the player who brought the last glider
// into the pen, once, on every screen, the Maestro's and its own; not a player who claims it, not
// one who joins while the pen is full, not the server's player whose own view of the pen fills.
TEST_F(PenPlayTest, OnlyTheServerNamesWhoBroughtTheLastGliderIn)
{
    const LogCapture log;
    carry(*client[1], 1, 201.0);
    carry(*client[0], 0, 199.0);
    ticks(200);
    client[1]->network().broadcastMessage(maestroLine("Bob"));
    ScriptedPeer eve(server->network().listeningPort(), 0x7f000002);
    heron::MemoryDataDest out;
    PacketWriter().writeIdentity(out, "Eve", red);
    PacketWriter().writeMessage(out, maestroLine("Eve"));
    ASSERT_TRUE(eve.send(out));
    for (int i = 0; i < 3100; ++i) {
        server->logic().update();
        tick();
    }
    EXPECT_EQ(log.count("Flash \"%%Ann is the Maestro!\""), 3);
    EXPECT_EQ(log.count("Flash \"%%"), 3);
}

// One Maestro for each filling of the pen, and one a minute at most on the whole server, the
// server's own player as any other.
TEST_F(PenPlayTest, AMaestroIsNamedOnceAMinuteAtMost)
{
    carry(*client[1], 1, 201.0);
    carry(*client[0], 0, 199.0);
    ASSERT_TRUE(until([&] { return flashOf(*client[0]) == "Ann is the Maestro!"; }));
    ticks(200);
    carry(*client[1], 0, 100.0);
    carry(*client[1], 0, 199.0);
    ticks(200);
    EXPECT_EQ(flashOf(*client[0]), "Ann is the Maestro!");
    carry(*client[1], 0, 100.0);
    ticks(3000);
    carry(*server, 0, 199.0);
    EXPECT_TRUE(until([&] { return flashOf(*client[0]) == "Sam is the Maestro!"; }));
}

}
