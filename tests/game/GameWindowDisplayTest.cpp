// The game window as a player starts it: the demo world under the loading screen, frames drawn
// back to back, and the quit key.
#include "game/GameDisplayTest.h"
#include "game/GameLoopSteps.h"
#include "game/GameWindow.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/Level.h"
#include "game/flight/LookFly.h"
#include "game/LookWindow.h"
#include "game/Zone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

using namespace datafiletest;
using gameloop::quit;
using gameloop::WhilePlaying;

namespace
{

class GameWindowDisplayTest : public GameDisplayTest
{
};

// How many colours the rows [from, to) of the image hold.
int distinctColours(const kestrel::Image& image, int from, int to)
{
    std::set<std::uint32_t> colours;
    for (int y = from; y < to; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(*image.pixelAt(x, y));
        }
    }
    return int(colours.size());
}

// The demo world's frame, width x height, drawn on the game's pass number frames; the step (if any)
// runs on every pass up to it, before the frame, with the pass's number from 1.
kestrel::Image playedFrame(int frames, int width, int height, const std::function<void(Look&, int)>& eachPass = {})
{
    int passes = 0;
    kestrel::Image image;
    WhilePlaying grab([&](GameWindow& window) {
        ++passes;
        if (eachPass) {
            eachPass(*currentLook(), passes);
        }
        if (passes < frames) {
            return;
        }
        image = kestrel::Image(width, height);
        EXPECT_TRUE(kestrel::renderToImage(image, window));
        quit(window);
    });
    GameWindow window(kestrel::ScreenMode(), heron::FilePath(AURELLE_DEMO_WORLD));
    EXPECT_EQ(window.failureReason(), "");
    return image;
}

// The pure red of the fog the tests below set.
bool isFogRed(std::uint32_t pixel)
{
    return ((pixel >> 16) & 0xFF) > 0xE0 && ((pixel >> 8) & 0xFF) < 0x20 && (pixel & 0xFF) < 0x20;
}

int brightness(std::uint32_t pixel)
{
    return int((pixel >> 16) & 0xFF) + int((pixel >> 8) & 0xFF) + int(pixel & 0xFF);
}

// The demo world's fourth frame, width x height, under a zone applied at once on every pass; the
// step (if any) runs on the first pass.
kestrel::Image frameUnder(Zone& zone, int width, int height, const std::function<void(Look&)>& first = {})
{
    return playedFrame(4, width, height, [&](Look& world, int pass) {
        if (pass == 1 && first) {
            first(world);
        }
        world.logic().applyZoneAtOnce(zone);
    });
}

// The demo world's fourth frame (64 x 48) under a zone whose red linear fog runs from near to far;
// the step (if any) runs on the first pass.
kestrel::Image frameInRedFog(float near, float far, bool fogSky, const std::function<void(Look&)>& first = {})
{
    Zone zone;
    zone.changeFog = true;
    zone.fogSky = fogSky;
    zone.fog.type = 1;
    zone.fog.near = near;
    zone.fog.far = far;
    zone.fog.colour = finch::RGBA{1.0f, 0.0f, 0.0f, 1.0f};
    return frameUnder(zone, 64, 48, first);
}

// How many of 16 pixels across row y are the fog's red.
int fogRedAcross(const kestrel::Image& image, int y)
{
    int red = 0;
    for (int x = 2; x < 64; x += 4) {
        red += isFogRed(*image.pixelAt(x, y)) ? 1 : 0;
    }
    return red;
}

// Light grey or white: a star at least half opaque over a black sky.
bool isLight(std::uint32_t pixel)
{
    return ((pixel >> 16) & 0xFF) > 0x60 && ((pixel >> 8) & 0xFF) > 0x60 && (pixel & 0xFF) > 0x60;
}

bool isDark(const kestrel::Image& image, int x, int y)
{
    return brightness(*image.pixelAt(x, y)) < 0x30;
}

