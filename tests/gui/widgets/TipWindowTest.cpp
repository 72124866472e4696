#include "support/FakeDesktop.h"

#include "gui/paint/Font.h"
#include "gui/widgets/Button.h"
#include "gui/widgets/TipWindow.h"

namespace
{

using kestrel::TipWindow;
using plat::InputKind;

// A 300 x 200 window with a button `ok` at (20, 100) and a plain child component inside a panel at
// (150, 100); the mouse rests on the button.
class Tooltips : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        kestrel::useTooltips();
        window.setLayout(new testing_gui::FixedLayout);
        window.add(ok);
        ok->setBounds(20, 100, 80, 30);
        window.add(panel);
        panel->setLayout(new testing_gui::FixedLayout);
        panel->setBounds(150, 100, 100, 60);
        panel->add(child);
        child->setBounds(160, 110, 40, 20);
        openAndActivate(window, 300, 200);
    }

    void TearDown() override
    {
        kestrel::hideTooltip();
        FakeDesktop::TearDown();
    }

    // Moves onto the point and lets the mouse rest there for the given time.
    void rest(int x, int y, double seconds)
    {
        move(window, x, y);
        drain();
        wait(seconds);
    }

    // The loop notices a rest at the end of a quiet pass and hands out the hover on the next.
    void wait(double seconds)
    {
        fake.advance(seconds);
        drain();
        drain();
    }

    kestrel::Window window;
    kestrel::Button* ok = new kestrel::Button;
    kestrel::Container* panel = new kestrel::Container;
    kestrel::Component* child = new kestrel::Component;
};

TEST_F(Tooltips, AppearOnlyAfterTheMouseRestsAndGoWhenItLeavesTheComponent)
{
    ok->setTooltip("one line\nand another");
    rest(50, 110, 0.3);
    EXPECT_EQ(kestrel::currentTipWindow(), nullptr);
    wait(0.4);
    TipWindow* tip = kestrel::currentTipWindow();
    ASSERT_NE(tip, nullptr);
    ASSERT_TRUE(tip->isOpen());
    EXPECT_EQ(tip->lines().size(), 2u);
    EXPECT_STREQ(tip->lines()[1].c_str(), "and another");
    const plat::WindowSpec& request = fake.windows.at(tip->nativeHandle()).request;
    EXPECT_EQ(request.title, "kestrel tooltip");
    EXPECT_EQ(request.kind, plat::WindowKind::Popup);
    const kestrel::Font& font = *ok->getFont();
    const int height = 4 * font.descent() + 2 * (font.height() + font.externalLeading() + 1);
    EXPECT_EQ(tip->getBounds().height, height);
    EXPECT_EQ(tip->getBounds().width, font.textWidth("and another") + 2 * font.charWidth('M'));
    // Hung 20 pixels below the mouse.
    plat::Box parent;
    ASSERT_TRUE(fake.clientBounds(window.nativeHandle(), parent));
    EXPECT_EQ(request.client.x, parent.x + 50);
    EXPECT_EQ(request.client.y, parent.y + 200 - 110 + 20);
    move(window, 52, 110);
    drain();
    EXPECT_EQ(kestrel::currentTipWindow(), tip);
    move(window, 120, 20);
    drain();
    EXPECT_EQ(kestrel::currentTipWindow(), nullptr);
    EXPECT_EQ(fake.destroyed.size(), 1u);
}

TEST_F(Tooltips, ASecondRestOnTheSameComponentKeepsTheTooltip)
{
    ok->setTooltip("kept");
    rest(50, 110, 0.7);
    TipWindow* tip = kestrel::currentTipWindow();
    ASSERT_NE(tip, nullptr);
    kestrel::Event hover(kestrel::Event::Hover, &window);
    hover.x = 50;
    hover.y = 110;
    kestrel::dispatch(hover);
    EXPECT_EQ(kestrel::currentTipWindow(), tip);
    EXPECT_EQ(fake.windows.size(), 2u);
}

TEST_F(Tooltips, AComponentCanShowItsParentsTooltip)
{
    child->setTooltipFromParent(true);
    rest(170, 115, 0.7);
    EXPECT_EQ(kestrel::currentTipWindow(), nullptr);
    panel->setTooltip("the panel's");
    rest(172, 115, 0.7);
    ASSERT_NE(kestrel::currentTipWindow(), nullptr);
    EXPECT_STREQ(kestrel::currentTipWindow()->lines()[0].c_str(), "the panel's");
}

TEST_F(Tooltips, ABodyTextShowsAsLinesWhileNoDocumentMakerIsRegistered)
{
    kestrel::setTooltipDocumentMaker(nullptr);
    ok->setTooltip("<body>first\nsecond");
    rest(50, 110, 0.7);
    TipWindow* tip = kestrel::currentTipWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->pane(), nullptr);
    ASSERT_EQ(tip->lines().size(), 2u);
    EXPECT_STREQ(tip->lines()[0].c_str(), "<body>first");
}

TEST_F(Tooltips, APressHidesTheTooltip)
{
    ok->setTooltip("gone on a press");
    rest(50, 110, 0.7);
    ASSERT_NE(kestrel::currentTipWindow(), nullptr);
    button(window, InputKind::ButtonPress, 50, 110);
    drain();
    EXPECT_EQ(kestrel::currentTipWindow(), nullptr);
}

}
