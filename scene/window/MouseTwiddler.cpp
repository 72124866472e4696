#include "scene/window/MouseTwiddler.h"

#include "gui/toolkit/Event.h"
#include "scene/render/Viewer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace finch
{

namespace
{

using kestrel::Event;

// Degrees the camera turns per pixel of an orbit.
constexpr double pixelsPerDegree = 3.0;

}

MouseTwiddler::MouseTwiddler(const Event& event, const kestrel::Window& window, Viewer& viewer, const Vector3d& pivot)
    : Twiddler(event, window), m_viewer(viewer), m_pivot(pivot)
{
    chooseMode();
}

bool MouseTwiddler::handleEvent(const Event& event)
{
    if (event.type >= Event::LeftPress && event.type <= Event::RightRelease) {
        takeMouse(event);
        if (!m_left && !m_middle && !m_right) {
            return false;
        }
        chooseMode();
        return true;
    }
    if (event.type == Event::MouseMove) {
        takeMouse(event);
        drag();
    }
    return true;
}

void MouseTwiddler::chooseMode()
{
    m_pressX = m_mouseX;
    m_pressY = m_mouseY;
    m_saved = m_viewer.view();
    m_savedCentre = m_viewer.orthoCentre();
    m_savedSize = m_viewer.orthoSize();
    m_axisLock = AxisLock::None;
    if (!m_viewer.isPerspective()) {
        m_mode = m_left && !m_right && !m_middle ? Mode::Dolly : Mode::Pan;
        return;
    }
    if (m_left) {
        m_mode = m_right ? Mode::Pan : Mode::Dolly;
        return;
    }
    const bool central = m_mouseX >= m_frame.width / 8 && m_mouseX <= 7 * m_frame.width / 8 && m_mouseY >= m_frame.height / 10 &&
                         m_mouseY <= 9 * m_frame.height / 10;
    m_mode = central ? Mode::Orbit : Mode::Roll;
    m_startAngle = angleAtMouse();
}

void MouseTwiddler::drag()
{
    Matrix m = m_saved;
    Vector3d c;
    m_saved.transformPoint(c, m_pivot);
    switch (m_mode) {
    case Mode::Orbit:
        orbit(m, c);
        break;
    case Mode::Roll:
        m.postRotate(angleAtMouse() - m_startAngle, Vector3d(0.0, 1.0, 0.0));
        break;
    case Mode::Dolly:
        dolly(m, c);
        break;
    case Mode::Pan:
        pan(m, c);
        break;
    }
    if (m_viewer.isPerspective()) {
        setViewMatrix(m_viewer, m);
    }
}

void MouseTwiddler::orbit(Matrix& m, const Vector3d& c) const
{
    m.translate(c * -1.0);
    m.postRotate(-(m_pressX - m_mouseX) / pixelsPerDegree, Vector3d(0.0, 0.0, 1.0));
    m.postRotate((m_pressY - m_mouseY) / pixelsPerDegree, Vector3d(1.0, 0.0, 0.0));
    m.translate(c);
}

int MouseTwiddler::dollyDistance()
{
    const int ddx = m_mouseX - m_pressX;
    const int ddy = m_mouseY - m_pressY;
    if (m_axisLock == AxisLock::Horizontal) {
        return ddx;
    }
    if (m_axisLock == AxisLock::Vertical) {
        return ddy;
    }
    const int dominant = std::abs(ddx) > std::abs(ddy) ? ddx : ddy;
    if (dominant > lockDistance) {
        m_axisLock = std::abs(ddx) > std::abs(ddy) ? AxisLock::Horizontal : AxisLock::Vertical;
    }
    return dominant;
}

void MouseTwiddler::dolly(Matrix& m, const Vector3d& c)
{
    const double f = dollyDistance() / (m_frame.height * 0.5);
    if (m_viewer.isPerspective()) {
        m.translate(Vector3d(0.0, -c.length() * f, 0.0));
        return;
    }
    m_viewer.setOrthoCentre(m_savedCentre);
    m_viewer.setOrthoSize(m_savedSize);
    const double z = 2.0 * f;
    const double factor = z < 0.0 ? z * z + 1.0 : std::max(1.0 - z / 2.0, 0.001);
    m_viewer.zoomOrthoAt(float(m_pressX), float(m_pressY), float(factor));
}

void MouseTwiddler::pan(Matrix& m, const Vector3d& c) const
{
    const double dx = m_mouseX - m_pressX;
    const double dy = m_mouseY - m_pressY;
    if (m_viewer.isPerspective()) {
        const double u = m_viewer.unitsPerPixel(std::abs(c.y));
        m.translate(Vector3d(dx * u, 0.0, dy * u));
        return;
    }
    const double u = m_viewer.unitsPerPixel(1.0);
    m_viewer.setOrthoCentre(Vector3d(m_savedCentre.x - dx * u, m_savedCentre.y - dy * u, m_savedCentre.z));
}

}
