#pragma once

namespace kestrel
{

class Component;
struct Event;

// The mouse handling that check boxes and radio buttons share: hover from enter and leave, a
// press takes the mouse capture, and its release lets the capture go and tells whether the
// pointer was still inside. A release without a press on the box does nothing.
class BoxMouseTracker
{
public:
    enum class Result
    {
        Ignored,            // nothing changed
        Changed,            // hover or press changed: redraw
        ReleasedInside,     // the press ended inside: choose, then redraw
    };

    Result handle(Component& box, const Event& event);
    // The capture was taken: the press ends without choosing, and the pointer counts as gone.
    void captureLost() { m_pressed = m_hover = false; }

    bool pressed() const { return m_pressed; }
    bool hover() const { return m_hover; }

private:
    bool m_pressed = false;
    bool m_hover = false;
};

}
