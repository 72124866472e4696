#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"
#include "scene/collide/TriangleCollider.h"
#include "scene/core/Clock.h"
#include "scene/render/Viewer.h"
#include "scene/window/MouseFly.h"
#include "scene/window/MouseTwiddler.h"
#include "scene/window/WheelMouseZoomer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{

using finch::Vector3d;
using kestrel::Event;
using Mode = finch::MouseTwiddler::Mode;
using Lock = finch::MouseTwiddler::AxisLock;

constexpr int width = 200;
constexpr int height = 100;

double fakeSeconds = 0.0;
double fakeClock()
{
    return fakeSeconds;
}

// Buttons held with an event, as letters: "l", "m", "r", "lr", "".
Event mouse(std::uint32_t type, int x, int y, const std::string& held = "")
{
    Event event(type);
    event.setMousePosition(x, y);
    event.leftButton = held.find('l') != std::string::npos;
    event.middleButton = held.find('m') != std::string::npos;
    event.rightButton = held.find('r') != std::string::npos;
    return event;
}

// A window of 200 x 100 (never opened), a camera 10 units in front of the origin looking at it,
// and a scene clock that advances only when told.
class Twiddlers : public testing::Test
{
protected:
    void SetUp() override
    {
        window.setBounds(0, 0, width, height);
        ASSERT_TRUE(viewer.setSize(width, height));
        place(Vector3d(0.0, -10.0, 0.0));
        fakeSeconds = 1.0;
        finch::Clock::setBaseClock(&fakeClock);
        finch::Clock::tick();
    }
    void TearDown() override { finch::Clock::setBaseClock(nullptr); }

    void place(const Vector3d& eye)
    {
        finch::Transform t;
        t.position = eye;
        viewer.setTransform(t);
    }
    // One frame of 0.1 seconds.
    static void nextFrame()
    {
        fakeSeconds += 0.1;
        finch::Clock::tick();
    }
    // Where a world point shows in the window, in pixels.
    std::pair<double, double> onScreen(const Vector3d& p) const
    {
        Vector3d c;
        viewer.view().transformPoint(c, p);
        const finch::Matrix& projection = viewer.projectionMatrix();
        return {width / 2.0 * (1.0 + c.x / c.y * projection.at(0, 0)), height / 2.0 * (1.0 + c.z / c.y * projection.at(1, 1))};
    }

    kestrel::Window window;
    finch::Viewer viewer;
};

TEST_F(Twiddlers, MouseFlyEndsOnAKeyOrAWheelOrAMiddleReleaseAfterAHalt)
{
    const struct
    {
        const char* name;
        std::vector<Event> events;
        bool halted;
        bool alive;
    } cases[] = {
        {"key", {mouse(Event::Key, 100, 50, "m")}, false, false},
        {"wheel", {mouse(Event::Wheel, 100, 50, "m")}, false, false},
        {"middle released in flight", {mouse(Event::MiddleRelease, 100, 50)}, false, true},
        {"middle pressed again, released", {mouse(Event::MiddlePress, 100, 50, "m"), mouse(Event::MiddleRelease, 100, 50)}, true, false},
        {"left while right held", {mouse(Event::RightPress, 100, 50, "mr"), mouse(Event::LeftPress, 100, 50, "mlr")}, true, true},
        {"left let go, right still held",
         {mouse(Event::RightPress, 100, 50, "mr"), mouse(Event::LeftPress, 100, 50, "mlr"), mouse(Event::LeftRelease, 100, 50, "mr")},
         true, true},
        {"both let go",
         {mouse(Event::RightPress, 100, 50, "mr"), mouse(Event::LeftPress, 100, 50, "mlr"), mouse(Event::LeftRelease, 100, 50, "mr"),
          mouse(Event::RightRelease, 100, 50, "m")},
         false, true},
        {"other kinds of event", {mouse(Event::AltKey, 100, 50), mouse(Event::Activated, 100, 50), mouse(Event::DoubleClick, 3, 3)}, false, true},
    };
    for (const auto& c : cases) {
        finch::MouseFly fly(mouse(Event::MiddlePress, 100, 50, "m"), window, viewer);
        for (const Event& event : c.events) {
            EXPECT_TRUE(fly.handleEvent(event)) << c.name;
        }
        EXPECT_EQ(fly.isHalted(), c.halted) << c.name;
        EXPECT_EQ(fly.update(), c.alive) << c.name;
    }
}

