#include "scene/window/Twiddler.h"

#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"
#include "scene/math/Matrix.h"
#include "scene/render/Viewer.h"

#include <algorithm>
#include <cmath>

namespace finch
{

void setViewMatrix(Viewer& viewer, const Matrix& view)
{
    Matrix camera;
    view.getInverse(camera);
    viewer.setMatrix(camera);
}

Twiddler::Twiddler(const kestrel::Event& event, const kestrel::Window& window) : m_frame(window.getBounds())
{
    m_frame.width = std::max(m_frame.width, 1);
    m_frame.height = std::max(m_frame.height, 1);
    takeMouse(event);
}

void Twiddler::takeMouse(const kestrel::Event& event)
{
    m_mouseX = event.x - m_frame.x;
    m_mouseY = event.y - m_frame.y;
    m_left = event.leftButton != 0;
    m_middle = event.middleButton != 0;
    m_right = event.rightButton != 0;
}

double Twiddler::angleAtMouse() const
{
    return std::atan2(double(offsetX()), double(offsetY())) * radiansToDegrees;
}

}
