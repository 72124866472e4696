#include "gui/widgets/Button.h"

#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"
#include "gui/widgets/GuiRenderer.h"

namespace kestrel
{

Button::Button()
{
    useGuiRenderer();
}

Button::~Button() = default;

int Button::buttonState() const
{
    if (!enabled) {
        return partState::disabled;
    }
    int state = 0;
    if (m_pressed) {
        state = m_hover ? partState::pressed : partState::hot;
    } else if (m_hover) {
        state = partState::hot;
    } else if (hasKeyboardFocus()) {
        state = partState::on;
    }
    if (window && window->defaultButton() == this) {
        state += partState::defaultButton;
    }
    return state;
}

void Button::getThemePart(int& part, int& state) const
{
    part = part::pushButton;
    state = buttonState();
}

void Button::handleMouse(Event& event)
{
    switch (event.type) {
    case Event::MouseEnter:
        m_hover = true;
        break;
    case Event::MouseLeave:
        m_hover = false;
        break;
    case Event::LeftPress:
        m_pressed = true;
        setFocus();
        if (m_autoRepeat) {
            startUpdating(this);
        }
        break;
    case Event::LeftRelease:
        release();
        return;
    default:
        return;
    }
    m_armed = m_pressed && m_hover;
    redrawNow();
}

void Button::release()
{
    if (!m_pressed) {
        return;
    }
    m_armed = false;
    m_pressed = false;
    releaseFocus();
    if (m_autoRepeat) {
        stopUpdating(this);
    }
    redrawNow();
    if (m_hover) {
        click();
    }
}

void Button::captureLost()
{
    resetMouseState();
    stopUpdating(this);
    redrawNow();
}

void Button::handleKey(Event& event)
{
    if (event.type == Event::Key && event.key == keycodes::enter) {
        click();
    } else if (event.type == Event::AltKey) {
        setKeyboardFocus(this);
        click();
    } else {
        Component::handleKey(event);
    }
}

void Button::click()
{
    sendMessage(0);
}

bool Button::update()
{
    if (!m_hover) {
        return false;
    }
    click();
    return true;
}

}