TEST_F(Twiddlers, MouseFlyWithTheLeftButtonNeverFliesBackwards)
{
    // The second view is less than 1 deep, so the logarithm of its depth is negative.
    const struct
    {
        double near;
        double far;
        bool moves;
    } views[] = {{1.0, 1000.0, true}, {0.5, 1.0, false}};
    for (const auto& v : views) {
        place(Vector3d(0.0, -10.0, 0.0));
        viewer.setNearFar(v.near, v.far);
        finch::MouseFly fly(mouse(Event::MiddlePress, 100, 50, "ml"), window, viewer);
        for (int frame = 0; frame < 3; ++frame) {
            nextFrame();
            ASSERT_TRUE(fly.update());
        }
        EXPECT_EQ(fly.speed() > 0.0, v.moves) << v.far;
        EXPECT_GE(fly.speed(), 0.0) << v.far;
        EXPECT_EQ(viewer.eye().y > -10.0, v.moves) << v.far;
        EXPECT_GE(viewer.eye().y, -10.0) << v.far;
        EXPECT_NEAR(viewer.eye().x, 0.0, 1e-9) << v.far;
    }
}

namespace
{

// One large triangle across the plane y = wallY, its front face towards -y.
class Wall : public finch::TriangleCollider
{
public:
    static constexpr float wallY = -6.0f;
    void collectTriangles(const finch::Collider&, std::vector<finch::CollisionTriangle>& list) override
    {
        list.push_back({{-50.0f, wallY, -50.0f, 50.0f, wallY, -50.0f, 0.0f, wallY, 50.0f}});
    }
};

}

TEST_F(Twiddlers, MouseFlyStopsAtItsCollisionTarget)
{
    // Six seconds at full throttle towards a wall four units ahead carry the camera well past it.
    Wall wall;
    for (finch::TriangleCollider* const target : {static_cast<finch::TriangleCollider*>(nullptr), static_cast<finch::TriangleCollider*>(&wall)}) {
        place(Vector3d(0.0, -10.0, 0.0));
        viewer.setNearFar(1.0, 1000.0);
        finch::MouseFly fly(mouse(Event::MiddlePress, 100, 50, "ml"), window, viewer, target);
        for (int frame = 0; frame < 60; ++frame) {
            nextFrame();
            ASSERT_TRUE(fly.update());
        }
        if (target == nullptr) {
            EXPECT_GT(viewer.eye().y, Wall::wallY);
            continue;
        }
        // The camera's sphere, 1.2 times the near distance, rests against the wall.
        EXPECT_LE(viewer.eye().y, Wall::wallY - 1.2 + 1e-6);
        EXPECT_GT(viewer.eye().y, Wall::wallY - 1.3);
        EXPECT_NEAR(viewer.eye().x, 0.0, 1e-9);
    }
}

TEST_F(Twiddlers, MouseFlyTurnsTowardsTheMouse)
{
    const struct
    {
        int x;
        int y;
        int side;       // sign of the forward axis's x
        int rise;       // sign of its z
    } cases[] = {{190, 50, 1, 0}, {10, 50, -1, 0}, {100, 95, 0, 1}, {100, 5, 0, -1}};
    for (const auto& c : cases) {
        place(Vector3d(0.0, -10.0, 0.0));
        finch::MouseFly fly(mouse(Event::MiddlePress, c.x, c.y, "m"), window, viewer);
        nextFrame();
        fly.update();
        const finch::Matrix& camera = viewer.camera();
        const Vector3d forward(camera.at(1, 0), camera.at(1, 1), camera.at(1, 2));
        EXPECT_EQ((forward.x > 1e-9) - (forward.x < -1e-9), c.side) << c.x << "," << c.y;
        EXPECT_EQ((forward.z > 1e-9) - (forward.z < -1e-9), c.rise) << c.x << "," << c.y;
    }
}

TEST_F(Twiddlers, MouseTwiddlerModeFollowsTheButtonsAndWhereTheDragStarts)
{
    const struct
    {
        bool perspective;
        int x;
        int y;
        const char* held;
        Mode mode;
    } cases[] = {
        {true, 100, 50, "r", Mode::Orbit},  {true, 25, 10, "r", Mode::Orbit},  {true, 175, 90, "r", Mode::Orbit},
        {true, 24, 50, "r", Mode::Roll},    {true, 100, 91, "r", Mode::Roll},  {true, 199, 0, "r", Mode::Roll},
        {true, 100, 50, "l", Mode::Dolly},  {true, 100, 50, "lr", Mode::Pan},  {false, 100, 50, "l", Mode::Dolly},
        {false, 100, 50, "r", Mode::Pan},   {false, 100, 50, "lr", Mode::Pan},
    };
    for (const auto& c : cases) {
        viewer.setPerspective(c.perspective);
        finch::MouseTwiddler twiddler(mouse(Event::RightPress, c.x, c.y, c.held), window, viewer, Vector3d());
        EXPECT_EQ(twiddler.mode(), c.mode) << c.perspective << " " << c.x << "," << c.y << " " << c.held;
    }
}

