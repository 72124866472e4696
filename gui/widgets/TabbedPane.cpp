#include "gui/widgets/TabbedPane.h"

#include "base/Debug.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/RowLayout.h"
#include "gui/toolkit/Window.h"
#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/CardLayout.h"
#include "gui/widgets/GuiRenderer.h"

#include <algorithm>

namespace kestrel
{

// The row of tabs, bottom-aligned so the shorter unselected tabs stand on the panel's edge.
class TabHolder : public Container
{
public:
    TabHolder()
    {
        setText("Tab area");
        RowLayout* row = new RowLayout;
        row->setGap(0);
        row->setCrossAlignment(RowLayout::alignStart);
        setLayout(row);
        setInsets(2, 0, 2, 0);
    }

    // Tabs are numbered by their place in the row.
    void draw(Graphics& graphics) override
    {
        int index = 0;
        for (const auto& child : children) {
            if (auto* tab = dynamic_cast<Tab*>(child.get())) {
                tab->setIndex(index);
            }
            ++index;
        }
        Container::draw(graphics);
    }
};

// Shows the selected panel inside a raised frame that opens into the selected tab.
class PanelArea : public Container
{
public:
    explicit PanelArea(TabbedPane& pane)
        : m_pane(pane)
    {
        setText("TabbedPane active area");
        CardLayout* cards = new CardLayout;
        cards->setEqualWidth();
        cards->setEqualHeight();
        setLayout(cards);
        measure();
    }

    void doLayout() override
    {
        measure();
        Container::doLayout();
    }

    void draw(Graphics& graphics) override
    {
        GuiRenderer& renderer = GuiRenderer::current();
        renderer.paintPart(graphics, part::raisedPanel, 0, bounds);
        const int selected = m_pane.getSelectedTab();
        if (Tab* tab = selected < m_pane.tabCount() ? m_pane.getTab(selected) : nullptr) {
            const Rect t = tab->getBounds();
            const ScopedClip join(graphics, Rect{t.x + 1, t.y - m_overlap, t.width - 2, 2 * m_overlap});
            renderer.paintPart(graphics, part::raisedPanel, 0,
                               Rect{bounds.x - m_overlap, bounds.y - m_overlap, bounds.width + 2 * m_overlap,
                                    bounds.height + 2 * m_overlap});
        } else {
            heron::debug("Error in TabbedPane::PanelArea::draw() - tab %d isn't in range %d\n", selected,
                         m_pane.tabCount());
        }
        Container::draw(graphics);
    }

private:
    // The panel frame's insets keep the panels off the frame; the overlap is how far the frame
    // reaches into the selected tab.
    void measure()
    {
        PartMetrics metrics;
        GuiRenderer::current().getPartMetrics(metrics, part::raisedPanel, 0, *this);
        setInsets(metrics.insetLeft, metrics.insetBottom, metrics.insetRight, metrics.insetTop);
        m_overlap = metrics.insetBottom + 1;
    }

    TabbedPane& m_pane;
    int m_overlap = 0;
};

Tab::Tab(TabbedPane& pane, int index)
    : m_pane(pane), m_index(index)
{
}

void Tab::getThemePart(int& part, int& state) const
{
    part = part::tab;
    state = buttonState();
    // Or-ed, not added: a focused tab already carries the bit, and a carry would make it the
    // default-button bit.
    if (m_pane.getSelectedTab() == m_index) {
        state |= partState::on;
    }
}

void Tab::click()
{
    m_pane.setSelectedTab(m_index);
    redrawNow();
}

TabbedPane::TabbedPane()
{
    // The name the pane has always carried.
    setText("freak");
    setInsets(4, 2, 4, 4);
    setLayout(new BorderLayout);
    m_tabRow = static_cast<Container*>(add(new TabHolder, BorderLayout::North));
    m_panelArea = static_cast<PanelArea*>(add(new PanelArea(*this), BorderLayout::Centre));
}

TabbedPane::~TabbedPane() = default;

void TabbedPane::addTab(const char* label, Component* panel)
{
    Tab* tab = new Tab(*this, 0);
    tab->setText(label, true);
    m_tabRow->add(tab);
    tab->setIndex(tabCount() - 1);
    m_panelArea->add(panel);
    if (m_panelArea->getChildren().size() == 1) {
        setSelectedTab(0);
    }
}

void TabbedPane::setSelectedTab(int index)
{
    const int count = tabCount();
    if (count == 0) {
        return;
    }
    index = std::clamp(index, 0, count - 1);
    // A tab's listener may drop the dialog the pane sits in.
    const KeepAlive keep(this);
    if (index != m_selected) {
        if (Tab* old = getTab(m_selected)) {
            old->sendMessage(tabLeft);
        }
        getTab(index)->sendMessage(tabChosen);
    }
    m_selected = index;
    if (auto* cards = dynamic_cast<CardLayout*>(m_panelArea->getLayout().get())) {
        cards->showCard(index);
    }
    // The new panel and the resized tabs show at the next paint of the whole window.
    if (window) {
        window->repaint();
    }
}

int TabbedPane::tabCount() const
{
    return static_cast<int>(m_tabRow->getChildren().size());
}

Tab* TabbedPane::getTab(int index) const
{
    const auto& tabs = m_tabRow->getChildren();
    if (index < 0 || index >= static_cast<int>(tabs.size())) {
        return nullptr;
    }
    return static_cast<Tab*>(tabs[index].get());
}

}
