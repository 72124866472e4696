// Writes and reads back one stream of a million small linked objects, beside a memcpy of the same
// bytes. Reports objects/s (items) and MB/s (bytes) of each.

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"

#include <benchmark/benchmark.h>

#include <cstring>
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

void report(benchmark::State& state, std::size_t bytes)
{
    state.SetItemsProcessed(std::int64_t(state.iterations()) * objectCount);
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}

void BM_WriteObjectGraph(benchmark::State& state)
{
    Link* const root = buildChain();
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = writeStream(root).size();
        benchmark::ClobberMemory();
    }
    report(state, bytes);
    deleteChain(root);
}

void BM_ReadObjectGraph(benchmark::State& state)
{
    const std::vector<unsigned char> stream = chainStream();
    for (auto _ : state) {
        heron::MemoryDataSource source(stream.data(), std::uint32_t(stream.size()), false);
        source.registerFactory(&Link::make);
        heron::counted_ptr<heron::Streamable> root = source.readObject();
        state.PauseTiming();
        auto* const first = static_cast<Link*>(root.get());
        deleteChain(first->next);
        root = heron::counted_ptr<heron::Streamable>();
        state.ResumeTiming();
    }
    report(state, stream.size());
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
BENCHMARK(BM_MemcpyOfTheStream)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
