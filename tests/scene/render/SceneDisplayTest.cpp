#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLstate.h"
#include "scene/geometry/BunchCallbacks.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/graph/ViewCulledTraverser.h"
#include "scene/math/Matrix.h"
#include "scene/render/RenderAccumulator.h"
#include "scene/render/Viewer.h"
#include "support/GLTestSupport.h"
#include "support/SceneBuilders.h"
#include "support/SceneStreams.h"
#include "support/StaticScene.h"
#include "support/ZUpDisplayTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <vector>

namespace
{

using finch::Database;
using finch::GroupBranch;
using scenebuild::stream;

constexpr int side = 64;
// Bytes R, G, B, A in memory order, and the same colours as image pixels 0xAARRGGBB.
constexpr std::uint32_t red = 0xFF0000FF;
constexpr std::uint32_t green = 0xFF00FF00;
constexpr std::uint32_t white = 0xFFFFFFFF;
constexpr std::uint32_t redPixel = 0xFFFF0000;
constexpr std::uint32_t greenPixel = 0xFF00FF00;

using scenebuild::add;

// A bunch of the layout given, in one colour, at depth 10 around (x, z).
std::unique_ptr<finch::GeoBunch> layout(float x, float z, std::vector<std::int32_t> strips, std::vector<std::uint32_t> indices,
                                        int vertices, std::uint32_t colour)
{
    auto bunch = std::make_unique<finch::GeoBunch>();
    std::vector<finch::Vector3f> positions;
    for (int i = 0; i < vertices; ++i) {
        // A fan-friendly ring: centre first, then points around it.
        const float angle = float(i) * 0.9f;
        positions.push_back(i == 0 ? finch::Vector3f(x, 10, z) : finch::Vector3f(x + std::cos(angle), 10, z + std::sin(angle)));
    }
    bunch->setVertexData(stream<finch::vertex_data>(positions), true);
    bunch->setColorData(stream<finch::color_data>(std::vector<std::uint32_t>(std::size_t(vertices), colour)));
    if (!strips.empty()) {
        bunch->setStripData(stream<finch::strip_data>(strips));
    }
    if (!indices.empty()) {
        bunch->setIndexData(stream<finch::index_data>(indices));
    }
    bunch->editSurface().cullFaces = false;
    return bunch;
}

// Recolours every vertex of the bunches it is called for, once it is given a colour.
class Recolour : public finch::BunchCallbacks
{
public:
    void beforeDraw(finch::GeoBunch& bunch) override
    {
        if (colour != 0) {
            std::vector<std::uint32_t>& colours = bunch.colorSlot()->elements();
            std::fill(colours.begin(), colours.end(), colour);
            bunch.addFlags(finch::GeoBunch::coloursChanged);
        }
    }
    std::uint32_t colour = 0;
};

// Bunches of every layout side by side: strips and loose triangles by index, a fan and loose
// vertices without indices, and one with neither strips nor indices.
std::unique_ptr<Database> layouts(const heron::counted_ptr<finch::BunchCallbacks>& hook)
{
    auto geometry = std::make_unique<finch::GeometryBranch>();
    geometry->addBunch(layout(-2.5f, -2.0f, {4}, {0, 1, 2, 3, 0, 3, 4}, 5, red));
    geometry->addBunch(layout(0.0f, -2.0f, {-5}, {}, 8, green));
    geometry->addBunch(layout(2.5f, -2.0f, {}, {}, 6, white));
    geometry->addBunch(layout(-2.5f, 2.0f, {3, -4}, {}, 10, green));
    geometry->setBunchCallbacks(hook);
    auto root = std::make_unique<GroupBranch>();
    add(*root, std::move(geometry));
    return scenebuild::database(std::move(root));
}

class SceneDisplayTest : public ZUpDisplayTest
{
protected:
    void TearDown() override
    {
        ZUpDisplayTest::TearDown();
        kestrel::useDisplayLists = true;
        kestrel::resetGLProbes();
    }

