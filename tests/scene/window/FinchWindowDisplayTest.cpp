#include "gui/toolkit/Event.h"
#include "gui/toolkit/Updatable.h"
#include "scene/render/Material.h"
#include "scene/window/FinchWindow.h"
#include "support/GLTestSupport.h"
#include "support/SceneBuilders.h"

#include <gtest/gtest.h>

namespace
{

using kestrel::Event;

// The start of a recorded call whose last argument follows those given (a pointer, or a value
// not fixed here).
std::string callWithPointer(const char* name, std::initializer_list<long long> args)
{
    std::string call = GLRecorder::call(name, args);
    call.back() = ',';
    return call;
}

constexpr int side = 64;
// Bytes R, G, B, A in memory order, and the same colour as an image pixel 0xAARRGGBB.
constexpr std::uint32_t red = 0xFF0000FF;
constexpr std::uint32_t redPixel = 0xFFFF0000;
constexpr std::uint32_t blackPixel = 0xFF000000;

// A 64 x 64 window showing a red square of side 2 around the origin, facing a camera 10 units
// away along -y.
class FinchWindowDisplayTest : public GLDisplayTest
{
protected:
    void SetUp() override
    {
        GLDisplayTest::SetUp();
        if (!hasDisplay()) {
            return;
        }
        m_zUp = kestrel::zUp;
        kestrel::zUp = true;
        window.setSize(side, side);
        window.create();
        ASSERT_TRUE(window.isOpen());
        auto db = scenebuild::database(scenebuild::geometry("square", scenebuild::square(-1, -1, 1, 1, 0, red)));
        window.setDatabase(heron::counted_ptr<finch::Database>(db.release()));
        finch::Transform placement;
        placement.position = finch::Vector3d(0.0, -10.0, 0.0);
        window.viewer().setTransform(placement);
    }
    void TearDown() override
    {
        kestrel::zUp = m_zUp;
        finch::Material::unlock();
    }

    kestrel::Image frame()
    {
        kestrel::Image image(side, side);
        EXPECT_TRUE(kestrel::renderToImage(image, window));
        return image;
    }

    // A wheel turn over the window's centre.
    Event turn(int delta)
    {
        Event event(Event::Wheel, &window);
        event.setMousePosition(side / 2, side / 2);
        event.wheelDelta = delta;
        return event;
    }

    finch::FinchWindow window;
    bool m_zUp = false;
};

}

TEST_F(FinchWindowDisplayTest, TheDatabaseIsDrawnThroughTheWindowsViewer)
{
    const kestrel::Image image = frame();
    // The square spans about 7.7 pixels each way of the centre at distance 10.
    EXPECT_EQ(pixel(image, 32, 32), redPixel);
    EXPECT_EQ(pixel(image, 26, 38), redPixel);
    EXPECT_EQ(pixel(image, 41, 32), blackPixel);
    EXPECT_EQ(pixel(image, 2, 2), blackPixel);
}

TEST_F(FinchWindowDisplayTest, TheLightModelIsSetWithTheHeadlightBeforeTheSceneIsDrawn)
{
    GLRecorder recorder;
    frame();
    const int ambient = recorder.indexOf(callWithPointer("LightModelfv", {GL_LIGHT_MODEL_AMBIENT}));
    EXPECT_GT(ambient, recorder.indexOf(callWithPointer("Lightfv", {GL_LIGHT0, GL_POSITION})));
    EXPECT_EQ(recorder.count(GLRecorder::call("LightModeli", {GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE})), 1);
    EXPECT_EQ(recorder.count(callWithPointer("LightModeli", {GL_LIGHT_MODEL_COLOR_CONTROL})), 1);
    const int firstDraw = recorder.indexOf("Draw");
    ASSERT_GE(firstDraw, 0);
    EXPECT_LT(ambient, firstDraw);
}

TEST_F(FinchWindowDisplayTest, WheelNotchesBackOverEmptySpaceZoomTowardsTheOrigin)
{
    for (int notch = 0; notch < 2; ++notch) {
        Event event = turn(-120);
        EXPECT_TRUE(window.handleWheel(event));
        EXPECT_TRUE(window.hasTwiddler());
        kestrel::runUpdatables();
        EXPECT_FALSE(window.hasTwiddler());
    }
    // At 10 x 0.82 x 0.82 the square spans about 11.5 pixels each way.
    const kestrel::Image image = frame();
    EXPECT_EQ(pixel(image, 41, 32), redPixel);
    EXPECT_EQ(pixel(image, 32, 44), blackPixel);
}

TEST_F(FinchWindowDisplayTest, ThePivotFollowsOnlyPicksThatHitTheScene)
{
    frame();
    // On the square's diagonal, where its two triangles meet.
    window.pickPivot(26, 38);
    const finch::Vector3d picked = window.pivot();
    EXPECT_NEAR(picked.y, 0.0, 1e-9) << "on the square's plane";
    EXPECT_LT(picked.x, -0.5);
    EXPECT_GT(std::abs(picked.z), 0.5);

    window.pickPivot(2, 2);
    EXPECT_EQ(window.pivot(), picked);
}
