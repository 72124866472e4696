// Costs of what every frame and every sound thread pays: a free lock, a shared-pointer change,
// a clock read and a log call while no log file is set.
#include "base/Debug.h"
#include "base/Mutex.h"
#include "base/Refcountable.h"
#include "base/counted_ptr.h"

#include <benchmark/benchmark.h>

namespace
{

class Counted : public heron::Refcountable
{
};

class Plain
{
};

void freeMutexLock(benchmark::State& state)
{
    heron::Mutex mutex("Bench");
    for (auto _ : state) {
        heron::MutexLock lock(mutex, 1);
    }
}
BENCHMARK(freeMutexLock);

template <class T>
void countedPtrCopyAndAssign(benchmark::State& state)
{
    const heron::counted_ptr<T> source(new T);
    heron::counted_ptr<T> target;
    for (auto _ : state) {
        heron::counted_ptr<T> copy = source;
        target = copy;
        benchmark::DoNotOptimize(target.get());
    }
}
BENCHMARK(countedPtrCopyAndAssign<Counted>);
BENCHMARK(countedPtrCopyAndAssign<Plain>);

void clockRead(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(heron::getTime());
    }
}
BENCHMARK(clockRead);

void debugWithoutLogFile(benchmark::State& state)
{
    heron::setDebugLogFile(nullptr);
    for (auto _ : state) {
        heron::debug("value %d\n", 1);
    }
}
BENCHMARK(debugWithoutLogFile);

}

BENCHMARK_MAIN();
