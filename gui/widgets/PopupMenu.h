#pragma once

#include "gui/toolkit/Updatable.h"
#include "gui/toolkit/Window.h"

namespace kestrel
{

class MenuItem;

// A borderless popup window ("kestrel popup menu") of menu items and separators stacked from
// the top inside a 3-pixel border. It does not take the activation: while it is the active menu,
// the keys of the application come to it (arrows move the highlight and open or close submenus,
// Enter or an item's mnemonic chooses, Escape closes). Submenus open after a short rest on their
// item; choosing an item closes the open popup. Main thread only.
class PopupMenu : public Window, public Updatable
{
public:
    PopupMenu();
    // Hides the menu first.
    ~PopupMenu() override;

    void addItem(const heron::counted_ptr<MenuItem>& item);
    void addItem(MenuItem* item);
    void addSeparator();

    // Opens the menu in the parent window at (x, y) (its bottom-left corner, in the parent's
    // coordinates) at once, or after the delay (seconds) in which case the owner's other
    // submenus close when it opens; the fallbacks apply when it would leave the screen. Nothing
    // when the menu is open.
    void show(Window* parent, int x, int y, int fallbackX, int fallbackY, PopupMenu* owner, double delay);
    // Makes the menu the active one and the open popup, with the listener (command id 0), and
    // shows it hanging below the event's position in the event's window.
    static void popUp(const Event& event, PopupMenu& menu, MessageDest* listener);
    // Closes the menu and its submenus, and cancels an opening still to come. The active menu
    // stops being the active one and the open popup.
    void hide();
    // Hides the submenu of every item but the one given.
    void hideSubmenus(const MenuItem* except = nullptr);
    // Highlights the item alone and hides the other items' submenus.
    void highlight(const MenuItem* item);
    // The menu whose keys are served now: the active popup menu, null when none.
    static PopupMenu* active();

    // A menu of a fixed size measures as its current size, its items laid out inside it.
    void setFixedSize(bool fixed) { m_fixedSize = fixed; }
    // Widest item plus the border, the items' heights plus the border; the current size when
    // the size is fixed.
    void getPreferredSize(int& width, int& height) override;
    // Stacks the items from the top down, each as wide as the menu less the border.
    void doLayout() override;
    void drawBackground(Graphics& graphics) override;
    void handleKey(Event& event) override;
    // Opens a delayed menu once its time has come.
    bool update() override;

private:
    // This menu, or the open submenu of its highlighted item, followed down.
    PopupMenu& deepestOpenMenu();
    MenuItem* highlightedItem() const;
    // Highlights the next enabled item in the direction, wrapping round.
    void moveHighlight(int step);
    // Enter, Right or a mnemonic on the item: opens its submenu at once with its first item
    // highlighted, or chooses it.
    void enterItem(MenuItem& item);
    // Escape or Left: the innermost submenu closes; Escape on the top menu closes it.
    void backOut(PopupMenu& menu, bool closeTop);

    double m_autoOpenTime = 0.0;
    PopupMenu* m_owner = nullptr;
    bool m_fixedSize = false;
};

// Whether the target is a child of the container or lies, at any depth, inside a child
// container, the open submenu of a menu item or the popup of a menu.
bool menuHolds(const Container& container, const Component* target);

}
