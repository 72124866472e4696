#pragma once

#include "base/counted_ptr.h"
#include "gui/toolkit/Container.h"

namespace kestrel
{

class PopupMenu;

// A menu hosted in a menu bar: a lone Alt release activates the first one of the window under
// the mouse, and while one is active the menu-bar controller is the open popup. Main thread only.
class Menu : public Component
{
public:
    Menu();
    ~Menu() override;

    // The menu owns its popup.
    void setPopup(PopupMenu* popup);
    PopupMenu* getPopup() const { return m_popup.get(); }
    bool isOpen() const { return m_open; }
    void setOpen(bool open) { m_open = open; }

    // Makes the menu (null: none) the active one; the popup open until then closes.
    static void setActive(Menu* menu);
    static Menu* active();

private:
    bool m_open = false;
    heron::counted_ptr<PopupMenu> m_popup;
};

// A container of menus.
class MenuBar : public Container
{
};

// The lone Alt release: deactivates the active menu, or activates the first menu of the window
// under the mouse and notes that the keyboard did it.
void activateMenuBar();

}
