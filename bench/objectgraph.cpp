// Writes and reads back one stream of a million small linked objects, beside a hand-written binary
// writer and reader of the same objects and links and a memcpy of the stream's bytes. Reports
// objects/s (items) and MB/s (bytes) of each, then the stream's times over the hand-written ones.

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace
{

constexpr int objectCount = 1000000;

// A small stored object: a value, the next object of a chain and the chain's first object.
class Link : public heron::Streamable
{
public:
    static heron::Streamable* make() { return new Link; }

    std::int32_t value = 0;
    Link* next = nullptr;
    Link* first = nullptr;

    void read(heron::DataSource& source) override { source.readInt32(value).readObjectRef(next).readObjectRef(first); }
    const char* className() const override { return "bench::Link"; }
    void write(heron::DataDest& dest) const override
    {
        dest.writeInt32(value).writeObjectRef(next).writeObjectRef(first);
    }
};

// Deletes a chain from its first object on (the chain's root is passed when it is held elsewhere).
void deleteChain(Link* link)
{
    while (link != nullptr) {
        Link* const next = link->next;
        delete link;
        link = next;
    }
}

Link* buildChain()
{
    std::vector<Link*> links(objectCount);
    for (auto& link : links) {
        link = new Link;
    }
    for (int i = 0; i < objectCount; ++i) {
        links[i]->value = i;
        links[i]->next = i + 1 < objectCount ? links[i + 1] : nullptr;
        links[i]->first = links[0];
    }
    return links[0];
}

std::vector<unsigned char> writeStream(const Link* root)
{
    heron::MemoryDataDest dest;
    dest.writeObject(root);
    return std::vector<unsigned char>(dest.data(), dest.data() + dest.size());
}

std::vector<unsigned char> chainStream()
{
    Link* const root = buildChain();
    std::vector<unsigned char> stream = writeStream(root);
    deleteChain(root);
    return stream;
}

// The hand-written layout: the object count, then per object its value and the numbers of its next
// and first objects (1 for the first object written, 0 for null), all 32-bit little-endian.
constexpr std::size_t plainRecordBytes = 12;

void storeWord(unsigned char* bytes, std::uint32_t word)
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(word >> (8 * i));
    }
}

void putWord(std::vector<unsigned char>& bytes, std::uint32_t word)
{
    bytes.resize(bytes.size() + 4);
    storeWord(bytes.data() + bytes.size() - 4, word);
}

std::uint32_t getWord(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
        std::uint32_t(bytes[3]) << 24;
}

std::vector<unsigned char> writePlain(const Link* root)
{
    std::unordered_map<const Link*, std::uint32_t> numbers;
    std::vector<const Link*> order;
    const auto number = [&numbers, &order](const Link* link) -> std::uint32_t {
        if (link == nullptr) {
            return 0;
        }
        const auto [found, added] = numbers.emplace(link, std::uint32_t(order.size() + 1));
        if (added) {
            order.push_back(link);
        }
        return found->second;
    };
    number(root);
    std::vector<unsigned char> bytes;
    bytes.reserve(4 + plainRecordBytes * objectCount);
    putWord(bytes, 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        putWord(bytes, std::uint32_t(order[i]->value));
        putWord(bytes, number(order[i]->next));
        putWord(bytes, number(order[i]->first));
    }
    storeWord(bytes.data(), std::uint32_t(order.size()));
    return bytes;
}

// Null when the count does not fit the bytes or a number names no object.
Link* readPlain(const unsigned char* bytes, std::size_t size)
{
    const std::uint32_t count = size < 4 ? 0 : getWord(bytes);
    if (count == 0 || count > (size - 4) / plainRecordBytes) {
        return nullptr;
    }
    std::vector<Link*> links(count);
    for (auto& link : links) {
        link = new Link;
    }
    const unsigned char* record = bytes + 4;
    for (Link* const link : links) {
        const std::uint32_t next = getWord(record + 4);
        const std::uint32_t first = getWord(record + 8);
        if (next > count || first > count) {
            for (Link* const made : links) {
                delete made;
            }
            return nullptr;
        }
        link->value = std::int32_t(getWord(record));
        link->next = next == 0 ? nullptr : links[next - 1];
        link->first = first == 0 ? nullptr : links[first - 1];
        record += plainRecordBytes;
    }
    return links[0];
}

