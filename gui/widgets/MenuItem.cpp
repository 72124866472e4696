#include "gui/widgets/MenuItem.h"

#include "gui/paint/Font.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/GuiRenderer.h"
#include "gui/widgets/PopupMenu.h"

namespace kestrel
{

namespace
{

// Hovering an item opens its submenu after this rest, in seconds.
constexpr double submenuDelay = 0.25;

const heron::counted_ptr<Font>& menuFont()
{
    static const heron::counted_ptr<Font> font(new Font(FontKey{FontKey::menuFace, 0, 0}));
    return font;
}

}

MenuItem::MenuItem(Action* action, MessageDest* listener)
{
    useGuiRenderer();
    setFont(menuFont());
    setAction(action, listener);
}

MenuItem::~MenuItem() = default;

void MenuItem::setEnabled(bool enabled)
{
    Component::setEnabled(enabled);
    if (m_submenu) {
        m_submenu->setEnabled(enabled);
    }
}

void MenuItem::getThemePart(int& part, int& state) const
{
    part = part::imageMenuItem;
    state = !enabled ? partState::disabled : m_highlighted ? partState::hot : 0;
}

void MenuItem::setSubmenu(PopupMenu* submenu)
{
    m_submenu = heron::counted_ptr<PopupMenu>(submenu);
}

void MenuItem::handleMouse(Event& event)
{
    switch (event.type) {
    case Event::MouseMove:
    case Event::MouseEnter: {
        auto* menu = dynamic_cast<PopupMenu*>(parent);
        if (!menu || (m_highlighted && (!m_submenu || m_submenu->isOpen()))) {
            return;
        }
        menu->highlight(this);
        if (m_submenu) {
            openSubmenu(submenuDelay);
        }
        menu->repaint();
        return;
    }
    case Event::MouseLeave:
        if (m_submenu && m_submenu->isOpen()) {
            return;
        }
        m_highlighted = false;
        redrawNow();
        return;
    case Event::LeftRelease:
        if (!m_submenu) {
            choose();
        }
        return;
    default:
        return;
    }
}

void MenuItem::openSubmenu(double delay)
{
    auto* menu = dynamic_cast<PopupMenu*>(parent);
    if (!m_submenu || !menu) {
        return;
    }
    menu->hideSubmenus(this);
    int width = 0;
    int height = 0;
    m_submenu->getPreferredSize(width, height);
    // Right of the item, overlapping it a little, its top 3 pixels below the item's top (where
    // its own first item starts); to the item's left when it would leave the screen.
    m_submenu->show(window, bounds.x + bounds.width - 8, bounds.y + bounds.height - height - 3, bounds.x - width,
                    Window::noFallback, menu, delay);
}

void MenuItem::choose()
{
    m_highlighted = false;
    closeOpenPopup();
    sendMessage(0);
}

void MenuSeparator::getPreferredSize(int& width, int& height)
{
    width = 10;
    height = 4;
}

void MenuSeparator::draw(Graphics& graphics)
{
    graphics.drawEtchedHLine(bounds.x, bounds.y + 1, bounds.width);
}

}
