#include "gui/widgets/PopupMenu.h"

#include "gui/toolkit/Event.h"
#include "gui/toolkit/ToolkitServices.h"
#include "gui/widgets/GuiRenderer.h"
#include "gui/widgets/MenuBar.h"
#include "gui/widgets/MenuItem.h"

#include <cctype>
#include <vector>

namespace kestrel
{

namespace
{

constexpr int border = 3;

class PopupMenuPopupController : public PopupController
{
public:
    void closePopup() override
    {
        if (PopupMenu* menu = PopupMenu::active()) {
            menu->hide();
        }
    }

    bool acceptsEvent(Component* target, const Event&) override
    {
        const PopupMenu* menu = PopupMenu::active();
        return menu && menuHolds(*menu, target);
    }
};

PopupMenuPopupController& popupMenuController()
{
    static PopupMenuPopupController controller;
    return controller;
}

bool matchesMnemonic(const MenuItem& item, int key)
{
    return item.mnemonic() != 0 && key > 0 && key < 256 &&
           std::tolower(static_cast<unsigned char>(item.mnemonic())) == std::tolower(key);
}

}

bool menuHolds(const Container& container, const Component* target)
{
    for (const auto& child : container.getChildren()) {
        if (child.get() == target) {
            return true;
        }
        const Container* inner = child->asContainer();
        if (inner && menuHolds(*inner, target)) {
            return true;
        }
        const PopupMenu* popup = nullptr;
        if (const auto* item = dynamic_cast<const MenuItem*>(child.get())) {
            popup = item->getSubmenu() && item->getSubmenu()->isOpen() ? item->getSubmenu() : nullptr;
        } else if (const auto* menu = dynamic_cast<const Menu*>(child.get())) {
            popup = menu->getPopup();
        }
        if (popup && menuHolds(*popup, target)) {
            return true;
        }
    }
    return false;
}

PopupMenu::PopupMenu()
{
    useGuiRenderer();
    setTitle("kestrel popup menu");
}

PopupMenu::~PopupMenu()
{
    hide();
}

void PopupMenu::addItem(const heron::counted_ptr<MenuItem>& item)
{
    add(heron::counted_ptr<Component>(item), -1);
}

void PopupMenu::addItem(MenuItem* item)
{
    addItem(heron::counted_ptr<MenuItem>(item));
}

void PopupMenu::addSeparator()
{
    add(new MenuSeparator, -1);
}

PopupMenu* PopupMenu::active()
{
    return dynamic_cast<PopupMenu*>(toolkitServices().activeMenu);
}

void PopupMenu::show(Window* parent, int x, int y, int fallbackX, int fallbackY, PopupMenu* owner, double delay)
{
    if (isOpen()) {
        return;
    }
    setParent(parent);
    int width = 0;
    int height = 0;
    getPreferredSize(width, height);
    setBounds(x, y, width, height);
    highlight(nullptr);
    doLayout();
    setPopupFallback(fallbackX, fallbackY);
    setWindowType(Popup);
    if (delay == 0.0) {
        create();
    } else {
        m_owner = owner;
        m_autoOpenTime = toolkitTime() + delay;
    }
    startUpdating(this);
}

void PopupMenu::popUp(const Event& event, PopupMenu& menu, MessageDest* listener)
{
    toolkitServices().activeMenu = &menu;
    menu.setActionListener(listener, 0);
    setOpenPopup(&popupMenuController());
    int width = 0;
    int height = 0;
    menu.getPreferredSize(width, height);
    menu.show(event.window, event.x, event.y - height, noFallback, noFallback, nullptr, 0.0);
}

// A submenu whose opening is still to come is cancelled too: it must not appear after its menu
// has gone.
void PopupMenu::hide()
{
    hideSubmenus();
    if (isOpen()) {
        close();
        destroyClosedWindows();
    }
    if (m_autoOpenTime != 0.0) {
        stopUpdating(this);
        m_autoOpenTime = 0.0;
    }
    // A closed menu takes no more keys, and no more clicks go to close it.
    if (toolkitServices().activeMenu == this) {
        toolkitServices().activeMenu = nullptr;
        if (openPopup() == &popupMenuController()) {
            setOpenPopup(nullptr);
        }
    }
}

void PopupMenu::hideSubmenus(const MenuItem* except)
{
    for (const auto& child : children) {
        const auto* item = dynamic_cast<const MenuItem*>(child.get());
        if (item && item != except && item->getSubmenu()) {
            item->getSubmenu()->hide();
        }
    }
}

void PopupMenu::highlight(const MenuItem* chosen)
{
    for (const auto& child : children) {
        if (auto* item = dynamic_cast<MenuItem*>(child.get())) {
            item->setHighlighted(item == chosen);
        }
    }
    if (chosen) {
        hideSubmenus(chosen);
    }
}

void PopupMenu::getPreferredSize(int& width, int& height)
{
    if (m_fixedSize) {
        width = bounds.width;
        height = bounds.height;
        return;
    }
    const ChildSizes sizes = measureChildren(*this);
    width = sizes.widest + 2 * border;
    height = sizes.sumHeight + 2 * border;
}

void PopupMenu::doLayout()
{
    int y = bounds.height - border;
    for (const auto& child : children) {
        int w = 0;
        int h = 0;
        child->getPreferredSize(w, h);
        y -= h;
        child->setBounds(border, y, bounds.width - 2 * border, h);
    }
}

void PopupMenu::drawBackground(Graphics& graphics)
{
    GuiRenderer::current().paintPart(graphics, part::menuBackground, 0, bounds);
}

bool PopupMenu::update()
{
    if (m_autoOpenTime != 0.0 && toolkitTime() >= m_autoOpenTime) {
        m_autoOpenTime = 0.0;
        if (m_owner) {
            m_owner->hideSubmenus();
        }
        create();
    }
    if (m_autoOpenTime == 0.0) {
        stopUpdating(this);
    }
    return false;
}

PopupMenu& PopupMenu::deepestOpenMenu()
{
    PopupMenu* menu = this;
    for (;;) {
        const MenuItem* item = menu->highlightedItem();
        PopupMenu* submenu = item ? item->getSubmenu() : nullptr;
        if (!submenu || !submenu->isOpen()) {
            return *menu;
        }
        menu = submenu;
    }
}

MenuItem* PopupMenu::highlightedItem() const
{
    for (const auto& child : children) {
        auto* item = dynamic_cast<MenuItem*>(child.get());
        if (item && item->isHighlighted()) {
            return item;
        }
    }
    return nullptr;
}

void PopupMenu::moveHighlight(int step)
{
    std::vector<MenuItem*> items;
    int current = -1;
    for (const auto& child : children) {
        auto* item = dynamic_cast<MenuItem*>(child.get());
        if (item && item->isEnabled()) {
            if (item->isHighlighted()) {
                current = static_cast<int>(items.size());
            }
            items.push_back(item);
        }
    }
    if (items.empty()) {
        return;
    }
    const int count = static_cast<int>(items.size());
    const int next = current < 0 ? (step > 0 ? 0 : count - 1) : (current + step + count) % count;
    highlight(items[next]);
    repaint();
}

void PopupMenu::enterItem(MenuItem& item)
{
    PopupMenu* submenu = item.getSubmenu();
    if (!submenu) {
        item.choose();
        return;
    }
    item.openSubmenu(0.0);
    submenu->moveHighlight(1);
}

void PopupMenu::backOut(PopupMenu& menu, bool closeTop)
{
    if (&menu != this) {
        menu.hide();
        return;
    }
    if (!closeTop) {
        return;
    }
    if (openPopup() == &popupMenuController() && active() == this) {
        closeOpenPopup();
    } else {
        hide();
    }
}

void PopupMenu::handleKey(Event& event)
{
    PopupMenu& menu = deepestOpenMenu();
    MenuItem* item = menu.highlightedItem();
    switch (event.key) {
    case keycodes::down:
    case keycodes::up:
        menu.moveHighlight(event.key == keycodes::down ? 1 : -1);
        return;
    case keycodes::right:
        if (item && item->getSubmenu()) {
            enterItem(*item);
        }
        return;
    case keycodes::enter:
        if (item) {
            enterItem(*item);
        }
        return;
    case keycodes::left:
    case keycodes::escape:
        backOut(menu, event.key == keycodes::escape);
        return;
    default:
        break;
    }
    for (const auto& child : menu.getChildren()) {
        auto* candidate = dynamic_cast<MenuItem*>(child.get());
        if (candidate && candidate->isEnabled() && matchesMnemonic(*candidate, event.key)) {
            menu.highlight(candidate);
            enterItem(*candidate);
            return;
        }
    }
}

}
