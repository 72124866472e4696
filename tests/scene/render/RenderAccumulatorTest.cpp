#include "scene/render/RenderAccumulator.h"

#include "base/Debug.h"
#include "gui/paint/Image.h"
#include "scene/math/Matrix.h"
#include "scene/render/Fog.h"
#include "scene/render/Material.h"
#include "scene/render/Viewer.h"
#include "support/GLTestSupport.h"
#include "support/LogCapture.h"
#include "support/SceneBuilders.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using finch::Matrix;
using finch::RenderAccumulator;
using scenebuild::RecordingBunch;
using Log = std::vector<std::string>;

class Marker : public finch::Renderable
{
public:
    Marker(std::string name, Log& log, const GLRecorder* recorder = nullptr) : m_name(std::move(name)), m_log(log), m_recorder(recorder) {}
    using finch::Renderable::render;
    void render(kestrel::ImageBody&) override
    {
        m_log.push_back(m_name);
        drawnAtCall = m_recorder ? int(m_recorder->calls().size()) : -1;
    }
    int drawnAtCall = -1;

private:
    std::string m_name;
    Log& m_log;
    const GLRecorder* m_recorder;
};

// An unlit material of one colour.
heron::counted_ptr<finch::Material> plain(float red, float green, float blue)
{
    return finch::Material::intern(finch::Material(finch::RGBA{red, green, blue, 1.0f}));
}

Matrix translated(double x)
{
    Matrix m;
    m.setTranslation(finch::Vector3d(x, 0, 0));
    return m;
}

class RenderAccumulatorTest : public testing::Test
{
protected:
    void TearDown() override { finch::Material::unlock(); }

    kestrel::ImageBody m_target{64, 64, false};
    Log m_log;
};

}

TEST_F(RenderAccumulatorTest, AFrameWithNothingQueuedTouchesNothing)
{
    RenderAccumulator accumulator;
    finch::Viewer viewer;
    accumulator.setViewer(&viewer);
    GLRecorder recorder;
    accumulator.render(m_target);
    EXPECT_EQ(recorder.count("GetError"), int(recorder.calls().size()));
    EXPECT_EQ(recorder.count("MatrixMode"), 0);
}

TEST_F(RenderAccumulatorTest, AFrameReadsTheGLErrorAtItsStartAndAfterItsLastPhase)
{
    RenderAccumulator accumulator;
    Marker late("late renderable", m_log);
    accumulator.addRenderable(late, nullptr, true);
    ScopedGLTable table;
    // Every read finds an error, so each read of the frame leaves its line.
    table.GetError = []() -> GLenum { return GL_INVALID_OPERATION; };
    LogCapture log;
    accumulator.render(m_target);
    const std::string text = log.text();
    const auto start = text.find("GL had an error at the start of RenderAccumulator::render()");
    const auto end = text.find("GL had an error while rendering the bunches");
    EXPECT_EQ(start, text.find("GL had an error"));
    EXPECT_NE(end, std::string::npos);
    EXPECT_EQ(end, text.rfind("GL had an error")) << text;
    EXPECT_EQ(m_log, Log{"late renderable"});
}

TEST_F(RenderAccumulatorTest, EntriesAreRoutedToTheirPhasesAndDrawnPhaseByPhase)
{
    RenderAccumulator accumulator;
    RecordingBunch opaque("opaque", m_log);
    RecordingBunch blended("blended", m_log, true);
    RecordingBunch faded("faded", m_log);
    RecordingBunch ordered("ordered", m_log);
    Marker solidMarker("solid renderable", m_log);
    Marker lateMarker("late renderable", m_log);
    accumulator.addBunch(blended, nullptr);
    accumulator.addRenderable(lateMarker, nullptr, true);
    accumulator.pushOverrideState(RenderAccumulator::orderedFlag);
    accumulator.addBunch(ordered, nullptr);
    accumulator.popOverrideState();
    accumulator.pushTransparency(0.5f);
    accumulator.addBunch(faded, nullptr);
    accumulator.popTransparency();
    accumulator.addRenderable(solidMarker, nullptr, false);
    accumulator.addBunch(opaque, nullptr);
    accumulator.render(m_target);
    EXPECT_EQ(m_log, (Log{"opaque", "solid renderable", "ordered", "blended", "late renderable", "faded"}));
    EXPECT_EQ(heron::progressCode.load(), 10025);

    // Everything was emptied.
    m_log.clear();
    accumulator.render(m_target);
    EXPECT_TRUE(m_log.empty());
}

