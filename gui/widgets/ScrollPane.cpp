#include "gui/widgets/ScrollPane.h"

#include "base/Debug.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/widgets/GuiRenderer.h"

#include <algorithm>

namespace kestrel
{

namespace
{

constexpr int verticalBarId = 1;
constexpr int horizontalBarId = 2;
constexpr int borderWidth = 2;

// Places the page in the view by the bars' positions and totals: position 0 shows its top-left
// corner; a growing vertical position moves the page up.
class ViewPaneLayout : public LayoutManager
{
public:
    explicit ViewPaneLayout(ScrollPane& pane) : m_pane(pane) {}

    // The view only ever gets the size the scroll pane gives it.
    void getPreferredSize(Container&, int& width, int& height) override
    {
        fatalErrorBox("Somebody called ScrollPane::ViewPaneLayout::calcSize()");
        width = 1;
        height = 1;
    }

    void layoutContainer(Container& view) override
    {
        const Rect v = view.getBounds();
        const ScrollBar& vertical = m_pane.verticalBar();
        const ScrollBar& horizontal = m_pane.horizontalBar();
        m_pane.page().setBounds(v.x - horizontal.position(), v.y + v.height - vertical.total() + vertical.position(),
                                horizontal.total(), vertical.total());
    }

private:
    ScrollPane& m_pane;
};

// The component's preferred width and height, at (0, 0).
Rect preferredSizeOf(Component& component)
{
    Rect size;
    component.getPreferredSize(size.width, size.height);
    return size;
}

// Rounds down to a multiple of the step, except at the end of the page, which must stay
// reachable when the page's length is no multiple of the step.
int roundToStep(const ScrollBar& bar, int step)
{
    const int position = std::clamp(bar.position(), 0, bar.maxPosition());
    if (step <= 1 || position == bar.maxPosition()) {
        return position;
    }
    return position - position % step;
}

}

// The listener of the bars, with the bar modes and the scroll steps.
class ScrollPaneInternals final : public MessageDest
{
public:
    explicit ScrollPaneInternals(ScrollPane& pane) : pane(pane) {}

    void handleMessage(const ComponentMessage& message) override
    {
        switch (message.argument) {
        case scrollCode::up:
        case scrollCode::down:
            pane.scrollBy(pane.verticalBar(), message.argument == scrollCode::up ? -verticalStep : verticalStep);
            return;
        case scrollCode::left:
        case scrollCode::right:
            pane.scrollBy(pane.horizontalBar(), message.argument == scrollCode::left ? -horizontalStep : horizontalStep);
            return;
        default:
            pane.redrawNow();
            return;
        }
    }

