// The demo world played over loopback as two players play it: each world runs its whole frame
// (flight, game logic and network tick), the server's player flies a glider, and the client sees
// it fly.
#include "game/DemoNetFixture.h"

#include "game/OverlayConsole.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace
{

using DemoGliderTest = DemoNetTest;

}

// Both players reach the green glider in the same frame: the server's player holds it, the
// client is told to let it go, and then sees it fly where the server's player flies it.
TEST_F(DemoGliderTest, GliderFlownByTheServersPlayerFliesOnTheClient)
{
    AvatarSlot& flown = server->avatars()[2];
    AvatarSlot& seen = client->avatars()[2];
    const finch::Vector3d home = objectPosition(flown.object());
    comeUpTo(*server, flown);
    comeUpTo(*client, seen);
    frame();
    ASSERT_EQ(server->logic().heldAvatar(), &flown);
    // The client has not yet heard that the glider is taken.
    ASSERT_EQ(client->logic().heldAvatar(), &seen);
    // Banked to the right and level again, the glider heads out to sea, away from the shore.
    steer(kestrel::Event::LeftPress, 200);
    playFor(2.0);
    steer(kestrel::Event::MouseMove, -200);
    playFor(2.0);
    steer(kestrel::Event::MouseMove, 0);
    ASSERT_TRUE(until([&] { return (objectPosition(flown.object()) - home).length() > 100.0; }));
    EXPECT_EQ(client->logic().heldAvatar(), nullptr);
    EXPECT_FALSE(seen.isAvailable());
    EXPECT_TRUE(seen.isVisible());
    // After a second of the server's path noted, for three seconds more the client shows the
    // glider where the server's player had it less than a second before: the replay waits half a
    // second beyond the ping.
    std::deque<finch::Vector3d> flownPath;
    for (int i = 0; i < 240; ++i) {
        frame();
        flownPath.push_back(objectPosition(flown.object()));
        if (flownPath.size() > 60) {
            flownPath.pop_front();
        }
        if (i < 60) {
            continue;
        }
        const finch::Vector3d shown = objectPosition(seen.object());
        const auto nearest = std::min_element(flownPath.begin(), flownPath.end(), [&](const auto& a, const auto& b) {
            return (a - shown).length() < (b - shown).length();
        });
        ASSERT_LT((*nearest - shown).length(), 2.0) << "frame " << i;
    }
}

// The server quits while its player flies a glider away and the client's player flies another:
// the client says once, in the system colour, that the connection closed; the server's glider is
// back home where the client's player can take it, and the client's own stays in its hands.
TEST_F(DemoGliderTest, GlidersGoHomeWhenTheServerLeaves)
{
    AvatarSlot& flown = server->avatars()[2];
    AvatarSlot& seen = client->avatars()[2];
    AvatarSlot& mine = client->avatars()[0];
    const finch::Vector3d home = objectPosition(seen.object());
    const finch::Vector3d mineHome = objectPosition(mine.object());
    comeUpTo(*server, flown);
    comeUpTo(*client, mine);
    frame();
    ASSERT_EQ(server->logic().heldAvatar(), &flown);
    ASSERT_EQ(client->logic().heldAvatar(), &mine);
    server->logic().teleport(finch::Transform{home + finch::Vector3d(0, 40, 10)});
    client->logic().teleport(finch::Transform{mineHome + finch::Vector3d(0, -40, 10)});
    ASSERT_TRUE(until([&] { return (objectPosition(seen.object()) - home).length() > 30.0; }));
    ASSERT_FALSE(seen.isAvailable());
    OverlayConsole::reset();
    server->network().setServing(false);
    bool connecting = false;
    ASSERT_TRUE(until([&] { return !client->network().isConnectedClient(connecting); }));
    playFor(1.0);
    const char* const closed = "The connection to the server closed";
    EXPECT_STREQ(OverlayConsole::line(0).text.c_str(), closed);
    EXPECT_EQ(OverlayConsole::line(0).colours, std::vector<std::uint32_t>(strlen(closed), OverlayConsole::systemColour));
    EXPECT_STREQ(OverlayConsole::line(1).text.c_str(), "");
    EXPECT_LT((objectPosition(seen.object()) - home).length(), 1e-6);
    EXPECT_TRUE(seen.isVisible());
    EXPECT_EQ(client->logic().heldAvatar(), &mine);
    EXPECT_GT((objectPosition(mine.object()) - mineHome).length(), 30.0);
    client->dropHeldAvatar();
    comeUpTo(*client, seen);
    frame();
    EXPECT_EQ(client->logic().heldAvatar(), &seen);
}
