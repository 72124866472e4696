// Tooltips in the program as it starts: a text that starts with "<body" shows as a document.
#include "support/FakeDesktop.h"

#include "game/EngineSetup.h"
#include "gui/widgets/Button.h"
#include "gui/widgets/TipWindow.h"
#include "gui/widgets/html/HTMLPane.h"

namespace
{

class HtmlTooltipTest : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        setUpEngine();
        kestrel::useTooltips();
        window.setLayout(new testing_gui::FixedLayout);
        window.add(ok);
        ok->setBounds(20, 100, 80, 30);
        openAndActivate(window, 300, 200);
    }

    void TearDown() override
    {
        kestrel::hideTooltip();
        FakeDesktop::TearDown();
    }

    kestrel::Window window;
    kestrel::Button* ok = new kestrel::Button;
};

}

TEST_F(HtmlTooltipTest, ABodyTextShowsADocumentAtItsWidthHint)
{
    ok->setTooltip("<body widthhint=120 bgcolor=#FFFFFF>Some <b>bold</b> text<img src=pic.gif>");
    move(window, 50, 110);
    drain();
    fake.advance(0.7);
    drain();
    drain();
    kestrel::TipWindow* tip = kestrel::currentTipWindow();
    ASSERT_NE(tip, nullptr);
    auto* pane = dynamic_cast<kestrel::HTMLPane*>(tip->pane());
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(tip->lines().empty());
    EXPECT_EQ(tip->getBounds().width, 120);
    EXPECT_EQ(tip->getBounds().height, pane->pageHeight());
    tip->paintNow();
    // The document's white background fills the tooltip.
    EXPECT_EQ(fake.pixelAt(tip->nativeHandle(), 1, 1), 0xFFFFFFFFu);
}
