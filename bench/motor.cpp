// The step sequencer rendering a pattern of sixteen notes over a one-second sample in reads of a
// stream unit. The counter "x_realtime" is how many seconds of music it renders per second.
#include "music/Motor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

// One second of a decaying 110 Hz mono tone.
class Pluck : public egret::SoundDataSource
{
public:
    const egret::SoundFormat& format() override { return m_format; }
    void rewind() override { m_frame = 0; }
    int read(int frames, void* buffer) override
    {
        auto* samples = static_cast<std::int16_t*>(buffer);
        int n = 0;
        for (; n < frames && m_frame < 44100; ++n, ++m_frame) {
            const double t = m_frame / 44100.0;
            samples[n] = static_cast<std::int16_t>(12000.0 * std::exp(-3.0 * t) * std::sin(2.0 * M_PI * 110.0 * t));
        }
        return n;
    }

private:
    egret::SoundFormat m_format = egret::mono16Format;
    int m_frame = 0;
};

heron::counted_ptr<egret::SoundDataSource> pluck(const heron::FilePath&)
{
    return heron::counted_ptr<egret::SoundDataSource>(new Pluck);
}

void Render(benchmark::State& state)
{
    Motor motor(pluck);
    motor.queueSampleFile(0, "pluck.wav");
    motor.patterns[0].notes = {0, 2, 4, 7, -3, Motor::rest, 9, 11, 0, -7, 5, Motor::rest, 14, 3, -1, 6};
    motor.setTempo(static_cast<std::int32_t>(state.range(0)));
    std::vector<std::int16_t> block(5512);
    motor.read(1, block.data());
    motor.loadSample();
    for (auto _ : state) {
        benchmark::DoNotOptimize(motor.read(static_cast<int>(block.size()), block.data()));
    }
    state.counters["x_realtime"] =
        benchmark::Counter(double(state.iterations()) * double(block.size()) / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(Render)->Arg(120)->Arg(480)->Unit(benchmark::kMicrosecond);

}

BENCHMARK_MAIN();
