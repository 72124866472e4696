#include "sound/SoundEnvironment.h"

#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace
{

// The same moves on every run.
struct Steps
{
    unsigned next(std::size_t below) { return static_cast<unsigned>(generator() % below); }
    std::minstd_rand generator;
};

egret::Motion somewhere(Steps& steps)
{
    egret::Motion motion;
    motion.position = {float(steps.next(400)) - 200.0f, float(steps.next(400)) - 200.0f, 0.0f};
    return motion;
}

}

// Meant for ThreadSanitizer: the game thread creates, moves and destroys emitters and plays effects
// while the timer thread runs the passes and the loader thread fills samples.
TEST(SoundStress, EmittersComeMoveAndGoWhileTheTimerUpdates)
{
    plat::FakeAudio audio;
    egret::SoundSystem system;
    ASSERT_TRUE(system.initialize(nullptr));
    system.setThreadModel(egret::timerDrivenUpdates | egret::feederThreads);
    egret::SoundEnvironment environment(system.hal());

    std::vector<heron::counted_ptr<egret::SoundDataSource>> sources;
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"}) {
        const egret::SoundFormat format = name[0] == 'b' ? egret::stereo16Format : egret::mono16Format;
        sources.emplace_back(new ToneSource(format, 2000, ToneSource::unknown, name));
    }
    const auto effect = system.hal().loadBuffer(sources[1], egret::Loading::Queued);
    Steps steps;
    std::vector<heron::counted_ptr<egret::SoundEmitter>> emitters;
    for (int frame = 0; frame < 1500; ++frame) {
        if (emitters.size() < 12 && steps.next(3) == 0) {
            emitters.push_back(environment.createEmitter(sources[steps.next(4)], 1.0f, 10.0f));
        }
        for (const auto& emitter : emitters) {
            environment.setEmitterMotion(emitter, somewhere(steps));
        }
        if (!emitters.empty() && steps.next(5) == 0) {
            const auto activity = steps.next(2) ? egret::EmitterActivity::Active : egret::EmitterActivity::Inactive;
            environment.setEmitterActive(emitters[steps.next(emitters.size())], activity);
        }
        if (!emitters.empty() && steps.next(7) == 0) {
            environment.destroyEmitter(emitters[steps.next(emitters.size())]);
            std::erase(emitters, heron::counted_ptr<egret::SoundEmitter>());
        }
        if (steps.next(10) == 0) {
            environment.playEffect(effect, 0.5f);
        }
        environment.update();
        audio.advance(4410);
        heron::sleepMs(1);
    }
    for (auto& emitter : emitters) {
        environment.destroyEmitter(emitter);
    }
    environment.update();
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(eventually([&] { return !audio.buffer(i).playing; })) << i;
    }
}