    ScrollPane& pane;
    ScrollPane::BarMode verticalMode = ScrollPane::BarMode::WhenNeeded;
    ScrollPane::BarMode horizontalMode = ScrollPane::BarMode::WhenNeeded;
    bool verticalShown = false;
    bool horizontalShown = false;
    int verticalStep = 20;
    int horizontalStep = 20;
};

ScrollPane::ScrollPane(Component* page)
    : m_page(page), m_internals(std::make_unique<ScrollPaneInternals>(*this))
{
    setText("Scroll Pane");
    setLayout(new ScrollPaneLayout(*this));
    m_view = new Container;
    m_view->setText("Scroll Pane view");
    m_view->setLayout(new ViewPaneLayout(*this));
    m_view->add(page);
    m_vertical = new ScrollBar(ScrollBar::Orientation::Vertical);
    m_horizontal = new ScrollBar(ScrollBar::Orientation::Horizontal);
    m_vertical->setActionListener(m_internals.get(), verticalBarId);
    m_horizontal->setActionListener(m_internals.get(), horizontalBarId);
    add(m_view);
    add(m_vertical);
    add(m_horizontal);
    setBorder(true);
}

ScrollPane::~ScrollPane() = default;

void ScrollPane::setColumnHeader(Component* content)
{
    if (m_header) {
        heron::debug("ScrollPane: a column header is set already; the new one is not taken\n");
        return;
    }
    m_header = new ColumnHeader(*this, content);
    add(m_header);
}

ColumnHeader::ColumnHeader(ScrollPane& pane, Component* content)
    : m_pane(pane), m_content(content)
{
    setText("Scroll Pane column header");
    add(content);
}

void ColumnHeader::getPreferredSize(int& width, int& height)
{
    m_content->getPreferredSize(width, height);
}

void ColumnHeader::doLayout()
{
    int width = 0;
    int height = 0;
    m_content->getPreferredSize(width, height);
    const ScrollBar& horizontal = m_pane.horizontalBar();
    m_content->setBounds(bounds.x - horizontal.position(), bounds.y, std::max(width, horizontal.total()), bounds.height);
    if (Container* inner = m_content->asContainer()) {
        inner->doLayout();
    }
}

void ScrollPane::setBorder(bool border)
{
    m_border = border;
    const int inset = border ? borderWidth : 0;
    setInsets(inset, inset, inset, inset);
}

void ScrollPane::setBarModes(BarMode vertical, BarMode horizontal)
{
    m_internals->verticalMode = vertical;
    m_internals->horizontalMode = horizontal;
}

void ScrollPane::draw(Graphics& graphics)
{
    if (m_border) {
        GuiRenderer::current().paintPart(graphics, part::sunkenField, 0, bounds);
    }
    if (m_internals->verticalShown && m_internals->horizontalShown) {
        const Rect v = m_vertical->getBounds();
        const Rect h = m_horizontal->getBounds();
        graphics.setColor(GuiColor::BUTTON_FACE);
        graphics.fillRect(Rect{v.x, h.y, v.width, h.height});
    }
    Container::draw(graphics);
}

void ScrollPane::scrollBy(ScrollBar& bar, int delta)
{
    bar.scrollTo(bar.position() + delta);
    redrawNow();
}

void ScrollPane::handleKey(Event& event)
{
    if (event.type != Event::Key) {
        Container::handleKey(event);
        return;
    }
    switch (event.key) {
    case keycodes::left:
    case keycodes::right:
        scrollBy(*m_horizontal, event.key == keycodes::left ? -m_internals->horizontalStep : m_internals->horizontalStep);
        return;
    case keycodes::up:
    case keycodes::down:
        scrollBy(*m_vertical, event.key == keycodes::up ? -m_internals->verticalStep : m_internals->verticalStep);
        return;
    default:
        Container::handleKey(event);
        return;
    }
}

bool ScrollPane::handleWheel(Event& event)
{
    if (!m_internals->verticalShown) {
        return false;
    }
    scrollBy(*m_vertical, event.wheelDelta >= 0 ? -m_internals->verticalStep : m_internals->verticalStep);
    return true;
}

// At least, a pane shows both bars whole beside a view one line high.
void ScrollPaneLayout::getMinimumSize(Container& container, int& width, int& height)
{
    const Rect vertical = preferredSizeOf(*m_pane.m_vertical);
    const Rect horizontal = preferredSizeOf(*m_pane.m_horizontal);
    const Insets insets = insetsOf(container);
    width = horizontal.width + vertical.width + insets.left + insets.right;
    height = std::max(vertical.height, m_pane.getFont()->height()) + horizontal.height + insets.bottom + insets.top;
}

void ScrollPaneLayout::getPreferredSize(Container& container, int& width, int& height)
{
    if (measuringMinimum()) {
        getMinimumSize(container, width, height);
        return;
    }
    const ScrollPaneInternals& in = *m_pane.m_internals;
    m_pane.page().getPreferredSize(width, height);
    if (m_pane.m_header) {
        height += preferredSizeOf(*m_pane.m_header).height;
    }
    if (in.verticalMode == ScrollPane::BarMode::Always) {
        width += preferredSizeOf(*m_pane.m_vertical).width;
    }
    if (in.horizontalMode == ScrollPane::BarMode::Always) {
        height += preferredSizeOf(*m_pane.m_horizontal).height;
    }
    const Insets insets = insetsOf(container);
    width += insets.left + insets.right;
    height += insets.bottom + insets.top;
}

void ScrollPaneLayout::layoutContainer(Container& container)
{
    ScrollPaneInternals& in = *m_pane.m_internals;
    const Insets insets = insetsOf(container);
    const Rect b = container.getBounds();
    const int headerHeight = m_pane.m_header ? preferredSizeOf(*m_pane.m_header).height : 0;
    const Rect area{b.x + insets.left, b.y + insets.bottom, b.width - insets.left - insets.right,
                    b.height - insets.bottom - insets.top - headerHeight};
    ScrollBar& vertical = *m_pane.m_vertical;
    ScrollBar& horizontal = *m_pane.m_horizontal;
    const int barWidth = preferredSizeOf(vertical).width;
    const int barHeight = preferredSizeOf(horizontal).height;
    auto* sized = dynamic_cast<ScrollPane::SizedPage*>(&m_pane.page());
    int pageWidth = 0;
    int pageHeight = 0;
    // A page that flows takes the view's width, down to its own least width.
    const auto measurePage = [&] {
        if (sized) {
            const int viewWidth = std::max(area.width - (in.verticalShown ? barWidth : 0), 1);
            sized->setPageWidth(std::max(viewWidth, sized->minimumWidth()));
        }
        m_pane.page().getPreferredSize(pageWidth, pageHeight);
    };
    in.verticalShown = in.verticalMode == ScrollPane::BarMode::Always;
    in.horizontalShown = in.horizontalMode == ScrollPane::BarMode::Always;
    // Each bar that shows takes room from the other direction: decide twice.
    for (int pass = 0; pass < 2; ++pass) {
        measurePage();
        if (in.verticalMode == ScrollPane::BarMode::WhenNeeded) {
            in.verticalShown = pageHeight > area.height - (in.horizontalShown ? barHeight : 0);
        }
        if (in.horizontalMode == ScrollPane::BarMode::WhenNeeded) {
            in.horizontalShown = pageWidth > area.width - (in.verticalShown ? barWidth : 0);
        }
    }
    measurePage();
    const int right = in.verticalShown ? barWidth : 0;
    const int bottom = in.horizontalShown ? barHeight : 0;
    vertical.setVisible(in.verticalShown);
    horizontal.setVisible(in.horizontalShown);
    vertical.setTotal(std::max(pageHeight, 1));
    horizontal.setTotal(std::max(pageWidth, 1));
    vertical.setBounds(area.x + area.width - right, area.y + bottom, right, area.height - bottom);
    horizontal.setBounds(area.x, area.y, area.width - right, bottom);
    m_pane.m_view->setBounds(area.x, area.y + bottom, area.width - right, area.height - bottom);
    if (m_pane.m_header) {
        m_pane.m_header->setBounds(area.x, area.y + area.height, area.width - right, headerHeight);
    }
    vertical.setPosition(roundToStep(vertical, in.verticalStep));
    horizontal.setPosition(roundToStep(horizontal, in.horizontalStep));
}

}
