#include "sound/SoundEnvironment.h"

#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"
#include "sound/SoundSystemInternals.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{

// A small deterministic generator, so that every run makes the same moves.
class Steps
{
public:
    unsigned next(unsigned below)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8 & 0xffff) % below;
    }
    float coordinate() { return float(next(400)) - 200.0f; }

private:
    unsigned m_state = 12345;
};

class Counted : public egret::SoundObject
{
public:
    explicit Counted(std::atomic<int>& updates) : m_updates(updates) {}
    void update() override { ++m_updates; }

private:
    std::atomic<int>& m_updates;
};

}

// Meant for ThreadSanitizer: the game thread creates, moves and destroys emitters and plays effects
// while the timer thread runs the passes, the loader thread fills samples and another thread
// registers and releases sound objects.
TEST(SoundStress, EmittersComeMoveAndGoWhileTheTimerUpdates)
{
    plat::FakeAudio audio;
    egret::SoundSystem system;
    ASSERT_TRUE(system.initialize(nullptr));
    system.setThreadModel(egret::timerDrivenUpdates | egret::feederThreads);
    egret::SoundEnvironment environment(system.hal());

    std::atomic<int> objectUpdates{0};
    std::atomic<bool> done{false};
    std::thread registrar([&] {
        while (!done) {
            auto* object = new Counted(objectUpdates);
            system.internals().registerObject(object);
            heron::sleepMs(3);
            system.internals().unregisterObject(object);
        }
    });

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
            egret::Motion motion;
            motion.position = {steps.coordinate(), steps.coordinate(), 0.0f};
            environment.setEmitterMotion(emitter, motion);
        }
        if (!emitters.empty() && steps.next(5) == 0) {
            const std::size_t chosen = steps.next(static_cast<unsigned>(emitters.size()));
            environment.setEmitterActive(emitters[chosen], steps.next(2) ? egret::EmitterActivity::Active
                                                                         : egret::EmitterActivity::Inactive);
        }
        if (!emitters.empty() && steps.next(7) == 0) {
            environment.destroyEmitter(emitters[steps.next(static_cast<unsigned>(emitters.size()))]);
            std::erase(emitters, heron::counted_ptr<egret::SoundEmitter>());
        }
        if (steps.next(10) == 0) {
            environment.playEffect(effect, 0.5f);
        }
        environment.update();
        audio.advance(4410);
        heron::sleepMs(1);
    }
    done = true;
    registrar.join();

    for (auto& emitter : emitters) {
        environment.destroyEmitter(emitter);
    }
    environment.update();
    EXPECT_GT(objectUpdates, 0);
    EXPECT_TRUE(eventually([&] {
        for (int i = 0; i < 6; ++i) {
            if (audio.buffer(i).playing) {
                return false;
            }
        }
        return true;
    }));
}
