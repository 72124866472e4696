#include "support/RealPointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

RealPointer::RealPointer() : m_display(XOpenDisplay(nullptr))
{
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (m_display != nullptr && !XTestQueryExtension(m_display, &event, &error, &major, &minor)) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
}

RealPointer::~RealPointer()
{
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

void RealPointer::moveTo(int x, int y)
{
    XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
    XSync(m_display, False);
}

void RealPointer::setButton(unsigned button, bool pressed)
{
    XTestFakeButtonEvent(m_display, button, pressed ? True : False, CurrentTime);
    XSync(m_display, False);
}
