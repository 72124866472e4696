#include "support/DisplayWait.h"
#include "support/TempFolder.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <vector>

namespace
{

void reportUnderContinuousIntegration()
{
    const ScopedEnv ci("CI", "true");
    reportMissingDisplay("no OpenGL display: x11 not available");
}

}

TEST(DisplayWait, ADisplayNotThereYetIsTriedAgainAfterEachPauseUpToTheBound)
{
    std::vector<int> pauses;
    const auto pause = [&](int retry) { pauses.push_back(retry); };
    int tries = 0;
    EXPECT_TRUE(tryForDisplay([&] { return ++tries == 3; }, pause, displayTries));
    EXPECT_EQ(tries, 3);
    EXPECT_EQ(pauses, (std::vector<int>{1, 2}));
    tries = 0;
    EXPECT_FALSE(tryForDisplay([&] { return ++tries < 0; }, pause, displayTries));
    EXPECT_EQ(tries, displayTries);
}

TEST(DisplayWait, UnderContinuousIntegrationAMissingDisplayFailsTheTestInsteadOfSkippingIt)
{
    EXPECT_FATAL_FAILURE(reportUnderContinuousIntegration(), "no OpenGL display: x11 not available");
}