TEST_F(Twiddlers, MouseTwiddlerChoosesAgainOnEveryButtonAndEndsWhenNoneIsHeld)
{
    finch::MouseTwiddler twiddler(mouse(Event::RightPress, 100, 50, "r"), window, viewer, Vector3d());
    EXPECT_TRUE(twiddler.handleEvent(mouse(Event::LeftPress, 100, 50, "lr")));
    EXPECT_EQ(twiddler.mode(), Mode::Pan);
    EXPECT_TRUE(twiddler.handleEvent(mouse(Event::RightRelease, 100, 50, "l")));
    EXPECT_EQ(twiddler.mode(), Mode::Dolly);
    EXPECT_TRUE(twiddler.handleEvent(mouse(Event::Key, 100, 50)));
    EXPECT_FALSE(twiddler.handleEvent(mouse(Event::LeftRelease, 100, 50)));
}

TEST_F(Twiddlers, DollyPicksItsAxisOnceTheDragPassesTwentyPixelsForward)
{
    const struct
    {
        int x;
        int y;
        Lock lock;
    } moves[] = {{115, 60, Lock::None}, {70, 55, Lock::None}, {120, 70, Lock::None}, {125, 71, Lock::Horizontal}, {100, 150, Lock::Horizontal}};
    finch::MouseTwiddler twiddler(mouse(Event::LeftPress, 100, 50, "l"), window, viewer, Vector3d());
    for (const auto& m : moves) {
        twiddler.handleEvent(mouse(Event::MouseMove, m.x, m.y, "l"));
        EXPECT_EQ(twiddler.axisLock(), m.lock) << m.x << "," << m.y;
    }
}

TEST_F(Twiddlers, DraggingMovesTheCameraByMode)
{
    const Vector3d pivot;
    // Orbit from the centre; roll from a corner to the opposite side; dolly half the height's
    // half upwards; pan 10 pixels to the right.
    const struct
    {
        const char* held;
        int fromX;
        int fromY;
        int toX;
        int toY;
    } drags[] = {{"r", 100, 50, 70, 50}, {"r", 5, 5, 195, 5}, {"l", 100, 50, 100, 75}, {"lr", 100, 50, 110, 50}};

    std::vector<finch::Matrix> cameras;
    for (const auto& d : drags) {
        place(Vector3d(0.0, -10.0, 0.0));
        finch::MouseTwiddler twiddler(mouse(Event::RightPress, d.fromX, d.fromY, d.held), window, viewer, pivot);
        twiddler.handleEvent(mouse(Event::MouseMove, d.toX, d.toY, d.held));
        cameras.push_back(viewer.camera());
    }
    const auto eyeOf = [](const finch::Matrix& m) { return Vector3d(m.at(3, 0), m.at(3, 1), m.at(3, 2)); };
    // Orbit: 30 pixels turn the camera 10 degrees about the pivot, still 10 away and level.
    const Vector3d orbited = eyeOf(cameras[0]);
    EXPECT_NEAR(orbited.length(), 10.0, 1e-9);
    EXPECT_NEAR(std::abs(orbited.x), 10.0 * std::sin(10.0 * finch::degreesToRadians), 1e-9);
    EXPECT_NEAR(orbited.z, 0.0, 1e-9);
    // Roll: the eye stays, the right axis turns about the view axis.
    EXPECT_NEAR((eyeOf(cameras[1]) - Vector3d(0.0, -10.0, 0.0)).length(), 0.0, 1e-9);
    EXPECT_NEAR(cameras[1].at(1, 1), 1.0, 1e-9);
    EXPECT_LT(cameras[1].at(0, 0), 0.99);
    // Dolly: half the way to the pivot.
    EXPECT_NEAR((eyeOf(cameras[2]) - Vector3d(0.0, -5.0, 0.0)).length(), 0.0, 1e-9);
    // Pan: the pivot follows the mouse.
    viewer.setMatrix(cameras[3]);
    const auto [px, py] = onScreen(pivot);
    EXPECT_NEAR(px, 110.0, 1e-6);
    EXPECT_NEAR(py, 50.0, 1e-6);
}

// However far one event turns the wheel towards the pivot, the camera stops a tenth of the way
// short of it.
TEST_F(Twiddlers, AWheelNotchMovesTheCameraAlongTheLineToThePivot)
{
    const struct
    {
        int delta;
        double distance;
    } cases[] = {{120, 13.0}, {-120, 8.2}, {240, 16.0}, {0, 10.0}, {-32768, 1.0}};
    for (const auto& c : cases) {
        place(Vector3d(0.0, -10.0, 0.0));
        Event turn = mouse(Event::Wheel, 100, 50);
        turn.wheelDelta = c.delta;
        finch::WheelMouseZoomer zoomer(turn, window, viewer, Vector3d(0.0, 0.0, 0.0));
        EXPECT_NEAR((viewer.eye() - Vector3d(0.0, -c.distance, 0.0)).length(), 0.0, 1e-9) << c.delta;
        EXPECT_FALSE(zoomer.handleEvent(turn));
        EXPECT_FALSE(zoomer.update());
    }
}

}
