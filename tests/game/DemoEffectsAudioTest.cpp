// The demo world's effect sounds as the player hears them: each played once on the effect voices the
// launcher sets up, through the sound environment the game plays its one-shot sounds on, and mixed by
// OpenAL's loopback device.
#include "game/DemoAudioFixture.h"

#include "content/world/PelicanObject.h"
#include "game/Level.h"
#include "game/flight/LookFly.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "scene/graph/InstanceBranch.h"
#include "sound/SoundEnvironment.h"
#include "sound/SoundFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{

// The launcher's effect voices.
constexpr int effectVoices = 6;
// Levels (root mean square of a tenth of a second) well below and well above what the effects make.
constexpr double quiet = 30.0;
constexpr double heard = 300.0;
// A sound clipped where it was made peaks at full scale (32767) in the mix, less only what its
// volume takes off; one made to fit keeps this far below.
constexpr int clipping = 29500;

class DemoEffectsTest : public DemoAudioTest
{
protected:
    void SetUp() override
    {
        DemoAudioTest::SetUp();
        egret::SoundEnvironment::instance().allocateChannels(egret::ChannelKind::Effect, effectVoices,
                                                             egret::stereo16Format);
    }

    // The loudest sample of a mix, left or right.
    static int peakOf(const std::vector<std::int16_t>& mix)
    {
        int peak = 0;
        for (const std::int16_t sample : mix) {
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
        return peak;
    }

    // The tenths of a second the samples last, rounded up.
    static int tenthsOf(const egret::SoundBuffer& samples)
    {
        return static_cast<int>(std::ceil(samples.frames() * 10.0 / samples.format().rate));
    }
};

}

TEST_F(DemoEffectsTest, EveryEffectOfTheWorldIsHeardOnTheEffectVoices)
{
    struct Case
    {
        const char* name;
        heron::counted_ptr<egret::SoundBuffer> samples;
    };
    const Case cases[] = {
        {"wall bounce", world->noExitSoundBuffer()},
        {"rock throw", world->medalThrowSoundBuffer()},
        {"ring catch", world->medalCatchSoundBuffer()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.samples);
        ASSERT_TRUE(c.samples->isLoaded());
        // The effect before has died away.
        EXPECT_LT(renderTenths(1).front(), quiet);
        egret::SoundEnvironment::instance().playEffect(c.samples, 1.0f);
        const std::vector<std::int16_t> mix = recordTenths(tenthsOf(*c.samples) + 2);
        EXPECT_GT(plat::channelLevel(mix, 0), heard);
        EXPECT_LT(peakOf(mix), clipping);
    }
}

TEST_F(DemoEffectsTest, APebbleThrownFromTheRockPileIsHeard)
{
    LookLogic& logic = world->logic();
    // Entering the level loads the sounds of its projectiles.
    logic.start();
    Zone& pile = zoneNamed(*world->currentLevel(), "Rock pile");
    ASSERT_NE(pile.projectile.object, nullptr);
    EXPECT_LT(renderTenths(1).front(), quiet);
    ASSERT_TRUE(logic.flight()->launch(pile.projectile, &pile, pile.projectile.object->instance()->instance()));
    const std::vector<std::int16_t> mix = recordTenths(6);
    EXPECT_GT(plat::channelLevel(mix, 0), heard);
    EXPECT_LT(peakOf(mix), clipping);
    dropRocks(world->database());
    logic.stop();
}
