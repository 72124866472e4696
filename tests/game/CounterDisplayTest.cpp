// The counter display over the demo world: the rings the player holds turn in the top right corner,
// and in a level of goals, while something is carried, the goal counters' icons show there instead.
#include "game/GameDisplayTest.h"
#include "game/GameLoopSteps.h"
#include "game/Counter.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/Zone.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

using namespace datafiletest;
using gameloop::quit;
using gameloop::WhilePlaying;

namespace
{

constexpr int width = 320;
constexpr int height = 240;

class CounterDisplayTest : public GameDisplayTest
{
};

using Change = std::function<void(Look&)>;

// Frames of the demo world (width x height, rows from the bottom) in one game window, one for each
// change: the change is made on a pass of the game loop and its frame grabbed two passes later,
// once the display has settled, before the next change is made.
std::vector<kestrel::Image> framesAfter(const std::vector<Change>& changes)
{
    constexpr int firstChangePass = 3;
    constexpr int passesPerChange = 2;
    std::vector<kestrel::Image> frames;
    int passes = 0;
    WhilePlaying grab([&](GameWindow& window) {
        const int pass = ++passes - firstChangePass;
        if (pass < 0 || pass % passesPerChange != 0) {
            return;
        }
        const auto next = static_cast<std::size_t>(pass / passesPerChange);
        if (next > 0) {
            frames.emplace_back(width, height);
            EXPECT_TRUE(kestrel::renderToImage(frames.back(), window));
        }
        if (next < changes.size()) {
            changes[next](*currentLook());
        } else {
            quit(window);
        }
    });
    GameWindow window(kestrel::ScreenMode(), heron::FilePath(AURELLE_DEMO_WORLD));
    return frames;
}

int red(std::uint32_t pixel) { return int((pixel >> 16) & 0xFF); }
int green(std::uint32_t pixel) { return int((pixel >> 8) & 0xFF); }
int blue(std::uint32_t pixel) { return int(pixel & 0xFF); }

// The ring's lit gold: red and green well above blue. The dusk sky at the top of the screen is far
// from it.
bool isGold(std::uint32_t pixel)
{
    return red(pixel) > blue(pixel) + 60 && green(pixel) > blue(pixel) + 30;
}

// The demo's glass and sand pictures, which the test's level takes as its counted and counter icons.
// The glass texture's pale blue and the sand's warm yellow, as the images hold them.
bool isGlass(std::uint32_t pixel)
{
    return blue(pixel) > red(pixel) + 24;
}

bool isSand(std::uint32_t pixel)
{
    return red(pixel) > blue(pixel) + 40 && green(pixel) > blue(pixel) + 20;
}

// How many pixels of the square of side pixels from (left, bottom) pass the test.
int pixelsIn(const kestrel::Image& image, int left, int bottom, int side, bool (*test)(std::uint32_t))
{
    int count = 0;
    for (int y = bottom; y < bottom + side; ++y) {
        for (int x = left; x < left + side; ++x) {
            count += test(*image.pixelAt(x, y)) ? 1 : 0;
        }
    }
    return count;
}

// The leftmost column with gold in the band of rows at the top of the screen where the rings turn;
// width when there is none.
int leftmostGoldAtTheTop(const kestrel::Image& image)
{
    constexpr int band = 24;
    for (int x = 0; x < width; ++x) {
        for (int y = height - band; y < height; ++y) {
            if (isGold(*image.pixelAt(x, y))) {
                return x;
            }
        }
    }
    return width;
}

// The gold pixels along the edges of the top right corner where the rings turn: the top row, and
// the rightmost column down to the depth of the band.
int goldAlongTheTopAndRightEdges(const kestrel::Image& image)
{
    constexpr int band = 32;
    int count = 0;
    for (int x = 0; x < width; ++x) {
        count += isGold(*image.pixelAt(x, height - 1)) ? 1 : 0;
    }
    for (int y = height - band; y < height - 1; ++y) {
        count += isGold(*image.pixelAt(width - 1, y)) ? 1 : 0;
    }
    return count;
}

// A level of goals: a ball zone, and a goal counting into the world's first counter, which is to
// reach 3 and holds 1; its icons are the demo's sand picture (still to count) and glass (counted).
void makeGoalLevel(Look& world)
{
    Level& level = *world.currentLevel();
    level.counterGraphic = heron::FilePath("sand.gif");
    level.countedGraphic = heron::FilePath("tower.jpg");
    for (const auto& zone : level.zones()) {
        zone->isBall = zone->name == "Glider pen";
        zone->isGoal = zone->name == "Shore";
        zone->goalCounter = 0;
    }
    level.resetSounds();
    Counter& counter = world.counters().at(0);
    counter.triggerAt = 3;
    counter.collected.push_back(nullptr);
}

void seizeTheRock(Look& world)
{
    for (const auto& zone : world.currentLevel()->zones()) {
        if (zone->name == "Rock pile") {
            world.logic().seize(*zone);
        }
    }
}

}

TEST_F(CounterDisplayTest, OneRingTurnsInTheTopRightCornerForEachRingHeld)
{
    const auto holdRings = [](int more) {
        return [more](Look& world) {
            for (int i = 0; i < more; ++i) {
                world.ringCounter()->collected.push_back(nullptr);
            }
        };
    };
    const std::vector<kestrel::Image> frames = framesAfter({holdRings(0), holdRings(1), holdRings(2)});
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(leftmostGoldAtTheTop(frames[0]), width);
    // The display is 25 ring radii wide. The first ring turns about a centre a radius in from the
    // right and top edges, each next one a radius further left; none is wider than its radius
    // either side of its centre, so none is cut off at the edges.
    constexpr double radius = width / 25.0;
    const int held[] = {1, 3};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(held[i]);
        const kestrel::Image& frame = frames[static_cast<std::size_t>(i + 1)];
        const double lastCentre = width - radius - (held[i] - 1) * radius;
        const int leftmost = leftmostGoldAtTheTop(frame);
        EXPECT_GT(leftmost, lastCentre - radius);
        EXPECT_LT(leftmost, lastCentre);
        EXPECT_EQ(goldAlongTheTopAndRightEdges(frame), 0);
    }
}

TEST_F(CounterDisplayTest, GoalCounterIconsShowAtTheTopRightWhileSomethingIsCarried)
{
    const std::vector<kestrel::Image> frames = framesAfter({makeGoalLevel, seizeTheRock});
    ASSERT_EQ(frames.size(), 2u);
    // Icons of 64 x 64 pixels in a row from the right edge leftwards, 8 apart and 8 from the top
    // and right edges: two still to count at the right, the counted one left of them. The test
    // looks inside each, 8 pixels in from its edges.
    constexpr int icon = 64;
    constexpr int gap = 8;
    constexpr int inside = icon - 2 * gap;
    constexpr int bottom = height - gap - icon + gap;
    const auto left = [](int fromRight) { return width - (fromRight + 1) * (icon + gap) + gap; };
    const auto sand = [&](const kestrel::Image& image) {
        return pixelsIn(image, left(0), bottom, inside, isSand) + pixelsIn(image, left(1), bottom, inside, isSand);
    };
    const auto glass = [&](const kestrel::Image& image) { return pixelsIn(image, left(2), bottom, inside, isGlass); };
    constexpr int all = inside * inside;
    EXPECT_LT(sand(frames[0]), all / 10);
    EXPECT_LT(glass(frames[0]), all / 10);
    EXPECT_GT(sand(frames[1]), 2 * all * 9 / 10);
    EXPECT_GT(glass(frames[1]), all * 9 / 10);
}
