// The sound update pass with twelve voices playing (six mono positional loops of the environment's
// emitters, six stereo loops) on OpenAL's null output, and the mix-down of loaded samples. The
// counter "x_period" is a pass's time as a share of the 0.05 s timer period; "x_realtime" how many
// seconds of sound the mix-down handles per second.
#include "sound/OpenALSoundHAL.h"
#include "sound/SoundEnvironment.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

constexpr double timerPeriod = 0.05;

// One second of a quiet saw in any format.
class Saw : public egret::SoundDataSource
{
public:
    Saw(const egret::SoundFormat& format, const char* name) : m_format(format), m_name(name) {}
    const egret::SoundFormat& format() override { return m_format; }
    void rewind() override { m_frame = 0; }
    int read(int frames, void* buffer) override
    {
        const int n = std::min(frames, static_cast<int>(m_format.rate) - m_frame);
        auto* samples = static_cast<std::int16_t*>(buffer);
        for (int i = 0; i < n * static_cast<int>(m_format.channels); ++i) {
            samples[i] = static_cast<std::int16_t>((m_frame + i) % 200 * 50);
        }
        m_frame += n;
        return n;
    }
    const heron_string& name() override { return m_name; }

private:
    egret::SoundFormat m_format;
    heron_string m_name;
    int m_frame = 0;
};

heron::counted_ptr<egret::SoundDataSource> saw(const egret::SoundFormat& format, const char* name)
{
    return heron::counted_ptr<egret::SoundDataSource>(new Saw(format, name));
}

void UpdatePass(benchmark::State& state)
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    egret::OpenALSoundHAL hal;
    if (!hal.initialize(nullptr)) {
        state.SkipWithError("no OpenAL output");
        return;
    }
    egret::SoundEnvironment environment(hal);
    std::vector<heron::counted_ptr<egret::SoundEmitter>> emitters;
    const char* names[] = {"a", "b", "c", "d", "e", "f"};
    for (int i = 0; i < 6; ++i) {
        emitters.push_back(environment.createEmitter(saw(egret::mono16Format, names[i]), 1.0f, 10.0f));
        egret::Motion motion;
        motion.position = {float(i * 10 - 25), 20.0f, 0.0f};
        environment.setEmitterMotion(emitters.back(), motion);
    }
    const auto stereo = hal.loadBuffer(saw(egret::stereo16Format, "loop"), egret::Loading::AtOnce);
    std::vector<heron::counted_ptr<egret::SoundPlayer>> loops;
    for (int i = 0; i < 6; ++i) {
        loops.push_back(hal.createPlayer(egret::stereo16Format, plat::PositionalControl::No));
        static_cast<void>(loops.back()->play(stereo, {.looping = true}));
    }
    while (!emitters.back()->samples()->isLoaded()) {
        heron::sleepMs(1);
    }
    for (auto _ : state) {
        environment.update();
        hal.update();
    }
    state.counters["x_period"] = benchmark::Counter(double(state.iterations()) * timerPeriod,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(UpdatePass)->Unit(benchmark::kMicrosecond);

void MixDown(benchmark::State& state)
{
    const auto samples = egret::readAllSamples(saw(egret::stereo16Format, "loop"));
    heron::ByteBuffer block(samples->size());
    for (auto _ : state) {
        std::memcpy(block.data(), samples->data(), samples->size());
        block.resize(samples->size(), true);
        benchmark::DoNotOptimize(egret::mixToMono(egret::stereo16Format, block));
    }
    state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(MixDown)->Unit(benchmark::kMicrosecond);

}

BENCHMARK_MAIN();
