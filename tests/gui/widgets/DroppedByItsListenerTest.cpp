#include "support/FakeDesktop.h"

#include "gui/widgets/Button.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/ColorMixer.h"
#include "gui/widgets/RadioButton.h"
#include "gui/widgets/TabbedPane.h"
#include "gui/widgets/html/GlyphHolder.h"
#include "gui/widgets/html/HTMLGlyph.h"
#include "gui/widgets/html/HTMLPane.h"
#include "gui/widgets/html/HTMLPaneInternals.h"

#include <memory>
#include <utility>

namespace
{

using plat::InputKind;

// The widget, counting its own death.
template <class Widget>
class Counted : public Widget
{
public:
    template <class... Args>
    explicit Counted(int& deaths, Args&&... args)
        : Widget(std::forward<Args>(args)...), m_deaths(deaths)
    {
    }
    ~Counted() override { ++m_deaths; }

private:
    int& m_deaths;
};

// A 200 x 200 dialog whose widget's listener closes the dialog and drops it, as an OK button's
// does. The widget must outlive the handling of the event that told the listener (under the
// address sanitizer, any use of it or of its dialog after the drop fails the test), and then go.
class DroppedByItsListener : public testing_gui::FakeDesktop, public kestrel::MessageDest
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        dialog->setLayout(new testing_gui::FixedLayout);
    }

    template <class Widget>
    Widget* place(Widget* widget, int x, int y, int width, int height)
    {
        dialog->add(widget);
        widget->setBounds(x, y, width, height);
        widget->setActionListener(this, 1);
        return widget;
    }

    void handleMessage(const kestrel::ComponentMessage&) override
    {
        ++messages;
        if (!dialog) {
            return;
        }
        dialog->close();
        dialog.reset();
        deathsAtDrop = deaths;
    }

    void open() { openAndActivate(*dialog, 200, 200); }

    void pressAt(int x, int y, bool release = true)
    {
        kestrel::Window& window = *dialog;
        move(window, x, y);
        button(window, InputKind::ButtonPress, x, y);
        if (release) {
            button(window, InputKind::ButtonRelease, x, y);
        }
        drain();
    }

    void expectOutlivedItsHandling()
    {
        EXPECT_GE(messages, 1);
        EXPECT_EQ(dialog, nullptr);
        EXPECT_EQ(deathsAtDrop, 0);
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(kestrel::captureHolder(), nullptr);
    }

    std::unique_ptr<kestrel::Window> dialog = std::make_unique<kestrel::Window>();
    int messages = 0;
    int deaths = 0;
    int deathsAtDrop = -1;
};

TEST_F(DroppedByItsListener, AButton)
{
    place(new Counted<kestrel::Button>(deaths), 10, 10, 80, 30);
    open();
    pressAt(20, 20);
    expectOutlivedItsHandling();
}

TEST_F(DroppedByItsListener, ACheckBox)
{
    place(new Counted<kestrel::Checkbox>(deaths), 10, 10, 80, 30);
    open();
    pressAt(20, 20);
    expectOutlivedItsHandling();
}

TEST_F(DroppedByItsListener, ARadioButton)
{
    place(new Counted<kestrel::RadioButton>(deaths), 10, 10, 80, 30);
    open();
    pressAt(20, 20);
    expectOutlivedItsHandling();
}

// The button the click cleared is repainted after the listener dropped the dialog: it must last too.
TEST_F(DroppedByItsListener, ARadioButtonThatClearedAnother)
{
    auto* cleared = place(new Counted<kestrel::RadioButton>(deaths), 100, 10, 80, 30);
    cleared->setSelected();
    place(new kestrel::RadioButton, 10, 10, 80, 30);
    open();
    pressAt(20, 20);
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(dialog, nullptr);
    EXPECT_EQ(deathsAtDrop, 0);
    EXPECT_EQ(deaths, 1);
}

// The pane tells the tab left before the tab chosen: it must last through both.
TEST_F(DroppedByItsListener, ATab)
{
    auto* pane = new Counted<kestrel::TabbedPane>(deaths);
    dialog->add(pane);
    pane->setBounds(0, 0, 200, 200);
    pane->addTab("One", new kestrel::Container);
    pane->addTab("Two", new kestrel::Container);
    pane->getTab(0)->setActionListener(this, 1);
    pane->getTab(1)->setActionListener(this, 2);
    open();
    dialog->doLayout();
    const kestrel::Rect second = pane->getTab(1)->getBounds();
    pressAt(second.x + second.width / 2, second.y + second.height / 2);
    EXPECT_EQ(messages, 2);
    expectOutlivedItsHandling();
}

// A press on the ring starts a drag: the listener drops the dialog on the start code.
TEST_F(DroppedByItsListener, AColourMixer)
{
    place(new Counted<kestrel::ColorMixer>(deaths, 101), 20, 20, 101, 101);
    open();
    pressAt(70, 70 + 43, false);
    expectOutlivedItsHandling();
}

// Fonts that load no face: every character 4 wide, ascent 5, descent 1.
heron::counted_ptr<kestrel::Font> fixedFont(const kestrel::FontKey& key)
{
    return heron::counted_ptr<kestrel::Font>(new kestrel::Font(kestrel::FontKey{key.face, key.size + 10000, key.style}));
}

TEST_F(DroppedByItsListener, AnHtmlPaneWhoseLinkIsPressed)
{
    kestrel::Character2::setFontMaker(&fixedFont);
    auto* pane = place(new Counted<kestrel::HTMLPane>(deaths), 0, 0, 200, 100);
    pane->setText("<a href=next.html>next</a>", nullptr);
    const auto& first = dynamic_cast<const kestrel::GlyphHolder&>(*pane->internals().root().chunks().at(0));
    const kestrel::GlyphEntry& n = first.entries().at(0);
    open();
    pressAt(kestrel::HTMLPaneInternals::margin + n.x + 1, 100 - kestrel::HTMLPaneInternals::margin + n.y + 2, false);
    kestrel::Character2::setFontMaker(nullptr);
    expectOutlivedItsHandling();
}

}
