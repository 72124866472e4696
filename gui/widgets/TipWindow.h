#pragma once

#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "gui/toolkit/Window.h"

#include <vector>

namespace kestrel
{

// Makes the document an HTML tooltip shows: a component that has laid the text out at the width
// it takes (its preferred size). The HTML pane registers one (useHtmlTooltips); while none is
// registered, every tooltip is shown as text lines.
using TooltipDocumentMaker = heron::counted_ptr<Component> (*)(const char* text);
void setTooltipDocumentMaker(TooltipDocumentMaker maker);

// The small popup ("kestrel tooltip") that shows a component's tooltip below and right of the
// mouse: lines of plain text, or, for a text that starts with "<body", an HTML document.
// At most one exists at a time. Main thread only.
class TipWindow : public Window
{
public:
    // Shows the tooltip of the component at the hover event's position, in the component's
    // window.
    TipWindow(Component& component, const Event& hover);
    ~TipWindow() override;

    // The tooltip colours, the text lines or the document, and a frame around plain text.
    void paint(Graphics& graphics) override;

    // The document of an HTML tooltip, else null.
    Component* pane() const { return m_pane.get(); }
    const std::vector<heron_string>& lines() const { return m_lines; }

private:
    void measureLines(int& width, int& height) const;

    heron::counted_ptr<Component> m_pane;
    std::vector<heron_string> m_lines;
};

// Makes hover events show tooltips and the event loop hide them. Every widget calls it.
void useTooltips();
// The tooltip shown now, null when none.
TipWindow* currentTipWindow();

}
