#pragma once

#include "gui/toolkit/Component.h"
#include "gui/toolkit/Updatable.h"

namespace kestrel
{

// A push button: tracks hover and press, holds the mouse capture while pressed, and clicks
// when released with the pointer inside (sending its listener code 0), after letting the
// capture go. With auto-repeat it also clicks on every busy round of the event loop while it is
// held with the pointer inside. The base of tabs and the arrow buttons of other widgets.
// Main thread only.
class Button : public Component, public Updatable
{
public:
    Button();
    ~Button() override;

    void getThemePart(int& part, int& state) const override;
    // A release inside lets the capture go and shows the button raised before it clicks, so a
    // click that opens a dialog or runs a loop leaves the mouse free; nothing of the button is
    // touched after the click.
    void handleMouse(Event& event) override;
    // Enter clicks; Alt + mnemonic takes the keyboard focus and clicks.
    void handleKey(Event& event) override;
    // The press ends without a click.
    void captureLost() override;
    virtual void click();

    // While held with the pointer inside: click, busy.
    bool update() override;
    void setAutoRepeat(bool autoRepeat) { m_autoRepeat = autoRepeat; }
    // Pressed with the pointer inside.
    bool isArmed() const { return m_armed; }

protected:
    // The state word of a push button: disabled 4; pressed 2 inside, 1 outside; hot 1; else
    // 0x100 with the keyboard focus; plus 0x200 for its window's default button.
    int buttonState() const;
    // Forgets press and hover, as when the click opened something over the button.
    void resetMouseState() { m_pressed = m_hover = m_armed = false; }

private:
    // Ends a press: the capture goes, the button shows raised, and it clicks when the pointer is
    // inside.
    void release();

    bool m_autoRepeat = false;
    bool m_pressed = false;
    bool m_hover = false;
    bool m_armed = false;
};

}
