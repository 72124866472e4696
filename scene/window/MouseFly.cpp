#include "scene/window/MouseFly.h"

#include "gui/toolkit/Event.h"
#include "scene/collide/TriangleCollider.h"
#include "scene/core/Clock.h"
#include "scene/render/Viewer.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

using kestrel::Event;

// Keeps an angle in [0, 360].
double wrapDegrees(double degrees)
{
    if (degrees > 360.0) {
        return degrees - 360.0;
    }
    if (degrees < 0.0) {
        return degrees + 360.0;
    }
    return degrees;
}

// ln of the view's depth, the scale of the acceleration. A depth below 1 (or a far plane not
// beyond the near one) counts as 1: its logarithm would be negative and turn the buttons round.
double depthScale(const Viewer& viewer)
{
    return std::log(std::max(viewer.farDistance() - viewer.nearDistance(), 1.0));
}

// The camera's sphere is a little wider than the near plane is deep, so that no geometry comes
// close enough to be cut open.
constexpr double cameraRadiusPerNear = 1.2;

}

MouseFly::MouseFly(const Event& event, const kestrel::Window& window, Viewer& viewer, TriangleCollider* target)
    : Twiddler(event, window), m_viewer(viewer), m_camera(viewer.getTransform()), m_target(target)
{
}

MouseFly::Outcome MouseFly::outcomeOf(const Event& event) const
{
    switch (event.type) {
    case Event::MouseMove:
        return Outcome::None;
    case Event::LeftPress:
        return m_right || m_speed < 0.0 ? Outcome::Halt : Outcome::None;
    case Event::LeftRelease:
        return m_halted && !m_right ? Outcome::Resume : Outcome::None;
    case Event::MiddlePress:
        return Outcome::Halt;
    case Event::MiddleRelease:
        return m_halted ? Outcome::Done : Outcome::None;
    case Event::RightPress:
        return m_left || m_speed > 0.0 ? Outcome::Halt : Outcome::None;
    case Event::RightRelease:
        return m_halted && !m_left ? Outcome::Resume : Outcome::None;
    default:
        return Outcome::Done;
    }
}

bool MouseFly::handleEvent(const Event& event)
{
    const bool handled = event.type == Event::MouseMove || event.type == Event::Key ||
                         (event.type >= Event::LeftPress && event.type <= Event::Wheel);
    if (!handled) {
        return true;
    }
    switch (outcomeOf(event)) {
    case Outcome::Halt:
        m_halted = true;
        break;
    case Outcome::Resume:
        m_halted = false;
        break;
    case Outcome::Done:
        m_done = true;
        return true;
    case Outcome::None:
        break;
    }
    takeMouse(event);
    return true;
}

bool MouseFly::update()
{
    if (Clock::frameTime() <= 0.0) {
        return !m_done;
    }
    const double dt = Clock::frameDelta();
    steer(dt);
    if (m_halted) {
        m_speed = 0.0;
        return !m_done;
    }
    accelerate(dt);
    const Vector3d forward(m_matrix.at(1, 0), m_matrix.at(1, 1), m_matrix.at(1, 2));
    move(forward * (m_speed * dt));
    return !m_done;
}

void MouseFly::move(const Vector3d& move)
{
    if (m_target == nullptr) {
        m_camera.position = m_camera.position + move;
        return;
    }
    m_collider.setMove(m_camera.position, move, cameraRadiusPerNear * m_viewer.nearDistance());
    m_collider.addCollidee(m_target, nullptr);
    m_collider.collide();
    m_camera.position = m_collider.start();
}

void MouseFly::steer(double dt)
{
    // The roll levels out by 1% every hundredth of a second.
    m_camera.roll *= std::pow(0.99, 100.0 * dt);
    const double s = 0.4 / m_frame.width;
    double yawRate = std::abs(offsetX()) * offsetX() * dt * s;
    const double pitchRate = std::abs(offsetY()) * offsetY() * dt * s;
    // Upside down, the mouse's left and right swap.
    if (m_camera.pitch > 90.0 && m_camera.pitch < 270.0) {
        yawRate = -yawRate;
    }
    m_camera.heading = wrapDegrees(m_camera.heading - yawRate);
    m_camera.pitch = wrapDegrees(m_camera.pitch + pitchRate);
    m_matrix.setTransform(m_camera);
    m_viewer.setMatrix(m_matrix);
}

void MouseFly::accelerate(double dt)
{
    const double k = depthScale(m_viewer) * dt * 0.2;
    if (m_left) {
        m_speed += m_speed < 0.0 ? 2.0 * k : k;
    } else if (m_right) {
        m_speed -= m_speed > 0.0 ? 2.0 * k : k;
    }
}

}
