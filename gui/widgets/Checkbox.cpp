#include "gui/widgets/Checkbox.h"

#include "gui/toolkit/Action.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/GuiRenderer.h"

namespace kestrel
{

Checkbox::Checkbox()
{
    useGuiRenderer();
}

void Checkbox::followAction() const
{
    if (!action) {
        return;
    }
    const int value = action->value();
    if (value == 0 || value == 1) {
        m_checked = value == 1;
    }
}

bool Checkbox::isChecked() const
{
    followAction();
    return m_checked;
}

void Checkbox::activate()
{
    m_checked = !isChecked();
    sendMessage(m_checked ? 1 : 0);
    redrawNow();
}

// A disabled box shows no disabled state of its own; the renderer greys it by the component.
void Checkbox::getThemePart(int& part, int& state) const
{
    part = part::checkBox;
    // Armed: pressed with the pointer inside.
    state = m_mouse.hover() ? partState::hot + (m_mouse.pressed() ? 1 : 0) : 0;
    if (isChecked()) {
        state |= partState::on;
    }
}

void Checkbox::captureLost()
{
    m_mouse.captureLost();
    redrawNow();
}

void Checkbox::handleMouse(Event& event)
{
    const BoxMouseTracker::Result result = m_mouse.handle(*this, event);
    if (result == BoxMouseTracker::Result::Ignored) {
        return;
    }
    if (result == BoxMouseTracker::Result::ReleasedInside) {
        activate();
    }
    redrawNow();
}

}
