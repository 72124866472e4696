#pragma once

#include "gui/toolkit/Component.h"
#include "gui/widgets/BoxMouseTracker.h"

#include <vector>

namespace kestrel
{

// One choice of a group: the radio buttons under the same parent. Selecting one clears the
// others, so at most one of a group is selected. A mouse selection sends the listener code 0 and
// then repaints the buttons it cleared; a selection from code (and by Alt + mnemonic) is silent.
// Main thread only.
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
    // Clears every other selected button of the group and returns them, to be repainted.
    std::vector<heron::counted_ptr<Component>> clearSelectedSiblings();

    bool m_selected = false;
    BoxMouseTracker m_mouse;
};

}
