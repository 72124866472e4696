#pragma once

#include "gui/toolkit/Container.h"
#include "gui/toolkit/LayoutManager.h"
#include "gui/toolkit/Window.h"

#include <vector>

namespace kestrel
{

class ComboBox;
class ComboBoxInfo;
class ScrollPane;

// One entry of an open combo list, in its box's font: highlighted under the mouse; a left
// release on it chooses it.
class ComboBoxItem : public Component
{
public:
    ComboBoxItem(ComboBox& box, ComboBoxInfo& info, int index);

    // The text plus an average character on each side; the font height plus 4 and its leading.
    void getPreferredSize(int& width, int& height) override;
    void draw(Graphics& graphics) override;
    void handleMouse(Event& event) override;

    int index() const { return m_index; }

private:
    int m_index;
    bool m_hover = false;
};

// Stacks a combo list's items from the top down at the full width, without gaps.
class ComboLayout : public LayoutManager
{
public:
    void getPreferredSize(Container& container, int& width, int& height) override;
    void layoutContainer(Container& container) override;
};

// The content of a combo list window: a scroll pane over the items. Tells the box which entry
// was chosen.
class ComboBoxPane : public Container, public MessageDest
{
public:
    ComboBoxPane(ComboBox& box, ComboBoxInfo& info, int rows);

    // Tall enough for `rows` items, as wide as the widest (and the scroll bar when some are
    // out of view).
    void getPreferredSize(int& width, int& height) override;
    // An item was chosen: the box takes its index, redraws and tells its listener.
    void handleMessage(const ComponentMessage& message) override;

    ScrollPane& scrollPane() { return *m_scroll; }
    const std::vector<ComboBoxItem*>& items() const { return m_items; }

private:
    ComboBox& m_box;
    ScrollPane* m_scroll;
    std::vector<ComboBoxItem*> m_items;
    int m_width = 0;
    int m_height = 2;
};

// The popup window ("kestrel ComboBox popup") that drops below a combo box.
class ComboBoxList : public Window
{
public:
    ComboBoxList(ComboBox& box, ComboBoxInfo& info, int rows);

    // The window colour with a shadow-coloured outline.
    void drawBackground(Graphics& graphics) override;

    ComboBoxPane& pane() { return *m_pane; }

private:
    ComboBoxPane* m_pane;
};

}
