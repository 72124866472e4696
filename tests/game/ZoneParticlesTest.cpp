#include "game/LookFixture.h"

#include "game/Zone.h"
#include "gui/paint/Image.h"
#include "scene/render/Texture.h"
#include "support/GifTestWriter.h"

#include <string>
#include <vector>

TEST_F(LookTest, AnimatedParticlesShowTheFramesBesideTheirImageInOneAtlas)
{
    const giftest::Bytes gif = giftest::writeGif(
        giftest::Picture{.width = 2, .height = 2, .indices = {0, 1, 1, 0}, .global = {0xff0000, 0x00ff00}});
    const std::string bytes(gif.begin(), gif.end());
    struct Case
    {
        std::vector<std::string> files;
        int frames;
    };
    Case capped{{}, 16};
    for (char i = 'a'; i <= 'q'; ++i) {
        capped.files.push_back(std::string("f") + i + ".gif");
    }
    const Case cases[] = {{{"spark1.gif", "Spark2.gif", "sparkle.gif", "xpark3.gif"}, 2}, capped};
    for (const Case& c : cases) {
        const TempFolder folder;
        for (const std::string& name : c.files) {
            writeWholeFile(folder.path() / name, bytes);
        }
        const heron::FilePath image(folder.file(c.files.front().c_str()).c_str());
        Zone zone;
        zone.setParticleImage(image);
        EXPECT_EQ(zone.particles.texture()->file(), image);
        zone.setParticleAnimated(true);
        const finch::Texture& atlas = *zone.particles.texture();
        EXPECT_EQ(atlas.name(), "Particles...");
        EXPECT_TRUE(atlas.flag19());
        EXPECT_EQ(zone.particles.cycleFrames(), c.frames);
        EXPECT_EQ(zone.particles.cycleColumns(), 4);
        EXPECT_EQ(zone.particles.cycleRows(), 4);
        zone.setParticleAnimated(false);
        EXPECT_EQ(zone.particles.cycleFrames(), 1);
    }
}

TEST(ZoneParticleAtlasTest, FramesRunFromTheTopLeftRowByRow)
{
    std::vector<kestrel::Image> frames;
    for (std::uint32_t i = 1; i <= 5; ++i) {
        frames.emplace_back(2, 2);
        frames.back().fill(0xff000000u | i);
    }
    const kestrel::Image atlas = particleAtlas(frames);
    ASSERT_EQ(atlas.width(), 512);
    ASSERT_EQ(atlas.height(), 512);
    for (std::uint32_t cell = 0; cell < 6; ++cell) {
        const int x = static_cast<int>(cell % 4) * 128 + 64;
        const int y = 512 - static_cast<int>(cell / 4) * 128 - 64;
        EXPECT_EQ(*atlas.pixelAt(x, y), cell < 5 ? (0xff000000u | (cell + 1)) : 0u) << cell;
    }
}
