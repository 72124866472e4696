// Typed reads and writes over a 64 MB memory stream, each compared with a plain memcpy of the same
// number of bytes (the counter "x_memcpy" is the stream's time divided by the memcpy's time).
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/heron_string.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

namespace
{

constexpr std::uint32_t streamBytes = 64u << 20;
constexpr std::uint32_t stringLength = 24;

using Clock = std::chrono::steady_clock;

// Best of a few memcpy runs of n bytes, in seconds.
double memcpySeconds(std::uint32_t n)
{
    std::vector<unsigned char> from(n, 1);
    std::vector<unsigned char> to(n);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        std::memcpy(to.data(), from.data(), n);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Times body once per iteration, reports bytes per second and the ratio to memcpy of those bytes.
void measure(benchmark::State& state, std::uint32_t bytes, const std::function<void()>& body)
{
    const double copy = memcpySeconds(bytes);
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        body();
        total += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * bytes);
    state.counters["x_memcpy"] = total / double(state.iterations()) / copy;
}

// Tags spread over one- and five-byte forms, about one long one in 16.
std::uint32_t tagValue(std::uint32_t i)
{
    return (i & 15) == 0 ? 1000 + i : i % 255;
}

void writeTags(heron::MemoryDataDest& sink)
{
    for (std::uint32_t i = 0; sink.size() < streamBytes; ++i) {
        sink.writeTag(tagValue(i));
    }
}

void writeWords(heron::MemoryDataDest& sink)
{
    for (std::uint32_t i = 0; i < streamBytes / 4; ++i) {
        sink.writeUInt32(i);
    }
}

void writeStrings(heron::MemoryDataDest& sink)
{
    const heron_string text(stringLength, 's');
    while (sink.size() < streamBytes) {
        sink.writeString(text);
    }
}

template <typename Fill>
void benchWrite(benchmark::State& state, Fill fill)
{
    measure(state, streamBytes, [&] {
        heron::MemoryDataDest sink(0);
        fill(sink);
        benchmark::DoNotOptimize(sink.data());
    });
}

template <typename Fill, typename ReadAll>
void benchRead(benchmark::State& state, Fill fill, ReadAll readAll)
{
    heron::MemoryDataDest sink(0);
    fill(sink);
    measure(state, sink.size(), [&] {
        heron::MemoryDataSource source(sink.data(), sink.size(), false);
        readAll(source);
    });
}

void BM_Memcpy(benchmark::State& state)
{
    std::vector<unsigned char> from(streamBytes, 1);
    std::vector<unsigned char> to(streamBytes);
    measure(state, streamBytes, [&] {
        std::memcpy(to.data(), from.data(), streamBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    });
}

void BM_WriteTags(benchmark::State& state)
{
    benchWrite(state, writeTags);
}

void BM_ReadTags(benchmark::State& state)
{
    benchRead(state, writeTags, [](heron::MemoryDataSource& source) {
        std::uint32_t value = 0;
        while (source.remaining() > 0) {
            source.readTag(value);
            benchmark::DoNotOptimize(value);
        }
    });
}

void BM_WriteUInt32(benchmark::State& state)
{
    benchWrite(state, writeWords);
}

void BM_ReadUInt32(benchmark::State& state)
{
    benchRead(state, writeWords, [](heron::MemoryDataSource& source) {
        std::uint32_t value = 0;
        for (std::uint32_t i = 0; i < streamBytes / 4; ++i) {
            source.readUInt32(value);
            benchmark::DoNotOptimize(value);
        }
    });
}

void BM_WriteStrings(benchmark::State& state)
{
    benchWrite(state, writeStrings);
}

void BM_ReadStrings(benchmark::State& state)
{
    benchRead(state, writeStrings, [](heron::MemoryDataSource& source) {
        heron_string value;
        while (source.remaining() > 0) {
            source.readString(value);
            benchmark::DoNotOptimize(value.data());
        }
    });
}

}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteUInt32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadUInt32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteStrings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadStrings)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