// How many pixels of the image's upper half, above the horizon of a level view, are light with
// their four neighbours dark: single points, as stars are and no scenery is.
int lonePointsAbove(const kestrel::Image& image)
{
    int points = 0;
    for (int y = image.height() / 2; y + 1 < image.height(); ++y) {
        for (int x = 1; x + 1 < image.width(); ++x) {
            const bool darkAround =
                isDark(image, x - 1, y) && isDark(image, x + 1, y) && isDark(image, x, y - 1) && isDark(image, x, y + 1);
            points += isLight(*image.pixelAt(x, y)) && darkAround ? 1 : 0;
        }
    }
    return points;
}

}

TEST_F(GameWindowDisplayTest, TheDemoWorldShowsSkyAboveTheGround)
{
    const kestrel::Image image = playedFrame(3, 64, 48);
    ASSERT_EQ(image.width(), 64);
    // The dusk sky (or the fog before it) is far brighter than the sea and the seabed below it.
    int skyOverSea = 0;
    for (int x = 2; x < 64; x += 4) {
        skyOverSea += brightness(pixel(image, x, 45)) > brightness(pixel(image, x, 2)) + 0x60 ? 1 : 0;
    }
    EXPECT_GT(skyOverSea, 12) << std::hex << pixel(image, 32, 45) << " over " << pixel(image, 32, 2);
    EXPECT_TRUE(m_log.contains("Closing the game window...")) << m_log.text();
}

TEST_F(GameWindowDisplayTest, TheStartViewShowsTheSeabedAndTheIslandsBelowTheHorizon)
{
    const kestrel::Image image = playedFrame(3, 160, 120);
    ASSERT_EQ(image.width(), 160);
    // Sand, water and islands in many shades; flat fog would be one colour.
    EXPECT_GT(distinctColours(image, 0, 30), 40);
}

TEST_F(GameWindowDisplayTest, CloseAboveTheSeabedTheSandIsDrawn)
{
    // Looking down at open sand from just under the water, far from the start.
    const kestrel::Image image = playedFrame(3, 160, 120, [](Look& world, int pass) {
        if (pass == 1) {
            finch::Transform above{finch::Vector3d(70, -40, -2)};
            above.pitch = -60.0;
            world.logic().teleport(above);
        }
    });
    ASSERT_EQ(image.width(), 160);
    // The sand's texture in a dozen shades and more; the fog alone would be one colour.
    EXPECT_GT(distinctColours(image, 0, 120), 12);
}

TEST_F(GameWindowDisplayTest, ZoneFogCoversTheGround)
{
    const kestrel::Image image = frameInRedFog(0.0f, 0.01f, false);
    ASSERT_EQ(image.width(), 64);
    EXPECT_GT(fogRedAcross(image, 2), 12) << std::hex << pixel(image, 32, 2);
}

TEST_F(GameWindowDisplayTest, OnlyAFogSkyZoneHidesTheSkyInItsFog)
{
    // Fog from 5 to 10 ahead: all the scenery beyond is fog-red; the sky only when the zone says so.
    for (const bool fogSky : {false, true}) {
        SCOPED_TRACE(fogSky ? "fogSky" : "clear sky");
        const kestrel::Image image = frameInRedFog(5.0f, 10.0f, fogSky);
        ASSERT_EQ(image.width(), 64);
        const int foggedSky = fogRedAcross(image, 45);
        if (fogSky) {
            EXPECT_GT(foggedSky, 12) << std::hex << pixel(image, 32, 45);
        } else {
            EXPECT_EQ(foggedSky, 0) << std::hex << pixel(image, 32, 45);
        }
        setCurrentLook(heron::counted_ptr<Look>());
    }
}

TEST_F(GameWindowDisplayTest, TheThrowInsetIsAWhiteSquareWhateverTheLightAndFog)
{
    // At the rock pile a rock is armed to throw; everything around lies deep in red fog.
    const kestrel::Image image = frameInRedFog(0.0f, 0.01f, false, [](Look& world) {
        for (const auto& zone : world.currentLevel()->zones()) {
            if (zone->name == "Rock pile") {
                world.logic().teleport(finch::Transform{zone->position()});
            }
        }
    });
    ASSERT_EQ(image.width(), 64);
    // A corner of the square, beside the rock it frames.
    EXPECT_EQ(pixel(image, 12, 12) & 0xFFFFFF, 0xFFFFFFu) << std::hex << pixel(image, 12, 12);
}

