#include "game/NetworkPlayFixture.h"

#include "game/FlashMessage.h"

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

    // The server sees both gliders in the pen.
    void fillThePenOnTheServer()
    {
        for (std::size_t i = 0; i < 2; ++i) {
            finch::Matrix inside;
            inside.setTranslation({200.0 + double(i), 0.0, 0.0});
            slot(*server, i).object().setTransform(inside);
        }
    }

    static heron_string flashOf(const Look& world) { return world.flash() != nullptr ? world.flash()->text() : heron_string(); }
};

// A player's Maestro announcement reaches the others only when the server has seen the pen hold
// every glider lately (it waits a few seconds for the server to see it), once a minute at most.
TEST_F(PenPlayTest, AMaestroAnnouncementPassesOnlyWhenTheServerSawThePenFull)
{
    const LogCapture log;
    client[0]->network().announceMaestro();
    ticks(300);
    EXPECT_EQ(flashOf(*client[1]), " ");
    EXPECT_TRUE(log.contains("the pen has not held every glider here"));
    ticks(3000);
    client[0]->network().announceMaestro();
    ticks(100);
    fillThePenOnTheServer();
    ASSERT_TRUE(until([&] { return flashOf(*client[1]) == "Ann is the Maestro!"; }));
    EXPECT_EQ(flashOf(*server), "Ann is the Maestro!");
    client[1]->network().announceMaestro();
    ASSERT_TRUE(until([&] { return flashOf(*client[0]) == "Bob is the Maestro!"; }));
    client[1]->network().announceMaestro();
    ticks(200);
    EXPECT_TRUE(log.contains("Maestro announcements from 127.0.0.1:"));
    // A name longer than names travel is announced as the others know it.
    Look& bob = *client[1];
    const std::string carl = "Carl" + std::string(heron::limits::maxNetNameLength, 'l');
    bob.network().disconnect();
    bob.network().setIdentity({carl.c_str(), green});
    ASSERT_TRUE(bob.network().connectTo(heron::NetAddress(loopback::address, server->network().listeningPort())));
    const heron_string known = carl.substr(0, heron::limits::maxNetNameLength).c_str();
    ASSERT_TRUE(until([&] { return lastPlayer(*client[0]) == "  " + known; }));
    ticks(3000);
    bob.network().announceMaestro();
    EXPECT_TRUE(until([&] { return flashOf(*client[0]) == known + " is the Maestro!"; }));
}

}
