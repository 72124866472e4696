// Collision and ray queries against a terrain of 100,352 triangles (224 x 224 squares of a smooth
// height field) in 196 geometry branches under 14 groups: the database walk with its box culling
// beside a loop over every triangle of the same terrain. Swept spheres of radius 0.5 take steps of
// up to 4 units from just above the ground; rays run between random points above and below it.
#include "scene/collide/DatabaseCollider.h"
#include "scene/collide/RayTracer.h"
#include "scene/math/Random.h"
#include "tests/support/CollisionScenes.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

using collisionscene::Corners;
using finch::Vector3d;

constexpr int squaresPerSide = 224;
constexpr int tilesPerSide = 14;
constexpr int squaresPerTile = squaresPerSide / tilesPerSide;
constexpr double squareSize = 1.0;
constexpr int queries = 1024;

double height(double x, double y)
{
    return 3.0 * std::sin(x * 0.11) * std::cos(y * 0.07) + std::sin(x * 0.5 + y * 0.3);
}

Vector3d groundPoint(int i, int j)
{
    const double x = i * squareSize;
    const double y = j * squareSize;
    return {x, y, height(x, y)};
}

std::vector<Corners> tile(int ti, int tj)
{
    std::vector<Corners> out;
    for (int i = ti * squaresPerTile; i < (ti + 1) * squaresPerTile; ++i) {
        for (int j = tj * squaresPerTile; j < (tj + 1) * squaresPerTile; ++j) {
            collisionscene::addQuad(out, groundPoint(i, j), groundPoint(i + 1, j), groundPoint(i + 1, j + 1), groundPoint(i, j + 1));
        }
    }
    return out;
}

struct Terrain
{
    std::unique_ptr<finch::Database> db;
    std::vector<Corners> triangles;
};

Terrain& terrain()
{
    static Terrain built = [] {
        Terrain t;
        auto root = std::make_unique<finch::GroupBranch>();
        for (int ti = 0; ti < tilesPerSide; ++ti) {
            auto row = std::make_unique<finch::GroupBranch>();
            for (int tj = 0; tj < tilesPerSide; ++tj) {
                const std::vector<Corners> part = tile(ti, tj);
                scenebuild::add(*row, collisionscene::geometry("tile", part));
                t.triangles.insert(t.triangles.end(), part.begin(), part.end());
            }
            scenebuild::add(*root, std::move(row));
        }
        t.db = scenebuild::database(std::move(root));
        return t;
    }();
    return built;
}

// Every triangle of the terrain, tested on every step.
class AllTriangles : public finch::TriangleCollider
{
public:
    explicit AllTriangles(const std::vector<Corners>& list)
    {
        for (const Corners& corners : list) {
            triangles().push_back(collisionscene::collisionTriangle(corners));
        }
    }
    void prepare(const Collider&) override {}
    void collectTriangles(const Collider&, std::vector<finch::CollisionTriangle>&) override {}
};

class Mover : public finch::Collider
{
public:
    bool test(const Collider&, double&, Vector3d&) override { return false; }
};

struct Step
{
    Vector3d start;
    Vector3d move;
};

std::vector<Step> steps()
{
    finch::Random random(2026);
    std::vector<Step> out;
    const double extent = squaresPerSide * squareSize;
    for (int i = 0; i < queries; ++i) {
        const double x = 10.0 + random.uniform(extent - 20.0);
        const double y = 10.0 + random.uniform(extent - 20.0);
        const Vector3d start(x, y, height(x, y) + 0.6 + random.uniform(1.0));
        const Vector3d move(random.uniform(4.0) - 2.0, random.uniform(4.0) - 2.0, -random.uniform(2.0));
        out.push_back({start, move});
    }
    return out;
}

std::vector<finch::Ray> rays()
{
    finch::Random random(77);
    std::vector<finch::Ray> out;
    const double extent = squaresPerSide * squareSize;
    for (int i = 0; i < queries; ++i) {
        finch::Ray ray;
        ray.setOrigin(Vector3d(random.uniform(extent), random.uniform(extent), 6.0 + random.uniform(10.0)));
        ray.setThrough(Vector3d(random.uniform(extent), random.uniform(extent), -6.0));
        out.push_back(ray);
    }
    return out;
}

template <class Collidee>
void runSteps(benchmark::State& state, Collidee& collidee)
{
    const std::vector<Step> all = steps();
    Mover mover;
    std::size_t i = 0;
    for (auto _ : state) {
        const Step& step = all[i++ % all.size()];
        mover.setMove(step.start, step.move, 0.5);
        mover.addCollidee(&collidee, nullptr);
        benchmark::DoNotOptimize(mover.collide());
    }
    state.SetItemsProcessed(state.iterations());
}

void collideDatabase(benchmark::State& state)
{
    finch::DatabaseCollider collidee(*terrain().db);
    runSteps(state, collidee);
}
BENCHMARK(collideDatabase);

void collideEveryTriangle(benchmark::State& state)
{
    AllTriangles collidee(terrain().triangles);
    runSteps(state, collidee);
}
BENCHMARK(collideEveryTriangle);

void traceDatabase(benchmark::State& state)
{
    const std::vector<finch::Ray> all = rays();
    finch::RayTracer tracer;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tracer.trace(all[i++ % all.size()], *terrain().db));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(traceDatabase);

// The same triangles in one branch, so that its own triangle loop meets every one of them.
void traceEveryTriangle(benchmark::State& state)
{
    const std::vector<finch::Ray> all = rays();
    auto branch = collisionscene::geometry("everything", terrain().triangles);
    finch::BranchCollidable& collidable = *branch->collidable();
    std::size_t i = 0;
    for (auto _ : state) {
        finch::RayHit hit;
        benchmark::DoNotOptimize(collidable.intersectRay(all[i++ % all.size()], hit, false, nullptr));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(traceEveryTriangle);

}

BENCHMARK_MAIN();
