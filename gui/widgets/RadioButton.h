#pragma once

#include "gui/toolkit/Component.h"
#include "gui/widgets/BoxMouseTracker.h"

namespace kestrel
{

// One choice of a group: the radio buttons under the same parent. Selecting one clears the
// others. A mouse selection repaints the group and sends the listener code 0; a selection from
// code (and by Alt + mnemonic) is silent. Main thread only.
class RadioButton : public Component
{
public:
    RadioButton();

    void getThemePart(int& part, int& state) const override;
    void handleMouse(Event& event) override;
    // The press ends without choosing.
    void captureLost() override;
    // Alt + mnemonic selects.
    void handleKey(Event& event) override;

    void setSelected();
    bool isSelected() const { return m_selected; }

private:
    bool m_selected = false;
    BoxMouseTracker m_mouse;
};

}
