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

// Each fill writes a fixed number of values that make about streamBytes, so neither the fills nor
// the read loops ask the stream how much it holds. Tags: fifteen one-byte forms and one five-byte
// form in every 16.
constexpr std::uint32_t tagCount = streamBytes / 20 * 16;
constexpr std::uint32_t wordCount = streamBytes / 4;
constexpr std::uint32_t stringCount = streamBytes / (stringLength + 1);

std::uint32_t tagValue(std::uint32_t i)
{
    return (i & 15) == 0 ? 1000 + i : i & 127;
}

void writeTags(heron::MemoryDataDest& sink)
{
    for (std::uint32_t i = 0; i < tagCount; ++i) {
        sink.writeTag(tagValue(i));
    }
}

void writeWords(heron::MemoryDataDest& sink)
{
    for (std::uint32_t i = 0; i < wordCount; ++i) {
        sink.writeUInt32(i);
    }
}

void writeStrings(heron::MemoryDataDest& sink)
{
    const heron_string text(stringLength, 's');
    for (std::uint32_t i = 0; i < stringCount; ++i) {
        sink.writeString(text);
    }
}

// The sink is filled once before timing, so the timed fills reuse its block instead of paying
// for the page faults of a fresh one.
template <typename Fill>
void benchWrite(benchmark::State& state, Fill fill)
{
    heron::MemoryDataDest sink(0);
    fill(sink);
    measure(state, sink.size(), [&] {
        sink.clear();
        fill(sink);
        benchmark::DoNotOptimize(sink.data());
        benchmark::ClobberMemory();
    });
}

// Reads count values with read, which adds each to a sum kept from the optimiser at the end.
template <typename Fill, typename Read>
void benchRead(benchmark::State& state, Fill fill, std::uint32_t count, Read read)
{
    heron::MemoryDataDest sink(0);
    fill(sink);
    measure(state, sink.size(), [&, count] {
        heron::MemoryDataSource source(sink.data(), sink.size(), false);
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            sum += read(source);
        }
        benchmark::DoNotOptimize(sum);
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
    benchRead(state, writeTags, tagCount, [](heron::MemoryDataSource& source) {
        std::uint32_t value = 0;
        source.readTag(value);
        return value;
    });
}

// The floor for tags: the same loops over a plain buffer, with nothing of the stream in between.
void BM_WriteTagsPlainLoop(benchmark::State& state)
{
    std::vector<unsigned char> block(streamBytes);
    measure(state, tagCount / 16 * 20, [&] {
        unsigned char* next = block.data();
        for (std::uint32_t i = 0; i < tagCount; ++i) {
            const std::uint32_t value = tagValue(i);
            if (value < 255) {
                *next++ = static_cast<unsigned char>(value);
                continue;
            }
            *next = 255;
            std::memcpy(next + 1, &value, 4);
            next += 5;
        }
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    });
}

void BM_ReadTagsPlainLoop(benchmark::State& state)
{
    heron::MemoryDataDest sink(0);
    writeTags(sink);
    measure(state, sink.size(), [&] {
        const unsigned char* next = sink.data();
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < tagCount; ++i) {
            std::uint32_t value = *next;
            if (value == 255) {
                std::memcpy(&value, next + 1, 4);
                next += 4;
            }
            ++next;
            sum += value;
        }
        benchmark::DoNotOptimize(sum);
    });
}

void BM_WriteUInt32(benchmark::State& state)
{
    benchWrite(state, writeWords);
}

void BM_ReadUInt32(benchmark::State& state)
{
    benchRead(state, writeWords, wordCount, [](heron::MemoryDataSource& source) {
        std::uint32_t value = 0;
        source.readUInt32(value);
        return value;
    });
}

void BM_WriteStrings(benchmark::State& state)
{
    benchWrite(state, writeStrings);
}

void BM_ReadStrings(benchmark::State& state)
{
    heron_string value;
    benchRead(state, writeStrings, stringCount, [&value](heron::MemoryDataSource& source) {
        source.readString(value);
        return std::uint32_t(value.length() + std::uint8_t(value[0]));
    });
}

}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTagsPlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTagsPlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteUInt32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadUInt32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteStrings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadStrings)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
