#include "gui/toolkit/Event.h"
#include "gui/toolkit/Updatable.h"
#include "scene/render/Material.h"
#include "scene/window/FinchWindow.h"
#include "support/GLTestSupport.h"
#include "support/SceneBuilders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using kestrel::Event;

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
        if (IsSkipped()) {
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

    Event at(std::uint32_t type, const std::string& held = "", int delta = 0)
    {
        Event event(type, &window);
        event.setMousePosition(side / 2, side / 2);
        event.leftButton = held.find('l') != std::string::npos;
        event.middleButton = held.find('m') != std::string::npos;
        event.rightButton = held.find('r') != std::string::npos;
        event.wheelDelta = delta;
        return event;
    }

    // Hands the event to the window the way the toolkit does for its type.
    void send(Event event)
    {
        if (event.type == Event::Wheel) {
            EXPECT_TRUE(window.handleWheel(event));
        } else if (event.type == Event::Key) {
            window.handleKey(event);
        } else {
            window.handleMouse(event);
        }
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

TEST_F(FinchWindowDisplayTest, WheelNotchesBackOverEmptySpaceZoomTowardsTheOrigin)
{
    for (int notch = 0; notch < 2; ++notch) {
        send(at(Event::Wheel, "", -120));
        EXPECT_TRUE(window.hasTwiddler());
        kestrel::runUpdatables();
        EXPECT_FALSE(window.hasTwiddler());
    }
    // At 10 x 0.82 x 0.82 the square spans about 11.5 pixels each way.
    const kestrel::Image image = frame();
    EXPECT_EQ(pixel(image, 41, 32), redPixel);
    EXPECT_EQ(pixel(image, 32, 44), blackPixel);
}

TEST_F(FinchWindowDisplayTest, AControllerLivesFromItsStartingEventUntilItEnds)
{
    const struct
    {
        const char* name;
        std::vector<Event> events;
        bool updated;       // a frame passes after the events
        bool alive;
    } cases[] = {
        {"fly", {at(Event::MiddlePress, "m")}, true, true},
        {"fly after a key", {at(Event::MiddlePress, "m"), at(Event::Key, "m")}, true, false},
        {"fly after a wheel", {at(Event::MiddlePress, "m"), at(Event::Wheel, "m", 120)}, true, false},
        {"right drag", {at(Event::RightPress, "r"), at(Event::MouseMove, "r")}, true, true},
        {"right let go", {at(Event::RightPress, "r"), at(Event::RightRelease)}, false, false},
        {"left press", {at(Event::LeftPress, "l")}, false, false},
        {"a move", {at(Event::MouseMove)}, false, false},
    };
    for (const auto& c : cases) {
        for (const Event& event : c.events) {
            send(event);
        }
        if (c.updated) {
            kestrel::runUpdatables();
        }
        EXPECT_EQ(window.hasTwiddler(), c.alive) << c.name;
        // A key ends a flight and a release of every button a drag: the next case starts afresh.
        send(at(Event::Key));
        send(at(Event::RightRelease));
        kestrel::runUpdatables();
        ASSERT_FALSE(window.hasTwiddler()) << c.name;
        EXPECT_EQ(kestrel::captureHolder(), nullptr) << c.name;
    }
}
