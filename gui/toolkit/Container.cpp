#include "gui/toolkit/Container.h"

#include "base/Debug.h"
#include "gui/toolkit/ComponentGroup.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/toolkit/RowLayout.h"
#include "gui/toolkit/Window.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

namespace kestrel
{

namespace
{

int containerCount = 0;

bool contains(const Rect& r, int x, int y)
{
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

bool sameMnemonic(char mnemonic, int key)
{
    return mnemonic != 0 && std::tolower(static_cast<unsigned char>(mnemonic)) == std::tolower(key);
}

// A hidden or disabled component must not act on its mnemonic, nor anything inside it.
bool mayAct(const Component& component)
{
    return component.isVisible() && component.isEnabled();
}

}

Container::Container()
{
    container = this;
    char name[32];
    std::snprintf(name, sizeof name, "Container %d", containerCount++);
    setText(name, true);
}

Container::~Container()
{
    // Children that live on elsewhere (held while they tell a listener that drops their dialog)
    // must point back at neither this container nor its window.
    for (const auto& child : children) {
        if (child->parent == this) {
            child->parent = nullptr;
            setWindowOfTree(*child, nullptr);
        }
    }
}

void Container::setEnabled(bool enabled)
{
    Component::setEnabled(enabled);
    for (const auto& child : children) {
        child->setEnabled(enabled);
    }
}

LayoutManager& Container::effectiveLayout()
{
    if (layout) {
        return *layout;
    }
    static RowLayout row;
    row.setMainAlignment(defaultMainAlignment);
    row.setCrossAlignment(defaultCrossAlignment);
    return row;
}

void Container::getPreferredSize(int& width, int& height)
{
    Container* const only = children.size() == 1 ? children.front()->asContainer() : nullptr;
    if (layout) {
        layout->getPreferredSize(*this, width, height);
    } else if (only) {
        only->getPreferredSize(width, height);
        width += insetLeft + insetRight;
        height += insetBottom + insetTop;
    } else {
        width = -12345678;
        height = -12345678;
        effectiveLayout().getPreferredSize(*this, width, height);
        if (width < 0 || height < 0) {
            width = 10;
            height = 10;
        }
    }
    if (image.width() > 0) {
        width = std::max(width, image.width());
        height = std::max(height, image.height());
    }
}

void Container::draw(Graphics& graphics)
{
    if (image.width() > 0) {
        graphics.drawImageCentered(image, bounds);
    }
    updateRect = graphics.clipRect();
    for (const auto& child : children) {
        if (!child->isVisible()) {
            continue;
        }
        child->setUpdateRect(graphics.clipRect());
        const Rect before = child->getBounds();
        if (!graphics.clipRect().intersects(before)) {
            continue;
        }
        graphics.countChildDrawn();
        Container* const inner = child->asContainer();
        if (inner && inner->isWindow()) {
            static_cast<Window*>(inner)->repaint();
            continue;
        }
        std::optional<ScopedClip> clip;
        if (inner) {
            clip.emplace(graphics, before);
        }
        child->draw(graphics);
        if (child->getBounds() != before) {
            userErrorBox("You changed the position of a component when you drew it!");
        }
    }
}

void Container::validate()
{
    for (const auto& child : children) {
        child->validate();
    }
}

bool Container::layoutSingleContainerChild()
{
    Container* const only = children.size() == 1 ? children.front()->asContainer() : nullptr;
    if (layout || !only) {
        return false;
    }
    only->setBounds(bounds.x + insetLeft, bounds.y + insetBottom, bounds.width - insetLeft - insetRight,
                    bounds.height - insetBottom - insetTop);
    only->doLayout();
    return true;
}

void Container::doLayout()
{
    if (children.empty() || layoutSingleContainerChild()) {
        return;
    }
    effectiveLayout().layoutContainer(*this);
    for (const auto& child : children) {
        if (Container* inner = child->asContainer()) {
            inner->doLayout();
        }
    }
}

void Container::setInsets(int left, int bottom, int right, int top)
{
    insetLeft = left;
    insetBottom = bottom;
    insetRight = right;
    insetTop = top;
}

void Container::getInsets(int& left, int& bottom, int& right, int& top) const
{
    left = insetLeft;
    bottom = insetBottom;
    right = insetRight;
    top = insetTop;
}

Component* Container::add(const heron::counted_ptr<Component>& component, int constraint)
{
    if (!component) {
        return nullptr;
    }
    if (locked) {
        heron::debug("**** Tried to add something to a locked Container!\n");
        return component.get();
    }
    children.push_back(component);
    component->parent = this;
    setWindowOfTree(*component, window);
    if (layout) {
        layout->addComponent(component.get(), constraint);
    }
    if (addGroup) {
        addGroup->add(component.get());
    }
    return component.get();
}

Component* Container::add(Component* component, int constraint)
{
    return add(heron::counted_ptr<Component>(component), constraint);
}

void Container::setWindowOfTree(Component& component, Window* window)
{
    Container* const inner = component.asContainer();
    if (inner && inner->isWindow()) {
        return;     // a window is its own window, and so are its children
    }
    component.window = window;
    if (inner) {
        for (const auto& child : inner->children) {
            setWindowOfTree(*child, window);
        }
    }
}

void Container::setLayout(const heron::counted_ptr<LayoutManager>& newLayout)
{
    layout = newLayout;
}

void Container::setLayout(LayoutManager* newLayout)
{
    layout = heron::counted_ptr<LayoutManager>(newLayout);
}

Component* Container::componentAt(int x, int y)
{
    Container* current = this;
    for (;;) {
        Component* hit = nullptr;
        for (const auto& child : current->children) {
            if (child->isVisible() && contains(child->getBounds(), x, y)) {
                hit = child.get();
                break;
            }
        }
        if (!hit) {
            return current;
        }
        Container* const inner = hit->asContainer();
        if (!inner) {
            return hit;
        }
        current = inner;
    }
}

Component* findMnemonic(Component* component, int key)
{
    Container* const container = component ? component->asContainer() : nullptr;
    if (!container) {
        return nullptr;
    }
    for (const auto& child : container->getChildren()) {
        heron::debug("Checking %s  %c (%c)\n", child->getText().c_str(), child->mnemonic(), key);
        if (mayAct(*child) && sameMnemonic(child->mnemonic(), key)) {
            return child.get();
        }
    }
    for (const auto& child : container->getChildren()) {
        if (!mayAct(*child)) {
            continue;
        }
        if (Component* found = findMnemonic(child.get(), key)) {
            return found;
        }
    }
    return nullptr;
}

}
