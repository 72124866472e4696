// The demo world played over loopback as two players play it: each world runs its whole frame
// (flight, game logic and network tick), the server's player flies a glider, and the client sees
// it fly.
#include "game/DemoNetFixture.h"

#include <algorithm>
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
