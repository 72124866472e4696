#include "game/net/ChatRelay.h"

#include <gtest/gtest.h>

#include <array>

// Lines pass as they come while a second's lines stay within the whole; past it, each sender its
// part: quiet talkers leave room for a long line, loud ones cannot silence a short one, and a crowd
// passes no more than twice the whole.
TEST(ChatRelay, PastTheWholeEachSenderHasItsPart)
{
    ChatRelay relay(32768, 256);
    std::array<int, 300> senders{};
    const int ann = 0;
    for (int second = 0; second < 3; ++second) {
        for (int i = 0; i < 40; ++i) {
            EXPECT_TRUE(relay.allow(&senders[std::size_t(i)], 23, second));
        }
        EXPECT_TRUE(relay.allow(&ann, 943, second + 0.5)) << second;
    }
    for (int second = 10; second < 13; ++second) {
        const bool loudFill = relay.allow(&senders[0], 18000, second) && relay.allow(&senders[1], 14768, second);
        EXPECT_TRUE(loudFill) << second;
        // From the second after the first, the loud one's part is a third of the whole.
        EXPECT_EQ(relay.allow(&senders[0], 6000, second + 0.1), second == 10) << second;
        EXPECT_TRUE(relay.allow(&ann, 20, second + 0.5)) << second;
    }
    int passed = 0;
    for (int i = 0; i < 300; ++i) {
        passed += relay.allow(&senders[std::size_t(i)], 1000, 20.0) ? 1 : 0;
    }
    EXPECT_LE(passed * 1000, 2 * 32768);
}

// Past the whole, a sender keeps its least part however many spoke the second before: after a
// crowd of 256 head names, a client's 128 lines a second still leave a newcomer its line.
TEST(ChatRelay, PastTheWholeEverySenderKeepsItsLeastPart)
{
    ChatRelay relay(128, 256);
    for (ChatRelay::Sender sender = 0; sender < 300; ++sender) {
        static_cast<void>(relay.allow(sender, 1, 0.0));
    }
    for (ChatRelay::Sender sender = 0; sender < 128; ++sender) {
        ASSERT_TRUE(relay.allow(sender, 1, 1.0));
    }
    EXPECT_TRUE(relay.allow(ChatRelay::Sender(1000), 1, 1.5));
}
