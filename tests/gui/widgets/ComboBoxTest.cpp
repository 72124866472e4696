#include "support/FakeDesktop.h"

#include "gui/paint/Font.h"
#include "gui/widgets/ComboBox.h"
#include "gui/widgets/ComboBoxList.h"
#include "gui/widgets/ScrollPane.h"

#include <string>

namespace
{

using kestrel::ComboBox;
using plat::InputKind;
using Sent = testing_gui::MessageRecorder::Sent;
using Messages = std::vector<Sent>;

// Entries "Entry 0", "Entry 1", ...
class Entries : public kestrel::ComboBoxInfo
{
public:
    explicit Entries(int count) : count(count) {}
    int itemCount() override { return count; }
    const char* itemText(int index) override
    {
        text = "Entry " + std::to_string(index);
        return text.c_str();
    }
    int count;
    std::string text;
};

// A 300 x 300 window with a combo box at its preferred size, its top at y = 250.
class Choosing : public testing_gui::FakeDesktop
{
protected:
    void open(int count)
    {
        entries.count = count;
        window.setLayout(new testing_gui::FixedLayout);
        window.add(box);
        int width = 0;
        int height = 0;
        box->getPreferredSize(width, height);
        box->setBounds(10, 250 - height, width, height);
        box->setActionListener(&recorder, 4);
        openAndActivate(window, 300, 300);
    }

    void clickAt(const kestrel::Window& target, int x, int y)
    {
        move(target, x, y);
        button(target, InputKind::ButtonPress, x, y);
        button(target, InputKind::ButtonRelease, x, y);
        drain();
    }

    // Opens the list with a press on the text area.
    kestrel::ComboBoxList& openList()
    {
        const kestrel::Rect text = box->textArea().getBounds();
        clickAt(window, text.x + 5, text.y + 5);
        EXPECT_NE(box->list(), nullptr);
        return *box->list();
    }

    kestrel::Window window;
    Entries entries{0};
    ComboBox* box = new ComboBox(&entries);
    testing_gui::MessageRecorder recorder;
};

TEST_F(Choosing, TheListShowsAtMostEightRowsAndScrollsTheRest)
{
    open(20);
    kestrel::ComboBoxList& list = openList();
    ASSERT_TRUE(list.isOpen());
    const std::vector<kestrel::ComboBoxItem*>& items = list.pane().items();
    ASSERT_EQ(items.size(), 20u);
    const int row = items[0]->getBounds().height;
    EXPECT_EQ(list.getBounds().height, 2 + 8 * row);
    EXPECT_TRUE(list.pane().scrollPane().verticalBar().isVisible());
    const plat::WindowSpec& request = fake.windows.at(list.nativeHandle()).request;
    EXPECT_EQ(request.title, "kestrel ComboBox popup");
    EXPECT_EQ(request.kind, plat::WindowKind::Popup);
    // Below the box: its top row lies just under the box's bottom row.
    plat::Box parent;
    ASSERT_TRUE(fake.clientBounds(window.nativeHandle(), parent));
    EXPECT_EQ(request.client.y, parent.y + 300 - box->getBounds().y);
    EXPECT_EQ(kestrel::openPopup(), &box->textArea());
}

TEST_F(Choosing, AShortListShowsEveryRowWithoutABar)
{
    open(3);
    kestrel::ComboBoxList& list = openList();
    const int row = list.pane().items()[0]->getBounds().height;
    EXPECT_EQ(list.getBounds().height, 2 + 3 * row);
    EXPECT_FALSE(list.pane().scrollPane().verticalBar().isVisible());
    EXPECT_EQ(list.getBounds().width, box->getBounds().width);
}

TEST_F(Choosing, ReleasingOverAnItemChoosesItAndClosesTheList)
{
    open(5);
    kestrel::ComboBoxList& list = openList();
    const kestrel::Rect item = list.pane().items()[2]->getBounds();
    fake.mouseWindow = list.nativeHandle();
    move(list, item.x + 6, item.y + 4);
    drain();
    clickAt(list, item.x + 5, item.y + 4);
    EXPECT_EQ(box->selectedIndex(), 2);
    EXPECT_EQ(recorder.messages, (Messages{Sent{box, 4, 2}}));
    EXPECT_FALSE(list.isOpen());
    EXPECT_EQ(kestrel::openPopup(), nullptr);
}

TEST_F(Choosing, APressOutsideClosesTheListWithoutChoosing)
{
    open(5);
    box->setSelectedIndex(1);
    kestrel::ComboBoxList& list = openList();
    clickAt(window, 200, 50);
    EXPECT_FALSE(list.isOpen());
    EXPECT_EQ(box->selectedIndex(), 1);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(Choosing, EnterOnTheFocusedArrowOpensTheList)
{
    open(5);
    kestrel::setKeyboardFocus(&box->arrow());
    key(window, kestrel::keycodes::enter);
    drain();
    ASSERT_NE(box->list(), nullptr);
    EXPECT_TRUE(box->list()->isOpen());
    // Opening again replaces the list.
    box->openList();
    EXPECT_EQ(fake.destroyed.size(), 1u);
}

TEST_F(Choosing, WithoutEntriesNothingOpensAndNothingIsWritten)
{
    open(0);
    const kestrel::Rect text = box->textArea().getBounds();
    clickAt(window, text.x + 5, text.y + 5);
    EXPECT_EQ(box->list(), nullptr);
    window.paintNow();
    const std::uint32_t background = testing_gui::pixelOf(kestrel::GuiColor::WINDOW);
    for (int x = text.x; x < text.x + text.width; ++x) {
        for (int y = text.y; y < text.y + text.height; ++y) {
            ASSERT_EQ(fake.pixelAt(window.nativeHandle(), x, y), background) << x << ", " << y;
        }
    }
}

TEST_F(Choosing, AFontSetOnTheBoxReachesItsTextAreaAndItsList)
{
    const heron::counted_ptr<kestrel::Font> large(new kestrel::Font(kestrel::FontKey{125, 30, 0}));
    box->setFont(large);
    open(3);
    int width = 0;
    int height = 0;
    box->getPreferredSize(width, height);
    EXPECT_EQ(width, large->averageWidth() * 17 + 6);
    EXPECT_EQ(height, large->height() + 2 * large->descent() + 6);
    kestrel::ComboBoxList& list = openList();
    for (const kestrel::ComboBoxItem* item : list.pane().items()) {
        EXPECT_EQ(item->getFont(), large);
        EXPECT_EQ(item->getBounds().height, large->height() + 4 + large->externalLeading());
    }
}

TEST_F(Choosing, AnIndexBeyondTheEntriesShowsChooseAndIsForgotten)
{
    open(5);
    box->setSelectedIndex(7);
    window.paintNow();
    EXPECT_EQ(box->selectedIndex(), -1);
}

}
