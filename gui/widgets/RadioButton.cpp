#include "gui/widgets/RadioButton.h"

#include "gui/toolkit/Container.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/GuiRenderer.h"

namespace kestrel
{

namespace
{

// On while a radio button handles the mouse: the selection it makes is the user's, so the group
// is repainted and the listener told.
bool notifySwitch = false;

class NotifyingScope
{
public:
    NotifyingScope() { notifySwitch = true; }
    ~NotifyingScope() { notifySwitch = false; }
    NotifyingScope(const NotifyingScope&) = delete;
    NotifyingScope& operator=(const NotifyingScope&) = delete;
};

}

RadioButton::RadioButton()
{
    useGuiRenderer();
}

void RadioButton::getThemePart(int& part, int& state) const
{
    part = part::radioButton;
    if (!enabled) {
        state = partState::disabled;
    } else {
        state = m_mouse.hover() ? partState::hot + (m_mouse.pressed() ? 1 : 0) : 0;
    }
    if (m_selected) {
        state |= partState::on;
    }
}

void RadioButton::captureLost()
{
    m_mouse.captureLost();
    redrawNow();
}

void RadioButton::handleMouse(Event& event)
{
    const NotifyingScope notifying;
    const BoxMouseTracker::Result result = m_mouse.handle(*this, event);
    if (result == BoxMouseTracker::Result::Ignored) {
        return;
    }
    if (result == BoxMouseTracker::Result::ReleasedInside) {
        setSelected();
    }
    redrawNow();
}

void RadioButton::handleKey(Event& event)
{
    if (event.type == Event::AltKey) {
        setSelected();
    } else {
        Component::handleKey(event);
    }
}

void RadioButton::setSelected()
{
    const bool notify = notifySwitch;
    notifySwitch = false;
    const std::vector<heron::counted_ptr<Component>> cleared = clearSelectedSiblings();
    m_selected = true;
    if (!notify) {
        return;
    }
    // The listener hears of the choice before anything is painted: a paint may select from what
    // the listener keeps (the launcher's video setup does), and must find the new choice there.
    // The cleared buttons are held, so a listener that drops the group leaves them to repaint.
    sendMessage(0);
    for (const auto& radio : cleared) {
        radio->redrawNow();
    }
}

std::vector<heron::counted_ptr<Component>> RadioButton::clearSelectedSiblings()
{
    std::vector<heron::counted_ptr<Component>> cleared;
    if (!parent) {
        return cleared;
    }
    for (const auto& sibling : parent->getChildren()) {
        auto* radio = dynamic_cast<RadioButton*>(sibling.get());
        if (radio && radio != this && radio->m_selected) {
            radio->m_selected = false;
            cleared.push_back(sibling);
        }
    }
    return cleared;
}

}
