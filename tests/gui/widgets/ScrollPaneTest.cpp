#include "support/FakeDesktop.h"

#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/ScrollPane.h"

#include <utility>

namespace
{

using kestrel::ScrollBar;
using kestrel::ScrollPane;
using plat::InputKind;
using Sent = testing_gui::MessageRecorder::Sent;
using Messages = std::vector<Sent>;
namespace keys = kestrel::keycodes;

using Page = testing_gui::Sized;

// A 200 x 200 window holding a 100 x 120 scroll pane at (10, 10) (a 2-pixel border, so the
// view is 96 x 116 less the bars) over a page.
class Scrolling : public testing_gui::FakeDesktop
{
protected:
    // The pane at (10, 10), 100 x 120, over a page of the size, with the column header when given.
    void open(int pageWidth, int pageHeight, kestrel::Component* header = nullptr)
    {
        page = new Page(pageWidth, pageHeight);
        pane = new ScrollPane(page);
        if (header != nullptr) {
            pane->setColumnHeader(header);
        }
        window.setLayout(new testing_gui::FixedLayout);
        window.add(pane);
        pane->setBounds(10, 10, 100, 120);
        openAndActivate(window, 200, 200);
        window.paintNow();
        kestrel::setKeyboardFocus(pane);
    }

    void typed(int code)
    {
        key(window, code);
        drain();
    }

    void click(InputKind kind, int x, int y)
    {
        button(window, kind, x, y);
        drain();
    }

    int verticalPosition() { return pane->verticalBar().position(); }