TEST_F(GameWindowDisplayTest, AZoneThatAsksForStarsShowsThemInItsSky)
{
    // The same black night with and without stars: the stars are points of light in the sky.
    int points[2] = {0, 0};
    for (const bool stars : {false, true}) {
        Zone night;
        night.changeSky = true;
        night.sky.top = night.sky.bottom = night.sky.ground = finch::RGBA{0.0f, 0.0f, 0.0f, 1.0f};
        night.changeStars = true;
        night.enableStars = stars;
        night.disableStars = !stars;
        night.numStars = 800;
        const kestrel::Image image = frameUnder(night, 160, 120);
        ASSERT_EQ(image.width(), 160);
        points[stars ? 1 : 0] = lonePointsAbove(image);
        setCurrentLook(heron::counted_ptr<Look>());
    }
    EXPECT_LT(points[0], 3);
    EXPECT_GT(points[1], 20);
}

TEST_F(GameWindowDisplayTest, ABumpedWallShowsItsMarker)
{
    const kestrel::Image image = playedFrame(3, 64, 48, [](Look& world, int pass) {
        if (pass < 3) {
            return;
        }
        // A small no-entry ball just ahead of the player, bumped this frame.
        const finch::Transform& player = world.logic().flight()->transform();
        // A zone placed by its own position, not by an object of the scene.
        const auto& zones = world.currentLevel()->zones();
        const auto placed = std::find_if(zones.rbegin(), zones.rend(), [](const auto& zone) { return zone->object == nullptr; });
        ASSERT_NE(placed, zones.rend());
        Zone& wall = **placed;
        wall.noEntry = true;
        wall.showCollision = true;
        wall.bumped = true;
        wall.radius = 3.0;
        wall.position() = player.position + player.forward() * 10.0;
    });
    ASSERT_EQ(image.width(), 64);
    const std::uint32_t centre = pixel(image, 32, 24);
    const int red = (centre >> 16) & 0xFF;
    const int green = (centre >> 8) & 0xFF;
    EXPECT_GT(red, green + 0x60) << std::hex << centre;
}

TEST_F(GameWindowDisplayTest, TheQuitKeyEndsTheLoop)
{
    int frames = 0;
    WhilePlaying step([&](GameWindow& window) {
        if (++frames == 2) {
            quit(window);
        }
    });
    GameWindow window(kestrel::ScreenMode(), heron::FilePath(AURELLE_DEMO_WORLD));
    EXPECT_EQ(frames, 2);
    EXPECT_FALSE(window.isLooking());
    EXPECT_EQ(currentGameWindow(), nullptr);
}

TEST_F(GameWindowDisplayTest, EachBadDataFileGivesTheDataFileReason)
{
    const std::string demo = readWholeFile(AURELLE_DEMO_WORLD);
    writeWholeFile(m_folder.path() / "cut.dat", demo.substr(0, 40));
    writeWholeFile(m_folder.path() / "empty.dat", "");
    // The world's model list is a stream of a header and the end mark only: no object at all.
    writeTree(m_folder.path() / "objectless",
              {{"world.look", "Data {\ndatabase \"models\\world.quill\"\n}\nLevel \"Only\" {\n}\n"},
               {"models/world.mdl", std::string("HarborStream 1.01\0#", 19)}});
    std::string error;
    ASSERT_TRUE(packer::packFolder(m_folder.path() / "objectless", m_folder.path() / "objectless.dat", error)) << error;
    const char* const files[] = {"missing.dat", "cut.dat", "empty.dat", "objectless.dat"};
    for (const char* file : files) {
        pelican::resetDataFiles();
        GameWindow window(kestrel::ScreenMode(), systemPath(m_folder.path() / file));
        EXPECT_EQ(window.failureReason(), GameWindow::dataFileError) << file;
        EXPECT_EQ(currentLook(), nullptr) << file;
    }
}
