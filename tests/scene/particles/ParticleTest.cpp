#include "base/Limits.h"
#include "scene/particles/ParticleInternals.h"
#include "scene/particles/ParticleSystem.h"
#include "support/ManualSceneClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using finch::Particle;
using finch::ParticleSystem;
using finch::Vector3d;

constexpr double start = 100.0;

// An emitter whose particles live long, start still and keep their full size: only what a test
// sets moves them or changes their number.
ParticleSystem stillEmitter()
{
    ParticleSystem system;
    system.enabled = true;
    system.birthrate = 10.0f;
    system.lodDistance = 0.0f;
    system.minLife = system.maxLife = 100.0f;
    system.minVelocity = system.maxVelocity = 0.0f;
    return system;
}

int live(const ParticleSystem& system)
{
    return system.internals() != nullptr ? system.internals()->liveCount() : 0;
}

// The one particle of a system.
const Particle& only(const ParticleSystem& system)
{
    const std::vector<Particle>& particles = system.internals()->particles();
    EXPECT_EQ(particles.size(), 1u);
    return particles.front();
}

}

TEST(ParticleTest, BirthsFollowTheRateOverTheTimeSinceTheLastBirth)
{
    struct Case
    {
        std::vector<double> frames;
        bool emit;
        int born;
    };
    const Case cases[] = {
        // The first update only times the emitter.
        {{start}, true, 0},
        {{start, start + 0.5}, true, 5},
        {{start, start + 0.05, start + 0.1, start + 0.15}, true, 1},
        {{start, start + 0.5, start + 1.0}, true, 10},
        {{start, start + 0.5, start + 1.0}, false, 0},
        // After a gap longer than two seconds nothing is born for the gap.
        {{start, start + 0.5, start + 3.5}, true, 5},
    };
    for (const Case& c : cases) {
        ManualSceneClock clock(start - 1.0);
        ParticleSystem system = stillEmitter();
        for (const double t : c.frames) {
            clock.frame(t);
            system.update({}, {}, c.emit);
        }
        EXPECT_EQ(live(system), c.born) << c.frames.size() << " frames";
    }
}

TEST(ParticleTest, DistantEmitterBirthsLessDownToTheFloor)
{
    struct Case
    {
        double distance;
        int born;
    };
    // Birth rate 150, full at the eye, a tenth at 450 units, never below 5 per second.
    const Case cases[] = {{0.0, 150}, {250.0, 75}, {450.0, 15}, {499.0, 5}, {2000.0, 5}};
    for (const Case& c : cases) {
        ManualSceneClock clock(start);
        ParticleSystem system = stillEmitter();
        system.birthrate = 150.0f;
        system.lodDistance = 500.0f;
        system.lodBirthrate = 5.0f;
        const Vector3d eye(c.distance, 0.0, 0.0);
        system.update(eye, {}, true);
        clock.frame(start + 1.0);
        system.update(eye, {}, true);
        EXPECT_EQ(live(system), c.born) << c.distance;
    }
}

TEST(ParticleTest, ParticlesDieOnceOlderThanTheirLife)
{
    ManualSceneClock clock(start);
    ParticleSystem system = stillEmitter();
    system.minLife = system.maxLife = 2.0f;
    system.update({}, {}, true);
    clock.frame(start + 0.5);
    system.update({}, {}, true);
    ASSERT_EQ(live(system), 5);
    clock.frame(start + 2.4);
    system.update({}, {}, false);
    EXPECT_EQ(live(system), 5);
    clock.frame(start + 2.6);
    system.update({}, {}, false);
    EXPECT_EQ(live(system), 0);
    EXPECT_TRUE(system.internals()->particles().empty());
    EXPECT_FALSE(system.internals()->box().isValid());
}

TEST(ParticleTest, WindGravityAndGroundMoveParticles)
{
    struct Case
    {
        float windStrength, windDirection, gravity, angle, speed;
        // Position and vertical speed after two frames of half a second from (0, 0, 1).
        float x, y, z, vz;
    };
    const Case cases[] = {
        {2.0f, 90.0f, 0.0f, 90.0f, 0.0f, 2.0f, 0.0f, 1.0f, 0.0f},
        {2.0f, 0.0f, 0.0f, 90.0f, 0.0f, 0.0f, 2.0f, 1.0f, 0.0f},
        // Speed is added before gravity takes its share of the frame.
        {0.0f, 0.0f, 1.0f, 90.0f, 0.0f, 0.0f, 0.0f, 0.75f, -1.0f},
        // Falling through the ground at -4: mirrored above it, bouncing up at 2, then rising.
        {0.0f, 0.0f, 0.0f, -90.0f, 4.0f, 0.0f, 0.0f, 2.0f, 2.0f},
    };
    for (const Case& c : cases) {
        ManualSceneClock clock(start);
        ParticleSystem system = stillEmitter();
        system.windStrength = c.windStrength;
        system.windDirection = c.windDirection;
        system.gravity = c.gravity;
        system.minAngle = system.maxAngle = c.angle;
        system.minVelocity = system.maxVelocity = c.speed;
        system.verticalOffset = 1.0f;
        system.birthrate = 1.0f;
        system.burst({});
        for (const double t : {start + 0.5, start + 1.0}) {
            clock.frame(t);
            system.update({}, {}, false);
        }
        const Particle& p = only(system);
        EXPECT_NEAR(p.position.x, c.x, 1e-5f) << c.windDirection << "," << c.gravity << "," << c.angle;
        EXPECT_NEAR(p.position.y, c.y, 1e-5f) << c.windDirection << "," << c.gravity << "," << c.angle;
        EXPECT_NEAR(p.position.z, c.z, 1e-5f) << c.windDirection << "," << c.gravity << "," << c.angle;
        EXPECT_NEAR(p.velocity.z, c.vz, 1e-5f) << c.windDirection << "," << c.gravity << "," << c.angle;
    }
}

