#pragma once

#include "gui/paint/Rect.h"

namespace kestrel
{
class Window;
struct Event;
}

namespace finch
{

class Matrix;
class Viewer;

// Places the viewer's camera at the inverse of a view matrix (world to camera).
void setViewMatrix(Viewer& viewer, const Matrix& view);

// A short-lived camera controller of a 3D window: made by the mouse event that starts a drag or a
// wheel turn, fed every later event of its window and updated once per frame, until either
// answers false. Main thread only.
class Twiddler
{
public:
    // Takes the window's rectangle (sides of at least 1), the mouse position relative to it and
    // the held buttons from the starting event.
    Twiddler(const kestrel::Event& event, const kestrel::Window& window);
    virtual ~Twiddler() = default;
    Twiddler(const Twiddler&) = delete;
    Twiddler& operator=(const Twiddler&) = delete;

    // False ends the controller.
    virtual bool handleEvent(const kestrel::Event& event) = 0;
    // One frame's work; false ends the controller.
    virtual bool update() { return false; }

protected:
    // Mouse position and held buttons from the event.
    void takeMouse(const kestrel::Event& event);
    // Pixels from the window's centre to the mouse, the centre at integer halves of the size.
    int offsetX() const { return m_mouseX - m_frame.width / 2; }
    int offsetY() const { return m_mouseY - m_frame.height / 2; }
    // Degrees from straight above the centre towards +x, of the mouse about the window's centre.
    double angleAtMouse() const;

    // The window's rectangle when the controller started.
    kestrel::Rect m_frame;
    int m_mouseX = 0;
    int m_mouseY = 0;
    bool m_left = false;
    bool m_middle = false;
    bool m_right = false;
};

}
