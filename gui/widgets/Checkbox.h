#pragma once

#include "gui/toolkit/Component.h"
#include "gui/widgets/BoxMouseTracker.h"

namespace kestrel
{

// A box and its label that toggles when clicked, sending its listener 1 when it becomes checked
// and 0 when it becomes clear. With an action whose value is 0 or 1, the box shows that value.
// Main thread only.
class Checkbox : public Component
{
public:
    Checkbox();

    // Toggles, tells the listener and redraws.
    void activate() override;
    void getThemePart(int& part, int& state) const override;
    void handleMouse(Event& event) override;
    // The press ends without choosing.
    void captureLost() override;

    // Stores the state; no message, no redraw.
    void setChecked(bool checked) { m_checked = checked; }
    bool isChecked() const;

private:
    // Takes the action's value when it is 0 or 1.
    void followAction() const;

    // Follows the action while being measured or painted.
    mutable bool m_checked = false;
    BoxMouseTracker m_mouse;
};

}