    // One frame of the database seen from the origin along +y, over the background colour; around
    // may push state on the accumulator before the walk.
    kestrel::Image frame(Database& db, float background, const std::function<void(finch::RenderAccumulator&)>& around = {})
    {
        return render(side, side, [&](kestrel::ImageBody& target) {
            kestrel::setViewport(kestrel::Rect{0, 0, side, side});
            clearTo(background, background, background);
            finch::Viewer viewer;
            finch::ViewCulledTraverser traverser;
            traverser.startWithViewer(viewer);
            if (around) {
                around(traverser.accumulator());
            }
            db.traverse(traverser);
            traverser.accumulator().render(target);
        });
    }

    static int channel(std::uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }
};

// Pixels of a frame of the static scene in the state drawn by the engine (first, the frame after
// the one that compiles; between is called with the engine's frame before it) and by the minimal
// program, and the background's pixel.
struct BothPictures
{
    std::vector<std::uint32_t> engine;
    std::vector<std::uint32_t> minimal;
    std::uint32_t background = 0;
};

constexpr int staticWidth = 96;
constexpr int staticHeight = 72;
constexpr int staticBunches = 12;

BothPictures drawBoth(staticscene::State state, const std::function<void(const std::function<void()>&)>& between = {})
{
    const kestrel::Image picture = staticscene::texturePicture();
    const heron::counted_ptr<finch::Material> material =
        state == staticscene::State::Unlit ? finch::Material::defaultMaterial() : staticscene::litMaterial(picture);
    const staticscene::Scene scene = staticscene::build(state, staticBunches, 8, staticWidth, staticHeight, material);
    BothPictures both;
    GLDisplayTest::render(staticWidth, staticHeight, [&](kestrel::ImageBody& target) {
        kestrel::setViewport(kestrel::Rect{0, 0, staticWidth, staticHeight});
        kestrel::clearBuffers(staticscene::background, kestrel::ClearColour);
        both.background = staticscene::readFrame(1, 1).front();
        finch::Viewer viewer = staticscene::viewerFor(staticWidth, staticHeight);
        finch::ViewCulledTraverser traverser;
        staticscene::light(viewer);
        const auto engineFrame = [&] { staticscene::engineFrame(*scene.db, viewer, traverser, target); };
        engineFrame();
        if (between) {
            between(engineFrame);
        }
        engineFrame();
        both.engine = staticscene::readFrame(staticWidth, staticHeight);
        staticscene::MinimalProgram minimal(scene, state, picture);
        minimal.begin(viewer, target, *material);
        minimal.frame();
        minimal.end();
        both.minimal = staticscene::readFrame(staticWidth, staticHeight);
    });
    return both;
}

}

TEST_F(SceneDisplayTest, AnUnlitSquareReadFromItsStreamShowsItsVertexColour)
{
    const auto original = scenebuild::database(scenebuild::geometry("square", scenebuild::square(-1, -1, 1, 1, 10, red)));
    heron::counted_ptr<heron::Streamable> copy = scenestreams::readStream(scenestreams::streamOf(*original));
    auto* const db = dynamic_cast<Database*>(copy.get());
    ASSERT_NE(db, nullptr);
    const kestrel::Image image = frame(*db, 0.0f);
    // The square spans about 7.7 pixels each way of the centre at distance 10.
    EXPECT_EQ(pixel(image, 32, 32), redPixel);
    EXPECT_EQ(pixel(image, 26, 38), redPixel);
    EXPECT_EQ(pixel(image, 22, 32), 0xFF000000u);
    EXPECT_EQ(pixel(image, 2, 2), 0xFF000000u);
}

TEST_F(SceneDisplayTest, LinearFogHalfWayBlendsHalfAndHalf)
{
    const auto db = scenebuild::database(scenebuild::geometry("square", scenebuild::square(-1, -1, 1, 1, 10, red)));
    finch::Fog fog;
    fog.mode = 1;
    fog.start = 0.0f;
    fog.end = 20.0f;
    fog.colour[0] = 0.0f;
    fog.colour[1] = 0.0f;
    fog.colour[2] = 1.0f;
    const kestrel::Image image = frame(*db, 0.0f, [&](finch::RenderAccumulator& accumulator) {
        accumulator.pushFog(&fog);
    });
    // At depth 10 of 0..20 the fragment keeps half its red and takes half the fog's blue.
    const std::uint32_t p = pixel(image, 32, 32);
    EXPECT_NEAR(channel(p, 16), 128, 1);
    EXPECT_EQ(channel(p, 8), 0);
    EXPECT_NEAR(channel(p, 0), 128, 1);
}

