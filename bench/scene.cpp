// One frame of the scene engine. Without a display: the CPU cost of traversal, culling and
// accumulation (and the accumulator's drawing into a GL layer that does nothing) for scenes of 1k
// to 100k geometry branches with one bunch each, in groups of 10. Under a display (xvfb-run, Mesa):
// the frame time at 800 x 600 of a static scene of 1,000 bunches (100k and 1M triangles, unlit
// and lit with one texture) through the engine against a minimal GL program drawing the same
// triangles from one buffer object, printed one line per case as a ratio with its spread over
// the rounds, and how many pixels of the two pictures differ.
#include "base/Debug.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/paint/Image.h"
#include "platform/GLFunctions.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/graph/ViewCulledTraverser.h"
#include "scene/render/Material.h"
#include "scene/render/Viewer.h"
#include "tests/support/SceneBuilders.h"
#include "tests/support/StaticScene.h"

#include "TimedTurns.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

constexpr int groupSize = 10;

// Squares of `triangles` triangles (a strip) on a grid around the viewer, one per geometry
// branch, groupSize branches per group; about a quarter lie inside the view.
std::unique_ptr<finch::Database> grid(int branches, int triangles)
{
    auto root = std::make_unique<finch::GroupBranch>();
    const int perSide = int(std::ceil(std::sqrt(double(branches))));
    std::unique_ptr<finch::GroupBranch> group;
    for (int i = 0; i < branches; ++i) {
        if (!group) {
            group = std::make_unique<finch::GroupBranch>();
        }
        const float x = float(i % perSide - perSide / 2) * 3.0f;
        const float y = float(i / perSide - perSide / 2) * 3.0f;
        auto bunch = std::make_unique<finch::GeoBunch>();
        std::vector<finch::Vector3f> positions;
        for (int v = 0; v < triangles + 2; ++v) {
            positions.emplace_back(x + float(v / 2) * (2.0f / float(triangles)), y, float(v % 2));
        }
        bunch->setVertexData(scenebuild::stream<finch::vertex_data>(positions), true);
        bunch->setColorData(scenebuild::stream<finch::color_data>(std::vector<std::uint32_t>(positions.size(), 0xFF00FF00)));
        bunch->setStripData(scenebuild::stream<finch::strip_data>(std::vector<std::int32_t>{triangles + 2}));
        scenebuild::add(*group, scenebuild::geometry("g", std::move(bunch)));
        if (group->childCount() == groupSize || i + 1 == branches) {
            scenebuild::add(*root, std::move(group));
        }
    }
    return scenebuild::database(std::move(root));
}

void frame(finch::Database& db, finch::Viewer& viewer, finch::ViewCulledTraverser& traverser, kestrel::ImageBody& target)
{
    traverser.startWithViewer(viewer);
    db.traverse(traverser);
    traverser.accumulator().render(target);
}

void BM_FrameWithoutGL(benchmark::State& state)
{
    kestrel::useDisplayLists = false;
    const auto db = grid(int(state.range(0)), 2);
    finch::Viewer viewer;
    viewer.setNearFar(1.0, 200.0);
    finch::ViewCulledTraverser traverser;
    kestrel::ImageBody target(640, 480, false);
    for (auto _ : state) {
        frame(*db, viewer, traverser, target);
    }
    state.counters["tests"] = finch::cullStatistics.cullTests;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FrameWithoutGL)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Seconds one frame of draw takes, finished.
double frameSeconds(const std::function<void()>& draw)
{
    const auto start = std::chrono::steady_clock::now();
    draw();
    plat::gl().Finish();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A GL client that paints with a function.
class LambdaPaint : public kestrel::GLclient
{
public:
    explicit LambdaPaint(std::function<void(kestrel::ImageBody&)> paint) : m_paint(std::move(paint)) {}
    void paintGL(kestrel::ImageBody& target) override { m_paint(target); }

private:
    std::function<void(kestrel::ImageBody&)> m_paint;
};

constexpr int width = 800;
constexpr int height = 600;
constexpr int bunches = 1000;

// One case: after two frames of each (the engine's first compiles), one frame of each is read
// back and compared, then the two are timed in turns.
void compareCase(staticscene::State state, int triangles, kestrel::ImageBody& target)
{
    using staticscene::State;
    const kestrel::Image picture = staticscene::texturePicture();
    const heron::counted_ptr<finch::Material> material =
        state == State::Unlit ? finch::Material::defaultMaterial() : staticscene::litMaterial(picture);
    const staticscene::Scene scene = staticscene::build(state, bunches, triangles / bunches, width, height, material);
    finch::Viewer viewer = staticscene::viewerFor(width, height);
    finch::ViewCulledTraverser traverser;
    staticscene::MinimalProgram minimal(scene, state, picture);
    staticscene::light(viewer);
    const auto engineFrame = [&] { return frameSeconds([&] { staticscene::engineFrame(*scene.db, viewer, traverser, target); }); };
    const auto minimalFrame = [&] {
        minimal.begin(viewer, target, *material);
        const double seconds = frameSeconds([&] { minimal.frame(); });
        minimal.end();
        return seconds;
    };
    minimalFrame();
    engineFrame();
    engineFrame();
    const std::vector<std::uint32_t> enginePixels = staticscene::readFrame(width, height);
    minimalFrame();
    const std::vector<std::uint32_t> minimalPixels = staticscene::readFrame(width, height);
    using timedturns::median;
    const timedturns::Rounds rounds = timedturns::timeInTurns(engineFrame, minimalFrame, triangles > 200000 ? 4 : 12);
    const std::vector<double>& ratios = rounds.ratios;
    std::printf("static scene %s %d: engine %.2f ms, minimal %.2f ms, ratio %.2f (rounds %.2f-%.2f), "
                "pictures differ in %d of %d pixels\n",
                state == State::Unlit ? "unlit" : "lit", triangles, median(rounds.engine) * 1e3, median(rounds.minimal) * 1e3,
                median(ratios), *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
                staticscene::differingPixels(enginePixels, minimalPixels), width * height);
    std::fflush(stdout);
}

// The engine against a minimal GL program at 800 x 600, as ratios of frame times.
void compareWithMinimalProgram()
{
    if (!kestrel::getGLcapabilities().valid || !kestrel::makeSharedContextCurrent()) {
        std::printf("No OpenGL display: run under xvfb-run for the comparison with a minimal program.\n");
        return;
    }
    kestrel::useDisplayLists = true;
    kestrel::zUp = true;
    kestrel::Image image(width, height);
    LambdaPaint paint([&](kestrel::ImageBody& target) {
        kestrel::setViewport(kestrel::Rect{0, 0, width, height});
        for (const staticscene::State state : {staticscene::State::Unlit, staticscene::State::LitTextured}) {
            for (const int triangles : {100000, 1000000}) {
                compareCase(state, triangles, target);
            }
        }
    });
    kestrel::renderToImage(image, paint);
}

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    compareWithMinimalProgram();
    return 0;
}