TEST(ParticleTest, ZeroBirthrateFreezesTheSystem)
{
    ManualSceneClock clock(start);
    ParticleSystem system = stillEmitter();
    system.windStrength = 3.0f;
    system.birthrate = 1.0f;
    system.burst({});
    system.birthrate = 0.0f;
    const Particle before = only(system);
    for (const double t : {start + 0.5, start + 1.0}) {
        clock.frame(t);
        system.update({}, {}, true);
    }
    EXPECT_EQ(only(system).position, before.position);
}

TEST(ParticleTest, OneShotTriggerBirthsItsCountOnceAfterTheDelay)
{
    ManualSceneClock clock(start);
    ParticleSystem system = stillEmitter();
    system.trigger = true;
    system.delay = 1.0;
    system.birthrate = 7.0f;
    system.start();
    std::vector<int> counts;
    for (const double t : {start + 0.5, start + 0.9, start + 1.2, start + 1.5, start + 2.0}) {
        clock.frame(t);
        system.update({}, {}, true);
        counts.push_back(live(system));
    }
    EXPECT_EQ(counts, (std::vector<int>{0, 0, 7, 7, 7}));
}

TEST(ParticleTest, TimedRunBirthsOnlyDuringItsDuration)
{
    ManualSceneClock clock(start);
    ParticleSystem system = stillEmitter();
    system.trigger = true;
    system.delay = 0.5;
    system.duration = 1.0;
    system.update({}, {}, true);
    system.start();
    std::vector<int> counts;
    // The run lasts from start + 0.5 to start + 1.5.
    for (const double t : {start + 0.25, start + 0.75, start + 1.25, start + 1.75, start + 2.25}) {
        clock.frame(t);
        system.update({}, {}, true);
        counts.push_back(live(system));
    }
    EXPECT_EQ(counts, (std::vector<int>{0, 5, 10, 10, 10}));
}

TEST(ParticleTest, FadesScaleTheSizeInAndTheAlphaOut)
{
    ParticleSystem system;
    finch::ParticleInternals internals(system);
    Particle p;
    p.birth = 0.0;
    p.life = 4.0;
    struct Case
    {
        double age;
        float sizeFactor;
        std::uint32_t alpha;
    };
    const Case cases[] = {{0.25, 0.5f, 255}, {0.5, 1.0f, 255}, {2.0, 1.0f, 255}, {3.5, 1.0f, 127}, {4.5, 1.0f, 0}};
    for (const Case& c : cases) {
        const finch::ParticleFade fade = internals.fade(p, c.age);
        EXPECT_FLOAT_EQ(fade.sizeFactor, c.sizeFactor) << c.age;
        EXPECT_EQ(fade.alpha, c.alpha) << c.age;
    }
}

TEST(ParticleTest, ColourTableMixesOrRunsRoundTheHues)
{
    ManualSceneClock clock(start);
    ParticleSystem system = stillEmitter();
    system.setColor1({1.0f, 0.0f, 0.0f, 1.0f});
    system.setColor2({0.0f, 0.0f, 1.0f, 1.0f});
    system.update({}, {}, true);
    EXPECT_EQ(system.internals()->colourTable()[0], 0x000000FFu);
    EXPECT_EQ(system.internals()->colourTable()[16], 0x007F007Fu);
    system.setColorType(ParticleSystem::hues);
    system.update({}, {}, true);
    EXPECT_EQ(system.internals()->colourTable()[0], 0xFF0000FFu);
    EXPECT_EQ(system.internals()->colourTable()[8], 0xFF00FF7Fu);
}

TEST(ParticleTest, TextureCycleBelowOneBecomesSingleFrame)
{
    struct Case
    {
        int frames, columns, rows, expectFrames, expectColumns, expectRows;
    };
    const Case cases[] = {{0, 4, 4, 1, 1, 1}, {16, 4, 0, 1, 1, 1}, {16, 4, 4, 16, 4, 4}};
    for (const Case& c : cases) {
        ParticleSystem system;
        system.setTextureCycle(c.frames, c.columns, c.rows);
        EXPECT_EQ(system.cycleFrames(), c.expectFrames);
        EXPECT_EQ(system.cycleColumns(), c.expectColumns);
        EXPECT_EQ(system.cycleRows(), c.expectRows);
    }
}

TEST(ParticleTest, CopyStartsWithoutParticles)
{
    ManualSceneClock clock(start);
    ParticleSystem system = stillEmitter();
    system.setSaturation(0.25f);
    system.burst({});
    const ParticleSystem copy(system);
    EXPECT_EQ(copy.internals(), nullptr);
    EXPECT_EQ(copy.saturation(), 0.25f);
    EXPECT_EQ(copy.birthrate, system.birthrate);
}

TEST(ParticleTest, HugeBirthRateStopsAtTheCap)
{
    ManualSceneClock clock(start);
    ParticleSystem system = stillEmitter();
    system.birthrate = 1e30f;
    system.burst({});
    clock.frame(start + 1.0);
    system.update({}, {}, true);
    EXPECT_EQ(live(system), heron::limits::maxParticlesPerSystem);
}