TEST_F(SceneDisplayTest, BufferObjectsDisplayListsAndClientArraysDrawTheSamePixels)
{
    const auto original = layouts(heron::counted_ptr<finch::BunchCallbacks>(new finch::BunchCallbacks));
    heron::counted_ptr<heron::Streamable> copy = scenestreams::readStream(scenestreams::streamOf(*original));
    auto* const db = dynamic_cast<Database*>(copy.get());
    ASSERT_NE(db, nullptr);
    auto* const geometry = dynamic_cast<finch::GeometryBranch*>(db->mainObject()->root()->child(0));
    const heron::counted_ptr<Recolour> hook(new Recolour);
    geometry->setBunchCallbacks(hook);
    const auto bunches = [&] { return geometry->bunches(); };
    const auto redraw = [&](bool displayLists, bool buffers) {
        kestrel::useDisplayLists = displayLists;
        for (finch::GeoBunch* bunch : bunches()) {
            bunch->internals().releaseCompiled();
        }
        EXPECT_TRUE(kestrel::makeSharedContextCurrent());
        kestrel::loadVBOExtensions();
        kestrel::weHaveARBVertexBufferObjects = kestrel::weHaveARBVertexBufferObjects && buffers;
        for (finch::GeoBunch* bunch : bunches()) {
            bunch->internals().compile();
        }
        kestrel::resetGLProbes();
        const kestrel::Image image = frame(*db, 0.0f);
        return std::vector<std::uint32_t>(image.pixels(), image.pixels() + side * side);
    };
    const std::vector<std::uint32_t> client = redraw(false, false);
    EXPECT_EQ(redraw(true, true), client);
    EXPECT_TRUE(bunches()[0]->internals().hasVertexArray());
    EXPECT_EQ(redraw(true, false), client);
    // The bunch with neither strips nor indices is drawn as triangles on every path.
    EXPECT_GT(std::count(client.begin(), client.end(), 0xFFFFFFFFu), 20);
    // A hook's colour edits after compiling reach the buffer objects.
    EXPECT_EQ(redraw(true, true), client);
    hook->colour = red;
    kestrel::useDisplayLists = true;
    const kestrel::Image image = frame(*db, 0.0f);
    const std::vector<std::uint32_t> recoloured(image.pixels(), image.pixels() + side * side);
    EXPECT_EQ(std::count(recoloured.begin(), recoloured.end(), greenPixel), 0);
    EXPECT_EQ(redraw(false, false), recoloured);
}

TEST_F(SceneDisplayTest, HalfTransparencyShowsHalfOverTheBackground)
{
    const auto db = scenebuild::database(scenebuild::geometry("square", scenebuild::square(-1, -1, 1, 1, 10, white)));
    const kestrel::Image image = render(side, side, [&](kestrel::ImageBody& target) {
        kestrel::setViewport(kestrel::Rect{0, 0, side, side});
        clearTo(0.2f, 0.2f, 0.2f);
        finch::Viewer viewer;
        finch::ViewCulledTraverser traverser;
        traverser.startWithViewer(viewer);
        traverser.accumulator().pushTransparency(0.5f);
        db->traverse(traverser);
        traverser.accumulator().popTransparency();
        traverser.accumulator().render(target);
    });
    // Alpha 127 / 255 of white over 51 of grey.
    const double alpha = 127.0 / 255.0;
    const int expected = int(255 * alpha + 51 * (1 - alpha) + 0.5);
    const std::uint32_t p = pixel(image, 32, 32);
    for (const int shift : {0, 8, 16}) {
        EXPECT_NEAR(channel(p, shift), expected, 1);
    }
    EXPECT_EQ(channel(pixel(image, 2, 2), 0), 51);
}

TEST_F(SceneDisplayTest, TheEngineDrawsThePictureOfAMinimalProgram)
{
    for (const staticscene::State state : {staticscene::State::Unlit, staticscene::State::LitTextured}) {
        const BothPictures both = drawBoth(state);
        ASSERT_EQ(both.engine.size(), std::size_t(staticWidth * staticHeight));
        EXPECT_EQ(staticscene::differingPixels(both.engine, both.minimal), 0) << "state " << int(state);
        // The tiles fill the view.
        const auto shown = std::count_if(both.engine.begin(), both.engine.end(), [&](std::uint32_t p) { return p != both.background; });
        EXPECT_GT(shown, staticWidth * staticHeight * 9 / 10) << "state " << int(state);
    }
}

