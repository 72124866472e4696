#pragma once

#include "gui/toolkit/Container.h"
#include "gui/widgets/Button.h"

namespace kestrel
{

class PanelArea;
class TabbedPane;

// One tab of a tabbed pane: a button that selects its panel when clicked.
class Tab : public Button
{
public:
    Tab(TabbedPane& pane, int index);

    // A tab part; on when it is the selected tab.
    void getThemePart(int& part, int& state) const override;
    // Selects this tab's panel (the tabs tell their listeners) and redraws.
    void click() override;

    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

private:
    TabbedPane& m_pane;
    int m_index;
};

// Several panels, one shown at a time, chosen by a row of tabs along the top edge. When the
// choice changes, the tab left and the tab chosen each send their listener a code.
// Main thread only.
class TabbedPane : public Container
{
public:
    // The codes a tab sends.
    static constexpr int tabChosen = 0;
    static constexpr int tabLeft = 1;

    TabbedPane();
    ~TabbedPane() override;

    // Appends a tab with the label ('!' marks its mnemonic) and its panel (shared). The first
    // panel added is shown.
    void addTab(const char* label, Component* panel);
    // Clamps the index to the tabs; nothing without tabs.
    void setSelectedTab(int index);
    int getSelectedTab() const { return m_selected; }
    int tabCount() const;
    // The tab at the index, null outside the tabs.
    Tab* getTab(int index) const;

private:
    int m_selected = 0;
    Container* m_tabRow;
    PanelArea* m_panelArea;
};

}
