#pragma once

#include "base/counted_ptr.h"
#include "gui/toolkit/Component.h"

namespace kestrel
{

class Action;
class PopupMenu;

// One entry of a popup menu, in the shared menu font. It highlights under the mouse, opens its
// submenu (if any) after a short rest, and when chosen closes the open popup and sends its
// listener code 0. Main thread only.
class MenuItem : public Component
{
public:
    // With an action, the item takes its label, icon, tooltip and command id, and sends to the
    // listener with that id.
    explicit MenuItem(Action* action = nullptr, MessageDest* listener = nullptr);
    ~MenuItem() override;

    // The submenu follows.
    void setEnabled(bool enabled) override;
    void getThemePart(int& part, int& state) const override;
    void handleMouse(Event& event) override;

    // The item owns the submenu and deletes it with itself.
    void setSubmenu(PopupMenu* submenu);
    PopupMenu* getSubmenu() const { return m_submenu.get(); }
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted) { m_highlighted = highlighted; }
    // Shows the submenu beside the item after the delay (seconds), hiding the other submenus of
    // the item's menu at once.
    void openSubmenu(double delay);
    // Closes the open popup and tells the listener.
    void choose();

private:
    bool m_highlighted = false;
    heron::counted_ptr<PopupMenu> m_submenu;
};

// A groove between groups of menu items.
class MenuSeparator : public Component
{
public:
    void getPreferredSize(int& width, int& height) override;
    void draw(Graphics& graphics) override;
};

}
