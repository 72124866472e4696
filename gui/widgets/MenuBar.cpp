#include "gui/widgets/MenuBar.h"

#include "gui/toolkit/Event.h"
#include "gui/toolkit/ToolkitServices.h"
#include "gui/toolkit/Window.h"
#include "gui/widgets/PopupMenu.h"

namespace kestrel
{

namespace
{

struct MenuBarState
{
    Menu* active = nullptr;
    bool keyboardActivated = false;
};

MenuBarState& menuBarState()
{
    static MenuBarState state;
    return state;
}

MenuBar* barOf(const Menu& menu)
{
    return dynamic_cast<MenuBar*>(menu.getParent());
}

void redrawBarOf(Menu& menu)
{
    if (MenuBar* bar = barOf(menu)) {
        bar->redrawNow();
    } else {
        menu.redrawNow();
    }
}

void forgetActive()
{
    menuBarState().active = nullptr;
    menuBarState().keyboardActivated = false;
}

class MenubarPopupController : public PopupController
{
public:
    void closePopup() override
    {
        Menu* const menu = menuBarState().active;
        forgetActive();
        MenuBar* bar = menu ? barOf(*menu) : nullptr;
        if (!bar) {
            return;
        }
        for (const auto& child : bar->getChildren()) {
            if (auto* other = dynamic_cast<Menu*>(child.get())) {
                other->setOpen(false);
                if (other->getPopup()) {
                    other->getPopup()->hide();
                }
                other->redrawNow();
            }
        }
        bar->redrawNow();
    }

    bool acceptsEvent(Component* target, const Event& event) override
    {
        Menu* const menu = menuBarState().active;
        if (!menu) {
            return false;
        }
        if (!menu->isOpen() && (!menuBarState().keyboardActivated || event.type == Event::LeftPress)) {
            forgetActive();
            setOpenPopup(nullptr);
            redrawBarOf(*menu);
            return true;
        }
        const MenuBar* bar = barOf(*menu);
        return bar && menuHolds(*bar, target);
    }
};

MenubarPopupController& menubarController()
{
    static MenubarPopupController controller;
    return controller;
}

// The first menu in the tree, depth first.
Menu* firstMenu(Component& component)
{
    if (auto* menu = dynamic_cast<Menu*>(&component)) {
        return menu;
    }
    const Container* container = component.asContainer();
    if (!container) {
        return nullptr;
    }
    for (const auto& child : container->getChildren()) {
        if (Menu* found = firstMenu(*child)) {
            return found;
        }
    }
    return nullptr;
}

}

Menu::Menu()
{
    toolkitServices().activateMenuBar = activateMenuBar;
}

Menu::~Menu()
{
    if (menuBarState().active == this) {
        forgetActive();
        if (openPopup() == &menubarController()) {
            setOpenPopup(nullptr);
        }
    }
}

void Menu::setPopup(PopupMenu* popup)
{
    m_popup = heron::counted_ptr<PopupMenu>(popup);
}

Menu* Menu::active()
{
    return menuBarState().active;
}

void Menu::setActive(Menu* menu)
{
    Menu* const old = menuBarState().active;
    if (menu == old) {
        return;
    }
    closeOpenPopup();
    if (old) {
        old->redrawNow();
    }
    if (!menu) {
        forgetActive();
        return;
    }
    menuBarState().active = menu;
    redrawBarOf(*menu);
    setOpenPopup(&menubarController());
}

void activateMenuBar()
{
    if (Menu::active()) {
        Menu::setActive(nullptr);
        return;
    }
    Window* const window = windowUnderMouse();
    Menu* const menu = window ? firstMenu(*window) : nullptr;
    Menu::setActive(menu);
    if (menu) {
        menuBarState().keyboardActivated = true;
    }
}

}
