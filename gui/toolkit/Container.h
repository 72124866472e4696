#pragma once

#include "gui/toolkit/Component.h"
#include "gui/toolkit/LayoutManager.h"

#include <vector>

namespace kestrel
{

class ComponentGroup;

// A component that holds others, laid out by its layout manager (a row when none is set).
class Container : public Component
{
public:
    Container();
    ~Container() override;

    void setEnabled(bool enabled) override;
    void getPreferredSize(int& width, int& height) override;
    // Draws the image, then every visible child that meets the clip (windows are only marked).
    void draw(Graphics& graphics) override;
    void validate() override;
    virtual void doLayout();
    virtual void setInsets(int left, int bottom, int right, int top);
    virtual void getInsets(int& left, int& bottom, int& right, int& top) const;
    virtual bool isWindow() const { return false; }

    // Appends a child (shared) and tells the layout; a locked container logs and adds nothing.
    // Returns the component.
    Component* add(const heron::counted_ptr<Component>& component, int constraint = -1);
    Component* add(Component* component, int constraint = -1);
    // No more children may be added, for good.
    void lock() { locked = true; }
    void setAddGroup(ComponentGroup* group) { addGroup = group; }
    void clearAddGroup() { addGroup = nullptr; }
    void setLayout(const heron::counted_ptr<LayoutManager>& layout);
    void setLayout(LayoutManager* layout);
    const heron::counted_ptr<LayoutManager>& getLayout() const { return layout; }
    void setDefaultMainAlignment(int alignment) { defaultMainAlignment = alignment; }
    void setDefaultCrossAlignment(int alignment) { defaultCrossAlignment = alignment; }

    const std::vector<heron::counted_ptr<Component>>& getChildren() const { return children; }
    // The first visible child that holds the point, searched down to a plain component.
    Component* componentAt(int x, int y);

protected:
    // Sets the window of a new child and of all its descendants.
    static void setWindowOfTree(Component& component, Window* window);

    bool locked = false;
    std::vector<heron::counted_ptr<Component>> children;
    ComponentGroup* addGroup = nullptr;
    int defaultCrossAlignment = 1;
    int defaultMainAlignment = 0;
    heron::counted_ptr<LayoutManager> layout;
    int insetLeft = 0;
    int insetBottom = 0;
    int insetRight = 0;
    int insetTop = 0;

private:
    bool layoutSingleContainerChild();
    LayoutManager& effectiveLayout();
};

// The first child, in order and depth-first after the direct children, whose mnemonic equals
// the key without case; null when none. Only containers are searched; hidden and disabled
// components are passed over with everything inside them.
Component* findMnemonic(Component* component, int key);

}
