#include "support/FakeDesktop.h"

#include "gui/widgets/GuiRenderer.h"
#include "gui/widgets/TabbedPane.h"

#include <algorithm>

namespace
{

using Sent = testing_gui::MessageRecorder::Sent;
using Messages = std::vector<Sent>;

// A pane of three tabs filling a window, each tab telling the recorder with its own id.
class Tabs : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        window.add(pane);
        for (const char* label : {"!Welcome", "!Video", "!Credits"}) {
            auto* panel = new kestrel::Container;
            panels.push_back(panel);
            pane->addTab(label, panel);
        }
        for (int i = 0; i < 3; ++i) {
            pane->getTab(i)->setActionListener(&recorder, 10 + i);
        }
        openAndActivate(window, 300, 200);
        window.paintNow();
    }

    kestrel::Tab* tab(int index) const { return pane->getTab(index); }

    kestrel::Window window;
    kestrel::TabbedPane* pane = new kestrel::TabbedPane;
    std::vector<kestrel::Container*> panels;
    testing_gui::MessageRecorder recorder;
};

TEST_F(Tabs, TheFirstTabShowsItsPanelWithoutAMessage)
{
    EXPECT_EQ(pane->getSelectedTab(), 0);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(panels[0]->isVisible());
    EXPECT_FALSE(panels[1]->isVisible());
    EXPECT_EQ(pane->getText(), "freak");
}

TEST_F(Tabs, ClickingATabSwitchesThePanelAndTellsBothTabs)
{
    const kestrel::Rect video = tab(1)->getBounds();
    fake.presents.clear();
    move(window, video.x + 5, video.y + 5);
    button(window, plat::InputKind::ButtonPress, video.x + 5, video.y + 5);
    button(window, plat::InputKind::ButtonRelease, video.x + 5, video.y + 5);
    drain();
    EXPECT_EQ(recorder.messages, (Messages{Sent{tab(0), 10, 1}, Sent{tab(1), 11, 0}}));
    // The tab's own redraws cover only the tab; the new panel needs the whole window painted.
    const auto whole = [](const plat::FakeBackend::Present& present) { return present.area.width == 300 && present.area.height == 200; };
    EXPECT_TRUE(std::any_of(fake.presents.begin(), fake.presents.end(), whole));
    EXPECT_FALSE(panels[0]->isVisible());
    EXPECT_TRUE(panels[1]->isVisible());
}

TEST_F(Tabs, AltAndAMnemonicSelectsItsTab)
{
    key(window, 'c', plat::InputKind::AltKey);
    drain();
    EXPECT_EQ(pane->getSelectedTab(), 2);
    EXPECT_EQ(recorder.messages, (Messages{Sent{tab(0), 10, 1}, Sent{tab(2), 12, 0}}));
}

TEST_F(Tabs, TheIndexIsClampedAndReselectingSendsNothing)
{
    pane->setSelectedTab(-5);
    EXPECT_TRUE(recorder.messages.empty());
    pane->setSelectedTab(99);
    EXPECT_EQ(pane->getSelectedTab(), 2);
    recorder.messages.clear();
    pane->setSelectedTab(2);
    EXPECT_TRUE(recorder.messages.empty());
    window.paintNow();
    EXPECT_TRUE(panels[2]->isVisible());
}

TEST_F(Tabs, TheSelectedTabStandsTallerAndStaysSelectedWithTheFocus)
{
    const int selectedHeight = tab(0)->getBounds().height;
    EXPECT_EQ(tab(1)->getBounds().height, selectedHeight - 3);
    // A focused tab already carries the on bit; being selected must not carry it further.
    kestrel::setKeyboardFocus(tab(0));
    int part = 0;
    int state = 0;
    tab(0)->getThemePart(part, state);
    EXPECT_EQ(state, kestrel::partState::on);
}

}
