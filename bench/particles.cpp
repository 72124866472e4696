// Particles moved per second by a particle system's update: a system holding the given number of
// live particles under wind, gravity and a bouncing ground, stepped at 60 frames a second of a
// hand-driven scene clock. The items-per-second column is the figure to compare.
#include "scene/core/Clock.h"
#include "scene/particles/ParticleInternals.h"
#include "scene/particles/ParticleSystem.h"

#include <benchmark/benchmark.h>

namespace
{

constexpr double frameLength = 1.0 / 60.0;

double seconds = 0.0;

double sceneSeconds()
{
    return seconds;
}

void moveParticles(benchmark::State& state)
{
    finch::Clock::setBaseClock(&sceneSeconds);
    seconds = 0.0;
    finch::Clock::tick();
    finch::ParticleSystem system;
    system.enabled = true;
    system.birthrate = float(state.range(0));
    system.minLife = system.maxLife = 1e9f;
    system.windStrength = 1.5f;
    system.gravity = 9.8f;
    system.burst({});
    for (auto _ : state) {
        seconds += frameLength;
        finch::Clock::tick();
        system.update({}, {}, false);
    }
    state.SetItemsProcessed(state.iterations() * system.internals()->liveCount());
    finch::Clock::setBaseClock(nullptr);
}

}

BENCHMARK(moveParticles)->Arg(1000)->Arg(10000)->Arg(60000);

BENCHMARK_MAIN();
