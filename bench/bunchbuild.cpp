// Bunch building (welding loose triangles into an indexed bunch) on height-field grids and on
// fans around one centre, against a brute-force weld that compares every corner with every vertex
// emitted so far. Rates are triangles per second ("brute" rows are the reference; they stop at
// the smaller sizes because they grow with the square of the corners).
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/TriangleList.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

using finch::Corner;
using finch::Triangle;
using finch::TriangleList;
using finch::Vector3f;

Corner corner(float x, float y, float z)
{
    return Corner{Vector3f(x, y, z)};
}

// A side x side height field, two triangles per square.
TriangleList grid(int side)
{
    TriangleList list;
    const auto at = [](int x, int y) { return corner(float(x), float(y), std::sin(float(x) * 0.3f) * std::cos(float(y) * 0.2f)); };
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side; ++y) {
            list.add({at(x, y), at(x + 1, y), at(x, y + 1)});
            list.add({at(x + 1, y), at(x + 1, y + 1), at(x, y + 1)});
        }
    }
    return list;
}

// A fan of n triangles around the origin: every triangle shares the centre corner.
TriangleList fan(int n)
{
    TriangleList list;
    const auto rim = [n](int k) {
        const float a = 6.2831853f * float(k) / float(n);
        return corner(10.0f * std::cos(a), 10.0f * std::sin(a), 0.0f);
    };
    for (int k = 0; k < n; ++k) {
        list.add({corner(0, 0, 1), rim(k), rim(k + 1)});
    }
    return list;
}

// The reference: every corner is compared with every vertex emitted so far.
std::size_t bruteWeld(const TriangleList& list, float tolerance)
{
    std::vector<Vector3f> vertices;
    std::vector<std::uint32_t> indices;
    for (const Triangle& triangle : list.triangles()) {
        for (const Corner& c : triangle) {
            std::size_t found = vertices.size();
            for (std::size_t v = 0; v < vertices.size(); ++v) {
                const float dx = vertices[v].x - c.position.x;
                const float dy = vertices[v].y - c.position.y;
                const float dz = vertices[v].z - c.position.z;
                if (dx * dx + dy * dy + dz * dz < tolerance * tolerance) {
                    found = v;
                    break;
                }
            }
            if (found == vertices.size()) {
                vertices.push_back(c.position);
            }
            indices.push_back(std::uint32_t(found));
        }
    }
    return vertices.size();
}

void report(benchmark::State& state, const TriangleList& list)
{
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(list.size()));
}

void builder(benchmark::State& state, TriangleList (*make)(int))
{
    const TriangleList list = make(int(state.range(0)));
    for (auto _ : state) {
        finch::GeoBunch bunch;
        bunch.buildFromTriangles(list);
        benchmark::DoNotOptimize(bunch.vertexCount());
    }
    report(state, list);
}

void brute(benchmark::State& state, TriangleList (*make)(int))
{
    const TriangleList list = make(int(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(bruteWeld(list, 1e-3f));
    }
    report(state, list);
}

}

BENCHMARK_CAPTURE(builder, grid, &grid)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(brute, grid, &grid)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(builder, fan, &fan)->Arg(512)->Arg(4096)->Arg(32768)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(brute, fan, &fan)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
