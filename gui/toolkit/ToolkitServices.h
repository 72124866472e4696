#pragma once

namespace kestrel
{

class Component;
class Graphics;
struct Event;

// Services that later modules of the toolkit (tooltips, menus, the widget renderer) provide to
// the event loop and to components. Each is skipped while not installed. Main thread only.
struct ToolkitServices
{
    // Shows the tooltip that applies to the component, at the hover event's position.
    void (*showTooltip)(Component* target, const Event& hover) = nullptr;
    // Hides the tooltip shown, if any.
    void (*hideTooltip)() = nullptr;
    // A lone Alt release: opens or closes the menu bar.
    void (*activateMenuBar)() = nullptr;
    // Preferred size of a widget part in a state (the renderer's part metrics).
    void (*partPreferredSize)(Component& component, int part, int state, int& width, int& height) = nullptr;
    // Paints a widget part in a state over the component's bounds.
    void (*paintPart)(Graphics& graphics, Component& component, int part, int state) = nullptr;
    // The active popup menu; key events go to it while set. Cleared when it is destroyed.
    Component* activeMenu = nullptr;
};

ToolkitServices& toolkitServices();

void hideTooltip();

}
