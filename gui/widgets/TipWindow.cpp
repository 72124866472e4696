#include "gui/widgets/TipWindow.h"

#include "gui/paint/Font.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/ToolkitServices.h"
#include "gui/toolkit/Updatable.h"

#include <algorithm>
#include <cstring>

namespace kestrel
{

namespace
{

// The tooltip hangs this far below the mouse.
constexpr int belowMouse = 20;
constexpr int aboveMouse = 4;

// Hidden tooltips are deleted at the loop's next quiet pass: one may be hidden while an event
// of its own window is being routed.
class Reaper : public Updatable
{
public:
    bool update() override
    {
        retired.reset();
        stopUpdating(this);
        return false;
    }

    heron::counted_ptr<TipWindow> retired;
};

struct Tooltips
{
    heron::counted_ptr<TipWindow> window;
    Component* owner = nullptr;
    Reaper reaper;
    TooltipDocumentMaker documentMaker = nullptr;
};

// Kept for the whole run and never destroyed: a window must not outlive the registry.
Tooltips& tooltips()
{
    static Tooltips* const state = new Tooltips;
    return *state;
}

void hideTip()
{
    Tooltips& state = tooltips();
    if (!state.window) {
        return;
    }
    state.window->close();
    destroyClosedWindows();
    state.reaper.retired = state.window;
    Updatable::startUpdating(&state.reaper);
    state.window.reset();
    state.owner = nullptr;
}

// The component whose tooltip applies: the nearest one, going up, that does not take its
// parent's.
Component* tooltipOwner(Component* component)
{
    while (component->isTooltipFromParent() && component->getParent()) {
        component = component->getParent();
    }
    return component;
}

void showTip(Component* target, const Event& hover)
{
    if (!target) {
        return;
    }
    Component* const owner = tooltipOwner(target);
    Tooltips& state = tooltips();
    if (owner->getTooltip().empty() || owner == state.owner) {
        return;
    }
    hideTip();
    state.owner = owner;
    const heron::counted_ptr<TipWindow> window(new TipWindow(*owner, hover));
    state.window = window;
}

}

TipWindow::TipWindow(Component& component, const Event& hover)
    : Window(component.getWindow())
{
    const heron_string& text = component.getTooltip();
    setFont(component.getFont());
    int width = 0;
    int height = 0;
    const TooltipDocumentMaker makeDocument = tooltips().documentMaker;
    if (makeDocument && std::strncmp(text.c_str(), "<body", 5) == 0) {
        m_pane = makeDocument(text.c_str());
    }
    if (m_pane) {
        m_pane->getPreferredSize(width, height);
    } else {
        std::uint32_t start = 0;
        for (std::uint32_t end = text.find_first_of('\n'); end != heron_string::npos; end = text.find_first_of('\n', start)) {
            m_lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        m_lines.push_back(text.substr(start));
        measureLines(width, height);
    }
    setBounds(hover.x, hover.y - height - belowMouse, width, height);
    setPopupFallback(hover.x - width, hover.y + aboveMouse);
    setWindowType(Popup);
    setTitle("kestrel tooltip");
    setDropShadow(true);
    create();
}

TipWindow::~TipWindow() = default;

void TipWindow::measureLines(int& width, int& height) const
{
    const int margin = font->charWidth('M');
    width = 0;
    height = 4 * font->descent();
    for (const heron_string& line : m_lines) {
        width = std::max(width, font->textWidthOf(line));
        height += font->height() + font->externalLeading() + 1;
    }
    width += 2 * margin;
}

void TipWindow::paint(Graphics& graphics)
{
    graphics.setColor(GuiColor::TOOLTIP_BACKGROUND);
    graphics.fillRect(bounds);
    if (m_pane) {
        m_pane->setBounds(bounds.x, bounds.y, bounds.width, bounds.height);
        m_pane->draw(graphics);
        return;
    }
    graphics.setColor(GuiColor::TOOLTIP_TEXT);
    const int x = bounds.x + font->charWidth('M');
    int baseline = bounds.y + bounds.height - 2 * font->descent() - font->ascent();
    for (const heron_string& line : m_lines) {
        graphics.drawText(line, *font, x, baseline);
        baseline -= font->height() + font->externalLeading() + 1;
    }
    graphics.drawRect(bounds);
}

void useTooltips()
{
    ToolkitServices& services = toolkitServices();
    services.showTooltip = &showTip;
    services.hideTooltip = &hideTip;
}

void setTooltipDocumentMaker(TooltipDocumentMaker maker)
{
    tooltips().documentMaker = maker;
}

TipWindow* currentTipWindow()
{
    return tooltips().window.get();
}

}
