#include "gui/toolkit/Component.h"

#include "gui/toolkit/Action.h"
#include "gui/toolkit/Container.h"
#include "gui/toolkit/Event.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/ToolkitServices.h"
#include "gui/toolkit/Window.h"
#include "gui/toolkit/WindowInternals.h"

#include <stdexcept>
#include <utility>

namespace kestrel
{

namespace
{

struct Holders
{
    Component* keyboardFocus = nullptr;
    Component* capture = nullptr;
    Component* hovered = nullptr;
    Window* hoveredWindow = nullptr;
    Component* previousFocus = nullptr;
    Component* suspendedFocus = nullptr;    // held the keyboard focus when the application lost it
};

Holders& holders()
{
    static Holders instance;
    return instance;
}

const heron::counted_ptr<Font>& defaultFont()
{
    static const heron::counted_ptr<Font> font(new Font(FontKey{FontKey::guiFace, 0, 0}));
    return font;
}

void requireWindow(const Component& component)
{
    if (!component.getWindow()) {
        throw std::logic_error("Component::setFocus() - component isn't in a window");
    }
}

}

Component::Component()
    : font(defaultFont()), cursor(Cursor::standard(Cursor::arrow))
{
}

Component::~Component()
{
    Holders& all = holders();
    for (Component** holder : {&all.keyboardFocus, &all.capture, &all.hovered, &all.previousFocus, &all.suspendedFocus}) {
        if (*holder == this) {
            *holder = nullptr;
        }
    }
    if (all.hoveredWindow && static_cast<Component*>(all.hoveredWindow) == this) {
        all.hoveredWindow = nullptr;
    }
    if (toolkitServices().activeMenu == this) {
        toolkitServices().activeMenu = nullptr;
    }
}

void Component::setText(const char* newText, bool mnemonic)
{
    cachedTextWidth = -1;
    text.clear();
    if (!newText) {
        return;
    }
    if (!mnemonic) {
        text = newText;
        return;
    }
    // The mnemonic belongs to the label: a new label brings its own (or none).
    mnemonicChar = 0;
    for (const char* p = newText; *p; ++p) {
        if (*p != '!') {
            text.push_back(*p);
            continue;
        }
        ++p;
        if (!*p) {
            break;
        }
        if (*p != '!' && mnemonicChar == 0) {
            mnemonicChar = *p;
        }
        text.push_back(*p);
    }
}

void Component::setBounds(int x, int y, int width, int height)
{
    bounds = Rect{x, y, width, height};
}

void Component::setEnabled(bool enabled)
{
    this->enabled = enabled;
}

void Component::getThemePart(int& part, int& state) const
{
    part = 0;
    state = 0;
}

void Component::getPreferredSize(int& width, int& height)
{
    int part = 0;
    int state = 0;
    getThemePart(part, state);
    if (part != 0 && toolkitServices().partPreferredSize) {
        toolkitServices().partPreferredSize(*this, part, state, width, height);
        return;
    }
    if (!text.empty()) {
        width = textWidth();
        height = font ? font->height() : 16;
        return;
    }
    if (image.width() > 0) {
        width = image.width();
        height = image.height();
        return;
    }
    width = 4;
    height = 4;
}

void Component::draw(Graphics& graphics)
{
    int part = 0;
    int state = 0;
    getThemePart(part, state);
    if (part != 0 && toolkitServices().paintPart) {
        toolkitServices().paintPart(graphics, *this, part, state);
        return;
    }
    if (!text.empty()) {
        graphics.setColor(enabled ? GuiColor::BUTTON_TEXT : GuiColor::GREY_TEXT);
        graphics.drawTextCentered(text, *font, bounds);
    }
    if (image.width() > 0) {
        graphics.drawImageCentered(image, bounds);
    }
}

void Component::handleMouse(Event& event)
{
    if (event.type == Event::LeftPress && window) {
        sendMessage(0);
    }
}

void Component::handleKey(Event& event)
{
    if (event.type != Event::Key || !window) {
        return;
    }
    if (event.key == keycodes::enter || event.key == keycodes::escape) {
        Component* const button = event.key == keycodes::enter ? window->defaultButton() : window->cancelButton();
        if (button) {
            button->sendMessage(0);
        }
        return;
    }
    // Up through the parents to the window, so a scroll pane gets the arrows its page has no use
    // for. A window's own key handler is this one unless it overrides it: do not hand the key to
    // itself.
    Component* const next = parent ? static_cast<Component*>(parent) : window;
    if (next != this) {
        next->handleKey(event);
    }
}

void Component::setFont(const heron::counted_ptr<Font>& newFont)
{
    font = newFont;
    cachedTextWidth = -1;
}

int Component::textWidth()
{
    if (cachedTextWidth < 0) {
        cachedTextWidth = font ? font->textWidthOf(text) : 0;
    }
    return cachedTextWidth;
}

void Component::setImage(const Image& newImage)
{
    image = newImage;
}

void Component::setTooltip(const char* newTooltip, std::uint32_t kind)
{
    tooltip = newTooltip;
    tooltipKind = newTooltip ? kind : 0;
}

void Component::setAction(Action* newAction, MessageDest* newListener)
{
    action = newAction;
    if (!action) {
        return;
    }
    setText(action->label(), true);
    image = action->icon();
    setTooltip(action->tooltip(), action->tooltipKind());
    commandId = static_cast<std::uint32_t>(action->commandId());
    listener = newListener;
}

void Component::setActionListener(MessageDest* newListener, std::uint32_t newCommandId)
{
    listener = newListener;
    commandId = newCommandId;
}

void Component::sendMessage(int code)
{
    if (listener) {
        const KeepAlive keep(this);
        listener->handleMessage(ComponentMessage{this, commandId, code});
    }
}

bool Component::isShowing() const
{
    for (const Component* c = this; c; c = c->parent) {
        if (!c->visible) {
            return false;
        }
    }
    return true;
}

bool Component::hasKeyboardFocus() const
{
    return holders().keyboardFocus == this;
}

void Component::setCursor(const heron::counted_ptr<Cursor>& newCursor)
{
    cursor = newCursor;
    if (window) {
        window->showCursorOf(*this);
    }
}

void Component::redrawNow()
{
    if (window && isShowing()) {
        window->paintArea(bounds);
    }
}

void Component::setFocus()
{
    requireWindow(*this);
    Holders& all = holders();
    if (all.capture == this) {
        return;
    }
    all.capture = this;
    plat::backend().captureMouse(window->nativeHandle(), true);
}

void Component::releaseFocus()
{
    requireWindow(*this);
    Holders& all = holders();
    if (all.capture != this) {
        return;
    }
    all.capture = nullptr;
    plat::backend().captureMouse(window->nativeHandle(), false);
    const WindowInternals& internals = window->internals();
    WindowInternals::updateHover(window->componentAt(internals.lastX, internals.lastY), window);
}

KeepAlive::KeepAlive(Component* component)
    : m_held(component && component->refCount() > 0 ? component : nullptr)
{
    if (m_held) {
        m_held->addRef();
    }
}

KeepAlive::~KeepAlive()
{
    if (m_held) {
        m_held->release();
    }
}

void cancelMouseCapture()
{
    Component* const holder = holders().capture;
    if (!holder) {
        return;
    }
    holders().capture = nullptr;
    if (const Window* window = holder->getWindow()) {
        plat::backend().captureMouse(window->nativeHandle(), false);
    }
    holder->captureLost();
}

void setKeyboardFocus(Component* component)
{
    Holders& all = holders();
    Component* const old = all.keyboardFocus;
    // Focusing the holder again tells it again that it has the focus, without a focusLost.
    if (old && old != component) {
        all.keyboardFocus = nullptr;
        all.previousFocus = old;
        old->focusLost();
        // focusLost may have destroyed it: the destructor clears the previous-focus holder.
        if (all.previousFocus == old) {
            old->redrawNow();
        }
        all.previousFocus = nullptr;
    }
    all.keyboardFocus = component;
    if (component) {
        component->focusGained();
        component->redrawNow();
    }
}

void suspendKeyboardFocus()
{
    Holders& all = holders();
    // Remembered first: should focusLost destroy the holder, its destructor forgets it again.
    all.suspendedFocus = all.keyboardFocus;
    setKeyboardFocus(nullptr);
}

void resumeKeyboardFocus(const Window* window)
{
    Component* const holder = std::exchange(holders().suspendedFocus, nullptr);
    if (!holder || keyboardFocus() || !window || holder->getWindow() != window || !window->isOpen()
        || !holder->isShowing()) {
        return;
    }
    setKeyboardFocus(holder);
}

Component* keyboardFocus()
{
    return holders().keyboardFocus;
}

Component* captureHolder()
{
    return holders().capture;
}

Component* hoveredComponent()
{
    return holders().hovered;
}

Window* hoveredWindow()
{
    return holders().hoveredWindow;
}

void setHovered(Component* component, Window* window)
{
    holders().hovered = component;
    holders().hoveredWindow = window;
}

}