std::vector<unsigned char> plainChain()
{
    Link* const root = buildChain();
    std::vector<unsigned char> bytes = writePlain(root);
    deleteChain(root);
    return bytes;
}

void report(benchmark::State& state, std::size_t bytes)
{
    state.SetItemsProcessed(std::int64_t(state.iterations()) * objectCount);
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}

heron::counted_ptr<heron::Streamable> readStream(const std::vector<unsigned char>& stream)
{
    heron::MemoryDataSource source(stream.data(), std::uint32_t(stream.size()), false);
    source.registerFactory(&Link::make);
    return source.readObject();
}

void deleteStreamChain(heron::counted_ptr<heron::Streamable>& root)
{
    deleteChain(static_cast<Link*>(root.get())->next);
    root = heron::counted_ptr<heron::Streamable>();
}

// Times one writer over the chain.
void timeWrites(benchmark::State& state, std::vector<unsigned char> (*writer)(const Link*))
{
    Link* const root = buildChain();
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = writer(root).size();
        benchmark::ClobberMemory();
    }
    report(state, bytes);
    deleteChain(root);
}

// Times one reader over its bytes; deleting what it made is left out.
template <class Read, class Delete>
void timeReads(benchmark::State& state, const std::vector<unsigned char>& bytes, Read read, Delete remove)
{
    for (auto _ : state) {
        auto root = read(bytes);
        state.PauseTiming();
        if (!root) {
            state.SkipWithError("the reader refused the bytes its writer made");
            break;
        }
        remove(root);
        state.ResumeTiming();
    }
    report(state, bytes.size());
}

Link* readPlainChain(const std::vector<unsigned char>& bytes)
{
    return readPlain(bytes.data(), bytes.size());
}

void BM_WriteObjectGraph(benchmark::State& state)
{
    timeWrites(state, &writeStream);
}

void BM_ReadObjectGraph(benchmark::State& state)
{
    timeReads(state, chainStream(), &readStream, &deleteStreamChain);
}

void BM_WriteHandWritten(benchmark::State& state)
{
    timeWrites(state, &writePlain);
}

void BM_ReadHandWritten(benchmark::State& state)
{
    timeReads(state, plainChain(), &readPlainChain, &deleteChain);
}

void BM_MemcpyOfTheStream(benchmark::State& state)
{
    const std::vector<unsigned char> stream = chainStream();
    std::vector<unsigned char> copy(stream.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), stream.data(), stream.size());
        benchmark::ClobberMemory();
    }
    report(state, stream.size());
}

}

BENCHMARK(BM_WriteObjectGraph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjectGraph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteHandWritten)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadHandWritten)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyOfTheStream)->Unit(benchmark::kMillisecond);

namespace
{

// The shortest of several runs of an operation, in milliseconds; `after` (untimed) cleans up.
template <class Operation, class Cleanup>
double bestMilliseconds(Operation operation, Cleanup after, int runs)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        auto result = operation();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        after(result);
    }
    return best;
}

// Times each side again, best of a few runs so that a busy machine disturbs the ratios less.
void printRatios()
{
    constexpr int runs = 7;
    const std::vector<unsigned char> stream = chainStream();
    const std::vector<unsigned char> plain = plainChain();
    const double streamRead = bestMilliseconds([&stream] { return readStream(stream); }, &deleteStreamChain, runs);
    const double plainRead = bestMilliseconds([&plain] { return readPlainChain(plain); }, &deleteChain, runs);
    Link* const root = buildChain();
    const auto keep = [](const std::vector<unsigned char>&) {};
    const double streamWrite = bestMilliseconds([root] { return writeStream(root); }, keep, runs);
    const double plainWrite = bestMilliseconds([root] { return writePlain(root); }, keep, runs);
    deleteChain(root);
    std::printf("best of %d runs: read stream %.1f ms, hand-written %.1f ms; write stream %.1f ms, hand-written "
                "%.1f ms\n",
                runs, streamRead, plainRead, streamWrite, plainWrite);
    std::printf("ratio read stream / hand-written: %.2f (goal: 3 or less)\n", streamRead / plainRead);
    std::printf("ratio write stream / hand-written: %.2f\n", streamWrite / plainWrite);
}

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    return 0;
}
