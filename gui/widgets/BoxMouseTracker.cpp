#include "gui/widgets/BoxMouseTracker.h"

#include "gui/toolkit/Component.h"
#include "gui/toolkit/Event.h"

namespace kestrel
{

BoxMouseTracker::Result BoxMouseTracker::handle(Component& box, const Event& event)
{
    switch (event.type) {
    case Event::MouseEnter:
    case Event::MouseLeave:
        m_hover = event.type == Event::MouseEnter;
        return Result::Changed;
    case Event::LeftPress:
        m_pressed = true;
        box.setFocus();
        return Result::Changed;
    case Event::LeftRelease:
        if (!m_pressed) {
            return Result::Ignored;
        }
        m_pressed = false;
        box.releaseFocus();
        return m_hover ? Result::ReleasedInside : Result::Changed;
    default:
        return Result::Ignored;
    }
}

}