TEST_F(SceneDisplayTest, AFrameOfManyBunchesReadsGLErrorsOnlyPerPhase)
{
    int errorReads = -1;
    drawBoth(staticscene::State::LitTextured, [&](const std::function<void()>& engineFrame) {
        GLRecorder recorder;
        engineFrame();
        errorReads = recorder.count("GetError");
    });
    EXPECT_GE(errorReads, 0);
    EXPECT_LT(errorReads, staticBunches);
}

TEST_F(SceneDisplayTest, StaticBunchesOfOneStateGoToGLAsOneDraw)
{
    for (const staticscene::State state : {staticscene::State::Unlit, staticscene::State::LitTextured}) {
        std::vector<std::string> draws;
        drawBoth(state, [&](const std::function<void()>& engineFrame) {
            GLRecorder recorder;
            engineFrame();
            std::copy_if(recorder.calls().begin(), recorder.calls().end(), std::back_inserter(draws),
                         [](const std::string& call) { return call.starts_with("Draw"); });
        });
        // 12 tiles of 8 triangles in one list of 16-bit indices.
        EXPECT_EQ(draws, std::vector<std::string>{"DrawElements(4,288,5123,_)"}) << "state " << int(state);
    }
}

TEST_F(SceneDisplayTest, BunchesDrawnInARowKeepTheStateEachWasQueuedWith)
{
    // Two squares, b (green, right) with other state than a in one respect. Without colour arrays
    // the materials' colours show; of two squares facing away only one drawn without culling shows.
    finch::Material unlit(finch::RGBA{0, 1, 0, 1});
    unlit.setVertexColours(false);
    const auto greenMaterial = finch::Material::intern(unlit);
    // x0 > x1 turns a square away from the viewer.
    const struct
    {
        const char* change;
        float a[2];
        float b[2];
        float bMovedBy;
        bool materialColours;
        bool aCulled;
    } cases[] = {
        {"matrix", {-3, -1}, {-3, -1}, 4, false, false},
        {"material", {-3, -1}, {1, 3}, 0, true, false},
        {"face culling", {-1, -3}, {3, 1}, 0, false, true},
    };
    for (const auto& c : cases) {
        auto a = scenebuild::square(c.a[0], -1, c.a[1], 1, 10, red);
        auto b = scenebuild::square(c.b[0], -1, c.b[1], 1, 10, green);
        a->editSurface().cullFaces = c.aCulled;
        if (c.materialColours) {
            a->setColorData({});
            b->setColorData({});
            b->editSurface().setMaterial(greenMaterial);
        }
        finch::Matrix moved;
        moved.setTranslation(finch::Vector3d(c.bMovedBy, 0, 0));
        const auto twoFrames = [&](bool buffers) {
            kestrel::useDisplayLists = buffers;
            a->internals().releaseCompiled();
            b->internals().releaseCompiled();
            return render(side, side, [&](kestrel::ImageBody& target) {
                kestrel::setViewport(kestrel::Rect{0, 0, side, side});
                finch::Viewer viewer;
                finch::Matrix bModelView;
                bModelView.multiply(moved, viewer.view());
                // The first frame compiles the two one after the other; the second may batch them.
                for (int frame = 0; frame < 2; ++frame) {
                    clearTo(0, 0, 0);
                    finch::RenderAccumulator accumulator;
                    accumulator.setViewer(&viewer);
                    accumulator.addBunch(*a, nullptr);
                    accumulator.addBunch(*b, c.bMovedBy != 0 ? &bModelView : nullptr);
                    accumulator.render(target);
                }
            });
        };
        const kestrel::Image clientArrays = twoFrames(false);
        const kestrel::Image batched = twoFrames(true);
        EXPECT_EQ(pixel(clientArrays, 48, 32), greenPixel) << c.change;
        EXPECT_TRUE(std::equal(batched.pixels(), batched.pixels() + side * side, clientArrays.pixels())) << c.change;
    }
}