    kestrel::Window window;
    Page* page = nullptr;
    ScrollPane* pane = nullptr;
};

TEST_F(Scrolling, OnlyTheBarThatIsNeededShows)
{
    open(50, 300);
    const ScrollBar& vertical = pane->verticalBar();
    EXPECT_TRUE(vertical.isVisible());
    EXPECT_FALSE(pane->horizontalBar().isVisible());
    EXPECT_EQ(vertical.getBounds(), (kestrel::Rect{92, 12, 16, 116}));
    EXPECT_EQ(pane->view().getBounds(), (kestrel::Rect{12, 12, 80, 116}));
    EXPECT_EQ(vertical.total(), 300);
    EXPECT_EQ(vertical.visibleSize(), 116);
    // Position 0 shows the top of the page.
    EXPECT_EQ(page->getBounds(), (kestrel::Rect{12, 12 + 116 - 300, 50, 300}));
}

TEST_F(Scrolling, AWideTallPageGetsBothBarsAndTheViewShrinksForEach)
{
    open(90, 110);
    // 90 fits the width and 110 the height, until the other bar takes its room.
    EXPECT_FALSE(pane->verticalBar().isVisible());
    pane->setBounds(10, 10, 90, 110);
    window.paintNow();
    EXPECT_TRUE(pane->verticalBar().isVisible());
    EXPECT_TRUE(pane->horizontalBar().isVisible());
    EXPECT_EQ(pane->view().getBounds(), (kestrel::Rect{12, 28, 70, 90}));
}

TEST_F(Scrolling, KeysWheelAndArrowsMoveByTheStepAndStopAtTheEnd)
{
    open(50, 300);
    typed(keys::down);
    EXPECT_EQ(verticalPosition(), 20);
    EXPECT_EQ(page->getBounds().y, 12 + 116 - 300 + 20);
    move(window, 50, 50);
    wheel(window, -120);
    drain();
    EXPECT_EQ(verticalPosition(), 40);
    wheel(window, 120);
    drain();
    EXPECT_EQ(verticalPosition(), 20);
    // The up arrow at the top of the bar.
    move(window, 100, 122);
    click(InputKind::ButtonPress, 100, 122);
    click(InputKind::ButtonRelease, 100, 122);
    EXPECT_EQ(verticalPosition(), 0);
    kestrel::setKeyboardFocus(pane);
    for (int i = 0; i < 20; ++i) {
        typed(keys::down);
    }
    EXPECT_EQ(verticalPosition(), 300 - 116);
    typed(keys::up);
    EXPECT_EQ(verticalPosition(), 160);
}

// A click on the page or on a bar leaves the arrow keys to the pane.
TEST_F(Scrolling, ArrowKeysScrollAfterAClickOnThePageOrABar)
{
    open(300, 300);
    const kestrel::Rect thumb = pane->verticalBar().bar().getBounds();
    const std::pair<int, int> clicks[] = {{50, 100}, {thumb.x + 5, thumb.y + thumb.height - 2}};
    for (const auto& [x, y] : clicks) {
        kestrel::setKeyboardFocus(nullptr);
        move(window, x, y);
        click(InputKind::ButtonPress, x, y);
        click(InputKind::ButtonRelease, x, y);
        const int before = verticalPosition();
        typed(keys::down);
        typed(keys::right);
        EXPECT_EQ(verticalPosition(), before + 20) << x;
        EXPECT_EQ(pane->horizontalBar().position(), 20) << x;
        typed(keys::left);
    }
}

// Asked 300 x 200 around a page a thousand pixels tall, a window keeps its size and the pane
// scrolls; a window that asks for more than the screen opens as large as the screen.
TEST_F(Scrolling, AWindowAroundATallPageKeepsItsSizeAndStaysOnTheScreen)
{
    struct Case
    {
        const char* what;
        int width, height;              // asked for; -1: the preferred size
        int openedWidth, openedHeight;
    };
    const Case cases[] = {
        {"sized", 300, 200, 300, 200},
        {"sized by its contents", -1, -1, 100 + 4, 768},
    };
    for (const Case& c : cases) {
        kestrel::Window framed;
        framed.setLayout(new kestrel::BorderLayout);
        auto* tall = new ScrollPane(new Page(100, 1000));
        framed.add(tall, kestrel::BorderLayout::Centre);
        framed.setSize(c.width, c.height);
        framed.create();
        framed.paintNow();
        const plat::FakeBackend::Window& opened = fake.windows.at(framed.nativeHandle());
        EXPECT_EQ(std::pair(opened.width, opened.height), std::pair(c.openedWidth, c.openedHeight)) << c.what;
        EXPECT_LE(opened.minimumHeight, 200) << c.what;
        EXPECT_LE(opened.minimumWidth, 100) << c.what;
        EXPECT_TRUE(tall->verticalBar().isVisible()) << c.what;
    }
}

// A header 20 high over a 300 x 300 page: it takes the top of the view's room, follows the
// page sideways and stays when the page scrolls down.
TEST_F(Scrolling, AColumnHeaderScrollsSidewaysWithThePageAndStaysAbove)
{
    auto* titles = new Page(100, 20);
    open(300, 300, titles);
    // The view: 96 wide less the vertical bar, 116 high less the horizontal bar and the header.
    EXPECT_EQ(pane->view().getBounds(), (kestrel::Rect{12, 28, 80, 80}));
    EXPECT_EQ(pane->columnHeader()->getBounds(), (kestrel::Rect{12, 108, 80, 20}));
    EXPECT_EQ(pane->verticalBar().getBounds(), (kestrel::Rect{92, 28, 16, 80}));
    EXPECT_EQ(titles->getBounds(), (kestrel::Rect{12, 108, 300, 20}));
    typed(keys::right);
    typed(keys::down);
    EXPECT_EQ(titles->getBounds(), (kestrel::Rect{12 - 20, 108, 300, 20}));
    EXPECT_EQ(page->getBounds().x, 12 - 20);
    int width = 0;
    int height = 0;
    pane->getPreferredSize(width, height);
    EXPECT_EQ(std::pair(width, height), std::pair(300 + 4, 300 + 20 + 4));
}

TEST_F(Scrolling, APageShorterThanTheViewStaysAtTheTop)
{
    open(50, 60);
    typed(keys::down);
    move(window, 50, 50);
    wheel(window, -120);
    drain();
    EXPECT_EQ(verticalPosition(), 0);
    EXPECT_FALSE(pane->verticalBar().isVisible());
    EXPECT_EQ(page->getBounds().y, 12 + 116 - 60);
}

TEST_F(Scrolling, TheThumbIsAsLongAsTheViewIsOfThePageAndMovesWithThePosition)
{
    open(50, 1000);
    kestrel::ScrollBarBar& bar = pane->verticalBar().bar();
    // The track runs between two 16-pixel arrows: 116 - 32 = 84; 116 * 84 / 1000 is below
    // the renderer's shortest thumb.
    EXPECT_EQ(bar.getBounds().height, 84);
    EXPECT_EQ(bar.thumbLength(), 48);
    EXPECT_EQ(bar.thumbOffset(), 0);
    pane->verticalBar().setPosition(1000 - 116);
    EXPECT_EQ(bar.thumbOffset(), 84 - 48);
    pane->verticalBar().setPosition(442);
    EXPECT_EQ(bar.thumbOffset(), 18);
    open(50, 150);
    EXPECT_EQ(pane->verticalBar().bar().thumbLength(), 116 * 84 / 150);
}

TEST_F(Scrolling, HoldingBesideTheThumbRepeatsUntilTheThumbReachesThePointer)
{
    open(50, 1000);
    const kestrel::Rect track = pane->verticalBar().bar().getBounds();
    const int x = track.x + 5;
    const int y = track.y + 10;     // near the bottom of the track
    move(window, x, y);
    click(InputKind::ButtonPress, x, y);
    EXPECT_EQ(verticalPosition(), 20);
    fake.advance(0.4);
    drain();
    EXPECT_EQ(verticalPosition(), 20);
    fake.advance(0.1);
    drain();
    EXPECT_EQ(verticalPosition(), 40);
    for (int i = 0; i < 60; ++i) {
        fake.advance(0.05);
        drain();
    }
    // The thumb now covers the pointer: 84 - 10 - 1 = 73 from the top lies in it.
    kestrel::ScrollBarBar& bar = pane->verticalBar().bar();
    EXPECT_LE(bar.thumbOffset(), 73);
    EXPECT_GT(bar.thumbOffset() + bar.thumbLength(), 73);
    const int stopped = verticalPosition();
    click(InputKind::ButtonRelease, x, y);
    fake.advance(1.0);
    drain();
    EXPECT_EQ(verticalPosition(), stopped);
    EXPECT_EQ(kestrel::captureHolder(), nullptr);
}

TEST_F(Scrolling, HoldingAnArrowRepeatsItsStepAfterHalfASecondAndThenEveryTwentiethOfOne)
{
    open(50, 300);
    // The down arrow at the bottom of the bar; a press steps once at once.
    move(window, 100, 18);
    click(InputKind::ButtonPress, 100, 18);
    ASSERT_EQ(verticalPosition(), 20);
    const struct
    {
        double wait;
        int position;
    } held[] = {
        {0.49, 20}, {0.02, 40},     // 0.51 s after the press
        {0.04, 40}, {0.02, 60},     // 0.06 s after the last step
        {0.06, 80}, {0.03, 80}, {0.03, 100},
    };
    double time = 0.0;
    for (const auto& h : held) {
        time += h.wait;
        fake.advance(h.wait);
        drain();
        EXPECT_EQ(verticalPosition(), h.position) << "held " << time << " s";
    }
    click(InputKind::ButtonRelease, 100, 18);
    fake.advance(1.0);
    drain();
    EXPECT_EQ(verticalPosition(), 100);
}

// Listeners match these codes exactly; the left one carries a 0x800 bit beside its direction bit.
TEST_F(Scrolling, EachArrowSendsItsScrollCode)
{
    open(300, 300);
    testing_gui::MessageRecorder recorder;
    ScrollBar& vertical = pane->verticalBar();
    ScrollBar& horizontal = pane->horizontalBar();
    vertical.setActionListener(&recorder, 1);
    horizontal.setActionListener(&recorder, 2);
    const kestrel::Rect v = vertical.getBounds();
    const kestrel::Rect h = horizontal.getBounds();
    const std::pair<int, int> arrows[] = {
        {v.x + v.width / 2, v.y + v.height - 4},    // up
        {v.x + v.width / 2, v.y + 3},               // down
        {h.x + 3, h.y + h.height / 2},              // left
        {h.x + h.width - 4, h.y + h.height / 2},    // right
    };
    for (const auto& [x, y] : arrows) {
        move(window, x, y);
        click(InputKind::ButtonPress, x, y);
        click(InputKind::ButtonRelease, x, y);
    }
    EXPECT_EQ(recorder.messages, (Messages{Sent{&vertical, 1, 0x10000}, Sent{&vertical, 1, 0x20000},
                                           Sent{&horizontal, 2, 0x40800}, Sent{&horizontal, 2, 0x80000}}));
}

TEST_F(Scrolling, DraggingTheThumbScrollsAndReportsStartChangeAndEnd)
{
    open(50, 1000);
    testing_gui::MessageRecorder recorder;
    ScrollBar& vertical = pane->verticalBar();
    vertical.setActionListener(&recorder, 1);
    const kestrel::Rect track = vertical.bar().getBounds();
    const int x = track.x + 5;
    const int top = track.y + track.height - 1;
    move(window, x, top - 5);
    click(InputKind::ButtonPress, x, top - 5);
    EXPECT_TRUE(vertical.bar().isDragging());
    // 18 pixels down the track: 18 * (1000 - 116) / (84 - 48) = 442.
    move(window, x, top - 23);
    drain();
    EXPECT_EQ(vertical.position(), 442);
    // Far from the bar the drag is given up, back where it began.
    move(window, x + 100, top - 23);
    drain();
    EXPECT_EQ(vertical.position(), 0);
    click(InputKind::ButtonRelease, x + 100, top - 23);
    EXPECT_EQ(recorder.messages, (Messages{Sent{&vertical, 1, 0}, Sent{&vertical, 1, 1}, Sent{&vertical, 1, 1},
                                           Sent{&vertical, 1, 2}}));
}

// In a pane 70 high the track between the arrows (66 - 32 = 34) is shorter than the shortest
// thumb, so the thumb fills it and cannot move.
TEST_F(Scrolling, DraggingAThumbThatFillsAShortTrackKeepsThePosition)
{
    open(50, 1000);
    pane->setBounds(10, 10, 100, 70);
    window.paintNow();
    kestrel::ScrollBarBar& bar = pane->verticalBar().bar();
    ASSERT_EQ(bar.getBounds().height, 34);
    ASSERT_EQ(bar.thumbLength(), 34);
    typed(keys::down);
    typed(keys::down);
    ASSERT_EQ(verticalPosition(), 40);
    const kestrel::Rect track = bar.getBounds();
    const int x = track.x + 5;
    const int y = track.y + track.height / 2;
    move(window, x, y);
    click(InputKind::ButtonPress, x, y);
    ASSERT_TRUE(bar.isDragging());
    for (const int dy : {-10, 10, -1}) {
        move(window, x, y + dy);
        drain();
        EXPECT_EQ(verticalPosition(), 40) << dy;
    }
    click(InputKind::ButtonRelease, x, y - 1);
    EXPECT_EQ(verticalPosition(), 40);
}

}
