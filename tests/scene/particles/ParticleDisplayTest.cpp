#include "scene/graph/Database.h"
#include "scene/particles/ParticleSystem.h"
#include "scene/render/RenderAccumulator.h"
#include "scene/render/Viewer.h"
#include "support/ManualSceneClock.h"
#include "support/SceneBuilders.h"
#include "support/ZUpDisplayTest.h"

#include <gtest/gtest.h>

namespace
{

constexpr int side = 64;
constexpr int centre = side / 2;
constexpr std::uint32_t blackPixel = 0xFF000000;

class ParticleDisplayTest : public ZUpDisplayTest
{
protected:
    // One frame of the system seen from the origin along +y, over black.
    static kestrel::Image frame(finch::ParticleSystem& system)
    {
        return render(side, side, [&](kestrel::ImageBody& target) {
            kestrel::setViewport(kestrel::Rect{0, 0, side, side});
            clearTo(0, 0, 0);
            finch::Viewer viewer;
            finch::RenderAccumulator accumulator;
            accumulator.setViewer(&viewer);
            system.render(accumulator, viewer);
            accumulator.render(target);
        });
    }
};

// One still sprite of the colour, 2 units across its corners, born at the emitter and updated once.
finch::ParticleSystem oneSprite(const finch::Vector3d& emitter, const finch::RGBA& colour)
{
    finch::ParticleSystem system;
    system.enabled = true;
    system.birthrate = 1.0f;
    system.minVelocity = system.maxVelocity = 0.0f;
    system.minLife = system.maxLife = 100.0f;
    system.minSize = system.maxSize = 20.0f;
    system.birthTime = 0.0f;
    system.setColor1(colour);
    system.setColor2(colour);
    system.burst(emitter);
    system.update({}, emitter, false);
    return system;
}

}

TEST_F(ParticleDisplayTest, SpriteShowsAtItsEmitter)
{
    ManualSceneClock clock(10.0);
    struct Case
    {
        double x, z;
        int px, py;
    };
    // At 10 units the view is about 8.3 units high: 2.5 units are about 19 pixels.
    const Case cases[] = {{0.0, 0.0, centre, centre}, {2.5, 0.0, centre + 19, centre}, {0.0, -2.5, centre, centre - 19}};
    for (const Case& c : cases) {
        finch::ParticleSystem system = oneSprite({c.x, 10.0, c.z}, {1.0f, 1.0f, 0.0f, 1.0f});
        const kestrel::Image image = frame(system);
        // Yellow, but for what filtering the sprite's texture takes off its middle.
        const std::uint32_t middle = pixel(image, c.px, c.py);
        EXPECT_GT(middle >> 16 & 0xFF, 0xE0u) << c.x << "," << c.z;
        EXPECT_GT(middle >> 8 & 0xFF, 0xE0u) << c.x << "," << c.z;
        EXPECT_EQ(middle & 0xFF, 0u) << c.x << "," << c.z;
        // The sprite is a square on its corner: the corners of its box stay clear.
        EXPECT_EQ(pixel(image, c.px + 10, c.py + 10), blackPixel) << c.x << "," << c.z;
        if (c.x != 0.0 || c.z != 0.0) {
            EXPECT_EQ(pixel(image, centre, centre), blackPixel);
        }
    }
}

TEST_F(ParticleDisplayTest, SystemOutsideTheViewQueuesNothing)
{
    ManualSceneClock clock(10.0);
    finch::ParticleSystem system = oneSprite({0.0, -10.0, 0.0}, {1.0f, 1.0f, 1.0f, 1.0f});
    finch::Viewer viewer;
    finch::RenderAccumulator accumulator;
    GLRecorder recorder;
    const kestrel::Image image = render(side, side, [&](kestrel::ImageBody& target) {
        system.render(accumulator, viewer);
        recorder.clear();
        accumulator.render(target);
    });
    EXPECT_EQ(recorder.count("DrawArrays"), 0);
}

TEST_F(ParticleDisplayTest, ObjectParticleDrawsItsShapeAtTheParticle)
{
    ManualSceneClock clock(10.0);
    // A red square one unit across about the shape's origin, facing the camera.
    const auto shape = scenebuild::database(scenebuild::geometry("square", scenebuild::square(-0.5f, -0.5f, 0.5f, 0.5f, 0.0f, 0xFF0000FF)));
    finch::ParticleSystem system;
    system.enabled = true;
    system.particleType = finch::ParticleParams::objects;
    system.birthrate = 1.0f;
    system.minVelocity = system.maxVelocity = 0.0f;
    system.minLife = system.maxLife = 100.0f;
    system.minSize = system.maxSize = 1.0f;
    system.minSpin = system.maxSpin = system.minTumble = system.maxTumble = 0.0f;
    system.birthTime = 0.0f;
    system.setObject(shape->objects().front());
    const finch::Vector3d emitter(2.5, 10.0, 0.0);
    system.burst(emitter);
    system.update({}, emitter, false);
    const kestrel::Image image = frame(system);
    EXPECT_EQ(pixel(image, centre + 19, centre), 0xFFFF0000u);
    EXPECT_EQ(pixel(image, centre, centre), blackPixel);
}
