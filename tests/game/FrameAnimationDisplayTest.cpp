// The reef's school of glass fish as a player entering the reef sees it: the fish swim through
// the frames read beside their model as the scene clock runs.
#include "game/GameDisplayTest.h"
#include "game/GameLoopSteps.h"
#include "game/GameWindow.h"
#include "game/Level.h"
#include "game/Look.h"
#include "support/ManualSceneClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace datafiletest;

namespace
{

constexpr int width = 128;
constexpr int height = 96;
// The fish swim a cycle of 2.4 seconds (the models' control file); start is a whole number of
// cycles.
constexpr double cycleSeconds = 2.4;
constexpr double start = 40 * cycleSeconds;

class FrameAnimationDisplayTest : public GameDisplayTest
{
};

// The fish's warm glass, against the reef's green fog, its blue water and its night sky.
bool isFish(std::uint32_t pixel)
{
    const int red = (pixel >> 16) & 0xFF;
    const int blue = pixel & 0xFF;
    return red > blue + 0x40 && red > 0x60;
}

// The reef's entry view, drawn once at each of the times. The clock is moved only here: the loop's
// own ticks find no time passed, so the player stays at the entry.
std::vector<kestrel::Image> reefFrames(const std::vector<double>& times)
{
    // The reef's fog and sky take a few seconds to come in.
    ManualSceneClock clock(start - 10 * cycleSeconds);
    std::vector<kestrel::Image> images;
    int passes = 0;
    gameloop::WhilePlaying grab([&](GameWindow& window) {
        Look* const world = currentLook();
        if (world == nullptr) {
            return;
        }
        if (++passes == 1) {
            world->changeLevel(world->levelNamed("Glass Reef"), &world->logic());
        }
        if (passes == 2) {
            clock.frame(start);
        }
        if (passes < 4) {
            return;
        }
        clock.frame(times[images.size()]);
        kestrel::Image image(width, height);
        EXPECT_TRUE(kestrel::renderToImage(image, window));
        images.push_back(image);
        if (images.size() == times.size()) {
            gameloop::quit(window);
        }
    });
    GameWindow window(kestrel::ScreenMode(), heron::FilePath(AURELLE_DEMO_WORLD));
    return images;
}

// How many pixels of a frame pass the test, given the pixel's column and row.
template <class Test>
int countPixels(const Test& test)
{
    int count = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            count += test(x, y) ? 1 : 0;
        }
    }
    return count;
}

int fishPixels(const kestrel::Image& image)
{
    return countPixels([&](int x, int y) { return isFish(*image.pixelAt(x, y)); });
}

// Pixels that show a fish in one image and none in the other.
int movedFishPixels(const kestrel::Image& a, const kestrel::Image& b)
{
    return countPixels([&](int x, int y) { return isFish(*a.pixelAt(x, y)) != isFish(*b.pixelAt(x, y)); });
}

}

TEST_F(FrameAnimationDisplayTest, TheReefsFishSwimAsTheClockRuns)
{
    // A quarter and three quarters through a cycle: every fish is at the other end of its swing.
    const std::vector<kestrel::Image> images = reefFrames({start + cycleSeconds * 0.25, start + cycleSeconds * 0.75});
    ASSERT_EQ(images.size(), 2u);
    EXPECT_GT(fishPixels(images[0]), 200);
    EXPECT_GT(fishPixels(images[1]), 200);
    EXPECT_GT(movedFishPixels(images[0], images[1]), 60);
}