TEST_F(RenderAccumulatorTest, InstancesOfABunchAreDrawnTogetherNewestFirstWithOneMaterialEach)
{
    RenderAccumulator accumulator;
    RecordingBunch x("x", m_log);
    RecordingBunch y("y", m_log);
    x.editSurface().setMaterial(plain(1, 0, 0));
    y.editSurface().setMaterial(plain(0, 0, 1));
    const Matrix m1 = translated(1);
    const Matrix m2 = translated(2);
    const Matrix m3 = translated(3);
    std::vector<int> codes;
    x.onRender = [&] { codes.push_back(heron::progressCode.load()); };
    y.onRender = x.onRender;
    accumulator.addBunch(x, &m1);
    accumulator.addBunch(y, &m1);
    accumulator.addBunch(x, &m2);
    accumulator.addBunch(x, &m3);
    GLRecorder recorder;
    accumulator.render(m_target);
    // The bucket linked last first; in a bucket the newest entry first.
    EXPECT_EQ(m_log, (Log{"y", "x", "x", "x"}));
    EXPECT_EQ(codes, (std::vector<int>{30301, 30303, 30302, 30300}));
    // The frozen default material's colour, then one per bucket; one matrix per entry; face
    // culling set once by the frame's set-up and never switched between them.
    EXPECT_EQ(recorder.count("Color4ubv"), 3);
    EXPECT_EQ(recorder.count("MultMatrixf"), 4);
    EXPECT_EQ(recorder.count(GLRecorder::call("Disable", {GL_CULL_FACE})), 0);
}

TEST_F(RenderAccumulatorTest, BunchesSharingAMaterialApplyItOnce)
{
    finch::Material lit(finch::RGBA{0.5f, 0.5f, 0.5f, 1.0f});
    lit.setLit(true);
    const heron::counted_ptr<finch::Material> shared = finch::Material::intern(lit);
    RenderAccumulator accumulator;
    std::vector<std::unique_ptr<RecordingBunch>> bunches;
    for (const char* name : {"a", "b", "c"}) {
        bunches.push_back(std::make_unique<RecordingBunch>(name, m_log));
        bunches.back()->editSurface().setMaterial(shared);
        accumulator.addBunch(*bunches.back(), nullptr);
    }
    GLRecorder recorder;
    accumulator.render(m_target);
    EXPECT_EQ(m_log, (Log{"c", "b", "a"}));
    EXPECT_EQ(recorder.count("Materialfv"), 4);
    EXPECT_EQ(recorder.count("Materialf("), 1);
}

TEST_F(RenderAccumulatorTest, TheColourIsSentAgainOnlyToBunchesWithoutAColourArray)
{
    // The frozen default material's colour, the shared material's when it is applied, then one
    // for each later bunch that draws without a colour array.
    const struct
    {
        bool colourArray;
        int colours;
    } cases[] = {{false, 4}, {true, 2}};
    for (const auto& c : cases) {
        RenderAccumulator accumulator;
        std::vector<std::unique_ptr<RecordingBunch>> bunches;
        for (const char* name : {"a", "b", "c"}) {
            bunches.push_back(std::make_unique<RecordingBunch>(name, m_log));
            bunches.back()->editSurface().setMaterial(plain(0, 1, 0));
            bunches.back()->colourArray = c.colourArray;
            accumulator.addBunch(*bunches.back(), nullptr);
        }
        GLRecorder recorder;
        accumulator.render(m_target);
        EXPECT_EQ(recorder.count("Color4ubv"), c.colours) << c.colourArray;
        finch::Material::unlock();
    }
}

TEST_F(RenderAccumulatorTest, AMaterialIsAppliedAgainAfterARenderableDrew)
{
    finch::Material lit(finch::RGBA{0.5f, 0.5f, 0.5f, 1.0f});
    lit.setLit(true);
    RenderAccumulator accumulator;
    RecordingBunch first("first", m_log);
    RecordingBunch second("second", m_log);
    Marker between("between", m_log);
    for (RecordingBunch* bunch : {&first, &second}) {
        bunch->editSurface().setMaterial(finch::Material::intern(lit));
    }
    accumulator.pushOverrideState(RenderAccumulator::orderedFlag);
    accumulator.addBunch(first, nullptr);
    accumulator.addRenderable(between, nullptr, false);
    accumulator.addBunch(second, nullptr);
    accumulator.popOverrideState();
    GLRecorder recorder;
    accumulator.render(m_target);
    EXPECT_EQ(m_log, (Log{"first", "between", "second"}));
    // The renderable may have set any material state of its own.
    EXPECT_EQ(recorder.count("Materialf("), 2);
}

