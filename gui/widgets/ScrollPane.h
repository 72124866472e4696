#pragma once

#include "gui/toolkit/Container.h"
#include "gui/toolkit/LayoutManager.h"
#include "gui/widgets/ScrollBar.h"

#include <memory>

namespace kestrel
{

class ColumnHeader;
class ScrollPaneInternals;

// Shows a larger page through a view, with a vertical bar (command id 1) along the right edge
// and a horizontal one (command id 2) along the bottom, each shown only while the page does not
// fit. Arrows, presses beside the thumb, arrow keys and the wheel move by the step (20 pixels);
// position 0 shows the page's top-left corner. Main thread only.
class ScrollPane : public Container
{
public:
    // A page that flows to the width it is given (the HTML pane).
    class SizedPage
    {
    public:
        virtual int minimumWidth() = 0;
        virtual void setPageWidth(int width) = 0;
        virtual int pageWidth() = 0;
        virtual int pageHeight() = 0;

    protected:
        ~SizedPage() = default;
    };

    // When a bar shows.
    enum class BarMode
    {
        Never = 0,
        WhenNeeded = 1,
        Always = 2,
    };

    // The page is shared (held by the view).
    explicit ScrollPane(Component* page);
    ~ScrollPane() override;

    // A sunken frame two pixels wide around view and bars; on at first.
    void setBorder(bool border);
    void setBarModes(BarMode vertical, BarMode horizontal);
    void draw(Graphics& graphics) override;
    // Arrow keys scroll by the step; other keys take the default path.
    void handleKey(Event& event) override;
    // While the vertical bar shows, a turn away from the user scrolls towards the start.
    bool handleWheel(Event& event) override;

    // Puts a row (shared) above the view that scrolls sideways with the page but stays when it
    // scrolls up or down, as the titles of a table's columns do. Replaces none set before: a pane
    // takes one header.
    void setColumnHeader(Component* content);
    // Null without a header.
    ColumnHeader* columnHeader() { return m_header; }

    Component& page() { return *m_page; }
    ScrollBar& verticalBar() { return *m_vertical; }
    ScrollBar& horizontalBar() { return *m_horizontal; }
    Container& view() { return *m_view; }
    // Moves the bar's position by delta, clamped, and redraws the pane at once.
    void scrollBy(ScrollBar& bar, int delta);

private:
    friend class ScrollPaneLayout;

    Component* m_page;
    bool m_border = true;
    ScrollBar* m_vertical;
    ScrollBar* m_horizontal;
    Container* m_view;
    ColumnHeader* m_header = nullptr;
    std::unique_ptr<ScrollPaneInternals> m_internals;
};

// The row above a scroll pane's view: its content is as wide as the page and shifted left by
// the horizontal position, so it lines up with the page below it.
class ColumnHeader : public Container
{
public:
    ColumnHeader(ScrollPane& pane, Component* content);

    // The content's preferred size.
    void getPreferredSize(int& width, int& height) override;
    void doLayout() override;

    Component& content() { return *m_content; }

private:
    ScrollPane& m_pane;
    Component* m_content;
};

// Decides which bars show, gives them their totals and places them, the view and the page.
class ScrollPaneLayout : public LayoutManager
{
public:
    explicit ScrollPaneLayout(ScrollPane& pane) : m_pane(pane) {}

    // The page's preferred size with the column header above it, the bars that always show and
    // the insets; while a window measures its least size, only the bars and a line.
    void getPreferredSize(Container& container, int& width, int& height) override;
    // A page that flows (a sized page) is laid out at the view's width, less the vertical bar
    // when it shows, but no narrower than it can be. A column header takes its height off the top
    // of the view; the vertical bar runs beside the view alone.
    void layoutContainer(Container& container) override;

private:
    void getMinimumSize(Container& container, int& width, int& height);

    ScrollPane& m_pane;
};

}
