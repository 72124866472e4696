#include "base/files/SettingsFile.h"
#include "gui/toolkit/Window.h"
#include "gui/toolkit/WindowInternals.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/RadioButton.h"
#include "gui/widgets/TabbedPane.h"
#include "launcher/VideoSettings.h"
#include "launcher/panels/AvatarPanel.h"
#include "launcher/panels/FlagButton.h"
#include "launcher/panels/TextPanels.h"
#include "launcher/panels/VideoPanel.h"
#include "launcher/panels/WelcomePanel.h"
#include "net/NetworkSettings.h"
#include "support/ComponentSearch.h"
#include "support/GLTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace game_launcher
{
namespace
{

class IdleStarter : public GameStarter
{
public:
    void start() override {}
};

using testing_gui::findAll;

// The component of type T whose text is the one given.
template <typename T>
T* withText(kestrel::Container& container, const char* text)
{
    for (T* component : findAll<T>(container)) {
        if (component->getText() == text) {
            return component;
        }
    }
    ADD_FAILURE() << "no component reads " << text;
    return nullptr;
}

kestrel::Rect boundsOf(kestrel::Component* component)
{
    return component ? component->getBounds() : kestrel::Rect{};
}

int centreX(const kestrel::Rect& r)
{
    return r.x + r.width / 2;
}

int centreY(const kestrel::Rect& r)
{
    return r.y + r.height / 2;
}

// The launcher's seven tabs in a window on the real desktop, painted into its frame.
class LauncherTabs : public GLDisplayTest
{
protected:
    void SetUp() override
    {
        GLDisplayTest::SetUp();
        if (!hasDisplay()) {
            return;
        }
        heron::SettingsFile::setFolder(m_folder.path().string().c_str());
        launcherVideoSettings() = VideoSettings{};
        launcherVideoSettings().chosenScreenMode = kestrel::ScreenMode{2, 1, 0};
        NetworkSettings::actAsServer = false;
        NetworkSettings::connectToNetwork = false;
        NetworkSettings::userColor = 0x20A0E0;
        currentLanguage = English;
        const char* labels[] = {"Aurelle", "Options", "Problems?", "Avatars", "Keys", "Credits", "WWW"};
        kestrel::Component* panels[] = {welcome, video, textTabs[0], avatars, textTabs[1], textTabs[2], textTabs[3]};
        for (int i = 0; i < 7; ++i) {
            pane->addTab(labels[i], panels[i]);
        }
        window.add(pane);
        int width = 0;
        int height = 0;
        window.validate();
        pane->getPreferredSize(width, height);
        window.setSize(width, height);
        window.create();
        ASSERT_TRUE(window.isOpen());
    }

    void TearDown() override
    {
        if (hasDisplay()) {
            window.close();
        }
        currentLanguage = English;
        heron::SettingsFile::setFolder("");
    }

    // Shows the tab and paints the whole window.
    void show(int tab)
    {
        pane->setSelectedTab(tab);
        window.validate();
        window.paintNow();
    }

    std::uint32_t pixel(int x, int y) { return *window.internals().graphics->image().pixelAt(x, y) & 0xFFFFFF; }

    // The backdrop shows in the page's side margin, where no text goes.
    void expectBackdrop(LauncherPage& page)
    {
        const kestrel::Rect r = page.getBounds();
        const kestrel::Image& backdrop = backdropImage();
        const int bx = 5 + (backdrop.width() - r.width) / 2;
        const int by = r.height / 2 + (backdrop.height() - r.height) / 2;
        EXPECT_EQ(pixel(r.x + 5, r.y + r.height / 2), *backdrop.pixelAt(bx, by) & 0xFFFFFF);
    }

    // The pixels of the page's main document in the colour of its text or of its links.
    int textPixels(LauncherPage& page)
    {
        const kestrel::Rect r = page.mainDocument().getBounds();
        int count = 0;
        for (int y = r.y; y < r.y + r.height; ++y) {
            for (int x = r.x; x < r.x + r.width; ++x) {
                const std::uint32_t shown = pixel(x, y);
                count += shown == 0xFFFFFF || shown == 0xC0C0FF;
            }
        }
        return count;
    }

    TempFolder m_folder;
    IdleStarter starter;
    kestrel::Window window;
    kestrel::TabbedPane* pane = new kestrel::TabbedPane;
    WelcomePanel* welcome = new WelcomePanel(starter);
    VideoPanel* video = new VideoPanel(starter);
    AvatarPanel* avatars = new AvatarPanel;
    // "Problems?", "Keys", "Credits" and "WWW".
    LauncherPanel* textTabs[4] = {new ProblemPanel, new KeyboardPanel, new CreditPanel, new WebPanel};
};

TEST_F(LauncherTabs, TheTabStripRunsAlongTheTopInOrder)
{
    show(0);
    const kestrel::Rect page = welcome->page().getBounds();
    int previousRight = -1;
    for (int i = 0; i < pane->tabCount(); ++i) {
        const kestrel::Rect tab = pane->getTab(i)->getBounds();
        EXPECT_GT(tab.x, previousRight) << i;
        EXPECT_GT(tab.y, page.y + page.height - 1) << i;
        previousRight = tab.x + tab.width - 1;
    }
    EXPECT_EQ(pane->getTab(0)->getText(), "Aurelle");
}

TEST_F(LauncherTabs, TheWelcomeTabShowsTheFlagsBesideTheControlsBelowThePage)
{
    show(0);
    expectBackdrop(welcome->page());
    EXPECT_GT(textPixels(welcome->page()), 100);
    const std::vector<FlagButton*> flags = findAll<FlagButton>(*welcome);
    ASSERT_EQ(flags.size(), 8u);
    const kestrel::Rect page = welcome->page().getBounds();
    const kestrel::Rect start = boundsOf(withText<kestrel::Component>(*welcome, "Start game"));
    const kestrel::Rect exit = boundsOf(withText<kestrel::Component>(*welcome, "Exit"));
    const kestrel::Rect useCurrent = boundsOf(withText<kestrel::Checkbox>(*welcome, "Use current display settings"));
    for (std::size_t i = 0; i < flags.size(); ++i) {
        const kestrel::Rect r = flags[i]->getBounds();
        EXPECT_LT(r.y + r.height, page.y) << i;
        // Two by two: English, Spanish over French, German on the left; the rest on the right.
        const bool left = i < 4;
        EXPECT_EQ(left ? r.x + r.width < start.x : r.x > exit.x + exit.width, true) << i;
        const kestrel::Image dimmed = darkenedImage(flagImage(static_cast<int>(i)));
        const int fx = dimmed.width() / 2 + 10;
        const int fy = dimmed.height() / 2;
        EXPECT_EQ(pixel(r.x + (r.width - dimmed.width()) / 2 + fx, r.y + (r.height - dimmed.height()) / 2 + fy),
                  *dimmed.pixelAt(fx, fy) & 0xFFFFFF)
            << i;
    }
    EXPECT_EQ(flags[0]->getBounds().y, flags[1]->getBounds().y);
    EXPECT_GT(flags[0]->getBounds().y, flags[2]->getBounds().y);
    EXPECT_LT(start.x + start.width, exit.x);
    EXPECT_EQ(start.y, exit.y);
    EXPECT_GT(useCurrent.y, start.y + start.height - 1);
}

TEST_F(LauncherTabs, TheOptionsTabStacksRapidAndAdvancedSetupAboveStart)
{
    launcherVideoSettings().useCurrentMode = true;
    show(1);
    EXPECT_FALSE(launcherVideoSettings().useCurrentMode);
    const kestrel::Rect old = boundsOf(withText<kestrel::Component>(*video, "Old"));
    const kestrel::Rect super = boundsOf(withText<kestrel::Component>(*video, "Super"));
    const kestrel::Rect fog = boundsOf(withText<kestrel::Checkbox>(*video, "Enable fog"));
    const kestrel::Rect start = boundsOf(withText<kestrel::Component>(*video, "Start game"));
    EXPECT_EQ(old.y, super.y);
    EXPECT_LT(old.x, super.x);
    EXPECT_GT(old.y, fog.y);
    EXPECT_GT(fog.y, start.y);
    EXPECT_TRUE(withText<kestrel::RadioButton>(*video, "1024 x 768")->isSelected());
    EXPECT_TRUE(withText<kestrel::RadioButton>(*video, "32 bit")->isSelected());
    EXPECT_TRUE(withText<kestrel::RadioButton>(*video, "60 Hz")->isSelected());
    EXPECT_TRUE(withText<kestrel::Checkbox>(*video, "Enable fog")->isChecked());

    // The welcome tab follows: "Use current" is off there now and the screen mode shows.
    show(0);
    EXPECT_FALSE(withText<kestrel::Checkbox>(*welcome, "Use current display settings")->isChecked());
    EXPECT_TRUE(withText<kestrel::Component>(*welcome, "Screen mode")->isShowing());
}

TEST_F(LauncherTabs, TheAvatarsTabShowsTheServerAddressInPlaceOfTheConnectRow)
{
    NetworkSettings::actAsServer = true;
    show(3);
    expectBackdrop(avatars->page());
    EXPECT_FALSE(withText<kestrel::Checkbox>(*avatars, "Connect to the network")->isShowing());
    EXPECT_TRUE(withText<kestrel::Checkbox>(*avatars, "This computer is a server")->isShowing());
    const kestrel::Rect swatch = boundsOf(findAll<NetworkPanel::PlayerColor>(*avatars).at(0));
    EXPECT_EQ(pixel(centreX(swatch), centreY(swatch)), 0x20A0E0u);
    EXPECT_LT(swatch.y + swatch.height, avatars->page().getBounds().y);
}

TEST_F(LauncherTabs, EveryTextTabShowsItsTextOverTheBackdrop)
{
    const int tabs[] = {2, 4, 5, 6};
    for (int i = 0; i < 4; ++i) {
        show(tabs[i]);
        ASSERT_TRUE(textTabs[i]->isShowing()) << tabs[i];
        expectBackdrop(textTabs[i]->page());
        EXPECT_GT(textPixels(textTabs[i]->page()), 50) << tabs[i];
    }
}

}
}