TEST_F(RenderAccumulatorTest, ALateRenderableIsDrawnWithBlendingOn)
{
    RenderAccumulator accumulator;
    GLRecorder recorder;
    Marker marker("late", m_log, &recorder);
    accumulator.addRenderable(marker, nullptr, true);
    accumulator.render(m_target);
    const int blend = recorder.indexOf(GLRecorder::call("Enable", {GL_BLEND}));
    ASSERT_GE(blend, 0);
    EXPECT_LT(blend, marker.drawnAtCall);
}

TEST_F(RenderAccumulatorTest, EachInstanceGetsItsOwnAnimationPhase)
{
    RenderAccumulator accumulator;
    RecordingBunch animated("a", m_log);
    animated.animated = true;
    const Matrix m1 = translated(1);
    const Matrix m2 = translated(2);
    accumulator.pushAnimation(0.25f);
    accumulator.addBunch(animated, &m1);
    accumulator.popAnimation();
    accumulator.pushAnimation(0.75f);
    accumulator.addBunch(animated, &m2);
    accumulator.popAnimation();
    accumulator.render(m_target);
    EXPECT_EQ(m_log, (Log{"a at " + std::to_string(0.75f), "a", "a at " + std::to_string(0.25f), "a"}));
}

TEST_F(RenderAccumulatorTest, PoppingAnEmptyStackIsLoggedAndChangesNothing)
{
    TempLog log;
    RenderAccumulator accumulator;
    const finch::Fog* const defaultFog = accumulator.fog();
    accumulator.popFog();
    accumulator.popOverrideState();
    accumulator.popTransparency();
    accumulator.popAnimation();
    EXPECT_EQ(accumulator.fog(), defaultFog);
    EXPECT_EQ(accumulator.transparency(), 1.0f);
    for (const char* name : {"popFog", "popOverrideState", "popTransparency", "popAnimation"}) {
        EXPECT_TRUE(log.contains(std::string("Error: RenderAccumulator::") + name + "() - stack underflow\n"));
    }
    finch::Fog fog;
    accumulator.pushFog(&fog);
    accumulator.pushFog(nullptr);
    EXPECT_EQ(accumulator.fog(), defaultFog);
    accumulator.pushOverrideState(1);
    accumulator.pushOverrideState(2);
    EXPECT_EQ(accumulator.overrideState(), 3u);
}

TEST_F(RenderAccumulatorTest, LinksLeftByAnotherFrameOrADeadBunchAreIgnored)
{
    RecordingBunch shared("shared", m_log);
    {
        // Queued but never drawn.
        RenderAccumulator abandoned;
        abandoned.addBunch(shared, nullptr);
        abandoned.addBunch(shared, nullptr);
    }
    RenderAccumulator accumulator;
    RenderAccumulator other;
    other.addBunch(shared, nullptr);
    accumulator.addBunch(shared, nullptr);
    auto dying = std::make_unique<RecordingBunch>("dying", m_log);
    accumulator.addBunch(*dying, nullptr);
    accumulator.pushTransparency(0.5f);
    accumulator.addBunch(*dying, nullptr);
    accumulator.popTransparency();
    dying.reset();
    accumulator.render(m_target);
    EXPECT_EQ(m_log, (Log{"shared"}));
    other.render(m_target);
    EXPECT_EQ(m_log, (Log{"shared", "shared"}));
}

TEST_F(RenderAccumulatorTest, FogUsesItsModeAndAnOpaqueColour)
{
    static float colour[4];
    static GLint mode = 0;
    ScopedGLTable table;
    table.Fogfv = [](GLenum name, const GLfloat* values) {
        if (name == GL_FOG_COLOR) {
            std::copy(values, values + 4, colour);
        }
    };
    table.Fogi = [](GLenum, GLint value) { mode = value; };
    finch::Fog fog;
    fog.mode = 1;
    fog.colour[3] = 0.2f;
    fog.apply();
    EXPECT_EQ(mode, GL_LINEAR);
    EXPECT_EQ(colour[3], 1.0f);
    fog.mode = 3;
    fog.apply();
    EXPECT_EQ(mode, GL_EXP2);
}
