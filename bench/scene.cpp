// One frame of the scene engine. Without a display: the CPU cost of traversal, culling and
// accumulation (and the accumulator's drawing into a GL layer that does nothing) for scenes of 1k
// to 100k geometry branches with one bunch each, in groups of 10. Under a display (xvfb-run, Mesa):
// the frame time of a static scene through the engine against a minimal GL program drawing the
// same triangles from one buffer object, printed as a ratio.
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

#include <benchmark/benchmark.h>

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

// Seconds per frame of draw, each frame finished, over a number of frames after a warm-up.
double secondsPerFrame(const std::function<void()>& draw)
{
    for (int i = 0; i < 3; ++i) {
        draw();
    }
    constexpr int frames = 30;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        draw();
        plat::gl().Finish();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / frames;
}

// The same triangles as the engine draws, from one buffer object, in one call.
double minimalProgram(finch::Database& db)
{
    std::vector<float> vertices;
    std::vector<std::uint32_t> colours;
    struct Collect : finch::GeoBunch::TriangleProcessor
    {
        std::vector<float>& vertices;
        std::vector<std::uint32_t>& colours;
        Collect(std::vector<float>& v, std::vector<std::uint32_t>& c) : vertices(v), colours(c) {}
        void process(finch::GeoBunch& bunch, std::uint32_t a, std::uint32_t b, std::uint32_t c) override
        {
            for (const std::uint32_t i : {a, b, c}) {
                const finch::Vector3f& p = bunch.vertexSlot()->elements()[i];
                vertices.insert(vertices.end(), {p.x, p.y, p.z});
                colours.push_back(bunch.colorSlot()->elements()[i]);
            }
        }
    } collect(vertices, colours);
    for (finch::Branch* group : static_cast<finch::GroupBranch*>(db.mainObject()->root())->children()) {
        for (finch::Branch* leaf : static_cast<finch::GroupBranch*>(group)->children()) {
            for (finch::GeoBunch* bunch : static_cast<finch::GeometryBranch*>(leaf)->bunches()) {
                bunch->internals().forEachTriangle(collect);
            }
        }
    }
    plat::GLFunctions& g = plat::gl();
    GLuint buffer = 0;
    g.GenBuffersARB(1, &buffer);
    g.BindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
    const std::size_t positionBytes = vertices.size() * sizeof(float);
    g.BufferDataARB(GL_ARRAY_BUFFER_ARB, GLsizeiptrARB(positionBytes + colours.size() * 4), nullptr, GL_STATIC_DRAW_ARB);
    g.BufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, GLsizeiptrARB(positionBytes), vertices.data());
    g.BufferSubDataARB(GL_ARRAY_BUFFER_ARB, GLintptrARB(positionBytes), GLsizeiptrARB(colours.size() * 4), colours.data());
    const double seconds = secondsPerFrame([&] {
        g.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        g.EnableClientState(GL_VERTEX_ARRAY);
        g.EnableClientState(GL_COLOR_ARRAY);
        g.VertexPointer(3, GL_FLOAT, 0, nullptr);
        g.ColorPointer(4, GL_UNSIGNED_BYTE, 0, reinterpret_cast<const void*>(positionBytes));
        g.DrawArrays(GL_TRIANGLES, 0, GLsizei(colours.size()));
    });
    g.DisableClientState(GL_COLOR_ARRAY);
    g.BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    g.DeleteBuffersARB(1, &buffer);
    return seconds;
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

// Engine and minimal program on Mesa, as a ratio of frame times.
void compareOnMesa()
{
    if (!kestrel::getGLcapabilities().valid || !kestrel::makeSharedContextCurrent()) {
        std::printf("No OpenGL display: run under xvfb-run for the Mesa comparison.\n");
        return;
    }
    kestrel::useDisplayLists = true;
    kestrel::zUp = true;
    // Every branch in view: a grid seen from above.
    const auto db = grid(1000, 200);
    finch::Viewer viewer;
    viewer.setNearFar(1.0, 1000.0);
    finch::Matrix camera;
    camera.setAxisRotation(-90.0, finch::Vector3d(1, 0, 0));
    camera.translate(finch::Vector3d(0, 0, 150));
    viewer.setMatrix(camera);
    finch::ViewCulledTraverser traverser;
    double engine = 0.0;
    double minimal = 0.0;
    kestrel::Image image(256, 256);
    LambdaPaint paint([&](kestrel::ImageBody& target) {
        kestrel::setViewport(kestrel::Rect{0, 0, 256, 256});
        engine = secondsPerFrame([&] {
            const float black[4] = {0, 0, 0, 1};
            kestrel::clearBuffers(black, kestrel::ClearColour | kestrel::ClearDepth);
            frame(*db, viewer, traverser, target);
        });
        viewer.setWindowSize(target);
        viewer.view().loadGL();
        minimal = minimalProgram(*db);
    });
    kestrel::renderToImage(image, paint);
    std::printf("Mesa, %d triangles in %d bunches: engine %.3f ms, one buffer object %.3f ms per frame, ratio %.2f\n",
                1000 * 200, 1000, engine * 1e3, minimal * 1e3, minimal > 0.0 ? engine / minimal : 0.0);
}

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    compareOnMesa();
    return 0;
}
