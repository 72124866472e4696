// The hex dumps of damaged packets: a peer sending junk cannot fill the log.
#include "net/Packets.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// A block of 0x5a bytes, each of which the dump writes as "5a ".
const std::vector<unsigned char> junk(1000, 0x5A);

}

TEST(HexDump, ADumpShowsAtMostItsCapOfBytes)
{
    const LogCapture log;
    logHexDump(junk);
    EXPECT_EQ(log.count("5a "), 256);
    EXPECT_EQ(log.count("\n"), 16);
}

TEST(HexDump, DumpsInQuickSuccessionAreThinnedOut)
{
    const LogCapture log;
    constexpr int dumps = 1000;
    for (int i = 0; i < dumps; ++i) {
        logHexDump(junk);
    }
    // A few a second get through: far fewer than were asked for, however slow the machine.
    const int shown = log.count("\n") / 16;
    EXPECT_GT(shown, 0);
    EXPECT_LT(shown, dumps / 10);
}
