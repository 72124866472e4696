#include "support/FakeDesktop.h"

#include "gui/toolkit/WindowInternals.h"

#include <vector>

namespace
{

using kestrel::Event;
using kestrel::Window;
using testing_gui::FakeDesktop;

class Windows : public FakeDesktop
{
protected:
    const plat::WindowSpec& request(const Window& window) { return fake.windows.at(window.nativeHandle()).request; }

    kestrel::Rect client(const Window& window)
    {
        const plat::Box box = request(window).client;
        return kestrel::Rect{box.x, box.y, box.width, box.height};
    }
};

TEST_F(Windows, FramedWindowsAreCentredOrMaximisedAndPopupsFallBackToTheScreenEdge)
{
    Window framed;
    framed.setBounds(-1, -1, 300, 200);
    framed.create();
    ASSERT_TRUE(framed.isOpen());
    EXPECT_EQ(client(framed), (kestrel::Rect{(1024 - 300) / 2, 768 - 200 - (768 - 200) / 2, 300, 200}));
    EXPECT_FALSE(request(framed).maximised);
    EXPECT_EQ(framed.getBounds(), (kestrel::Rect{0, 0, 300, 200}));

    Window large;
    large.setSize(1024, 768);
    large.create();
    EXPECT_TRUE(request(large).maximised);
    EXPECT_EQ(std::pair(client(large).x, client(large).width), std::pair(64, 1024 - 128));

    Window popup(&framed);
    popup.setWindowType(Window::Popup);
    popup.setPopupFallback(Window::farEdgeFallback, Window::noFallback);
    popup.setBounds(900, 10, 200, 50);
    popup.create();
    ASSERT_TRUE(popup.isOpen());
    EXPECT_EQ(request(popup).kind, plat::WindowKind::Popup);
    EXPECT_EQ(client(popup), (kestrel::Rect{1024 - 200, client(framed).top() + 1 - 50 - 10, 200, 50}));
}

TEST_F(Windows, RefusedCreationsShowTheirBoxesAndStayClosed)
{
    Window popup;
    popup.setWindowType(Window::Popup);
    popup.create();
    Window parent;
    parent.create();
    Window child(&parent);
    child.setWindowType(Window::Subwindow);
    child.create();
    fake.failCreation = true;
    Window failed;
    failed.create();
    EXPECT_FALSE(popup.isOpen());
    EXPECT_FALSE(child.isOpen());
    EXPECT_FALSE(failed.isOpen());
    EXPECT_EQ(shownBoxes(), (std::vector<std::string>{
                           "Kestrel API: user error: A popup window has no parent. Please call setParent() somewhere",
                           "Kestrel API: user error: A subwindow cannot be made on this desktop: use a popup window "
                           "or a component instead",
                           "Fatal error: Window create failed"}));
}

TEST_F(Windows, AWindowClosedDuringAPassKeepsItsDesktopWindowUntilThePassEnds)
{
    struct Closing : Window
    {
        void handleKey(Event&) override
        {
            close();
            plat::Box bounds;
            stillThere = plat::backend().clientBounds(nativeHandle(), bounds);
        }
        bool stillThere = false;
    } window;
    openAndActivate(window);
    const plat::WindowId handle = window.nativeHandle();
    kestrel::setKeyboardFocus(&window);
    key(window, 'a');
    key(window, 'b');
    Event event;
    kestrel::getEvent(event, nullptr);
    kestrel::dispatch(event);
    EXPECT_TRUE(window.stillThere);
    EXPECT_TRUE(fake.destroyed.empty());
    EXPECT_FALSE(kestrel::getEvent(event, nullptr));
    EXPECT_EQ(fake.destroyed, (std::vector<plat::WindowId>{handle}));
    EXPECT_EQ(window.nativeHandle(), 0u);
}

TEST_F(Windows, EventsOfADeletedWindowAreDroppedAndItsInputIsIgnored)
{
    auto* window = new Window;
    openAndActivate(*window);
    key(*window, 'a');
    move(*window, 3, 3);
    Event event;
    kestrel::getEvent(event, nullptr);
    const plat::WindowId handle = window->nativeHandle();
    delete window;
    EXPECT_EQ(fake.destroyed, (std::vector<plat::WindowId>{handle}));
    kestrel::dispatch(event);
    fake.push(inputEvent(plat::InputKind::Key, handle));
    EXPECT_EQ(drain(), (std::vector<std::uint32_t>{Event::MouseMove}));
}

TEST_F(Windows, EventsQueuedForADeletedWindowNeverReachANewWindowAtTheSameAddress)
{
    struct Counting : Window
    {
        void handleKey(Event&) override { ++keys; }
        int keys = 0;
    };
    alignas(Counting) unsigned char storage[sizeof(Counting)];
    auto* first = new (storage) Counting;
    openAndActivate(*first);
    key(*first, 'a');
    key(*first, 'b');
    Event event;
    kestrel::getEvent(event, nullptr);      // takes both keys into the queue, hands out the first
    kestrel::setKeyboardFocus(nullptr);
    first->~Counting();
    auto* second = new (storage) Counting;
    kestrel::setKeyboardFocus(second);
    openAndActivate(*second);
    EXPECT_EQ(second->keys, 0);
    key(*second, 'c');
    drain();
    EXPECT_EQ(second->keys, 1);
    second->~Counting();
}

TEST_F(Windows, ClosingAWindowClosesItsPopupsFirst)
{
    struct Noting : Window
    {
        using Window::Window;
        void closed() override { order->push_back(this); }
        std::vector<Window*>* order;
    };
    std::vector<Window*> order;
    Noting parent;
    parent.order = &order;
    parent.setSize(300, 300);
    parent.create();
    Noting popup(&parent);
    popup.order = &order;
    popup.setWindowType(Window::Popup);
    popup.setBounds(10, 10, 20, 20);
    popup.create();
    parent.close();
    EXPECT_EQ(order, (std::vector<Window*>{&popup, &parent}));
    EXPECT_EQ(fake.destroyed.size(), 1u);
    kestrel::destroyClosedWindows();
    EXPECT_EQ(fake.destroyed.size(), 2u);
    EXPECT_FALSE(kestrel::anyWindowOpen());
}

TEST_F(Windows, OnlyDirtyWindowsPaintResizesRepaintAndTheCloseRequestCloses)
{
    Window window;
    openAndActivate(window, 100, 80);
    EXPECT_EQ(kestrel::paintDirtyWindows(), 0);
    window.repaint();
    EXPECT_EQ(kestrel::paintDirtyWindows(), 1);
    EXPECT_FALSE(window.isDirty());

    plat::InputEvent resized = inputEvent(plat::InputKind::Resized, window.nativeHandle());
    resized.width = 150;
    resized.height = 90;
    fake.push(resized);
    plat::FakeBackend::Window& desktop = fake.windows.at(window.nativeHandle());
    desktop.width = 150;
    desktop.height = 90;
    desktop.screen.assign(150 * 90, 0);
    const std::size_t presented = fake.presents.size();
    drain();
    EXPECT_EQ(window.getBounds(), (kestrel::Rect{0, 0, 150, 90}));
    EXPECT_EQ(fake.presents.size(), presented + 1);
    EXPECT_FALSE(window.isDirty());
    EXPECT_NE(fake.pixelAt(window.nativeHandle(), 149, 89), 0u);

    input(plat::InputKind::CloseRequest, window);
    drain();
    EXPECT_FALSE(window.isOpen());
}

TEST_F(Windows, AFullScreenWindowSwitchesToAListedModeAndGivesItBackOrKeepsTheDesktops)
{
    struct Case
    {
        kestrel::ScreenMode mode;
        bool accepted;
        int width, height, refresh;     // the mode asked of the display; 0 for none
        kestrel::Rect bounds;
    };
    const Case cases[] = {
        {{1, 1, 0}, true, 800, 600, 60, {0, 0, 800, 600}},
        {{4, 1, 0}, false, 0, 0, 0, {0, 0, 1024, 768}},
        {{1, 1, 4}, false, 0, 0, 0, {0, 0, 1024, 768}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode.resolution << " " << c.mode.refresh);
        fake.restored.clear();
        Window window;
        EXPECT_EQ(window.setScreenMode(c.mode), c.accepted);
        window.setWindowType(Window::FullScreen);
        window.create();
        ASSERT_TRUE(window.isOpen());
        EXPECT_EQ(request(window).kind, plat::WindowKind::FullScreen);
        const plat::DisplayMode& mode = request(window).mode;
        EXPECT_EQ(std::tuple(mode.width, mode.height, mode.refreshRate), std::tuple(c.width, c.height, c.refresh));
        EXPECT_EQ(window.getBounds(), c.bounds);
        const plat::WindowId handle = window.nativeHandle();
        window.close();
        kestrel::destroyClosedWindows();
        EXPECT_EQ(fake.restored, c.accepted ? std::vector<plat::WindowId>{handle} : std::vector<plat::WindowId>{});
    }
    EXPECT_TRUE(Window().setScreenMode(kestrel::ScreenMode{}));
}

TEST_F(Windows, AResizableWindowCannotBeSizedBelowItsContentsAsTheyGrow)
{
    Window window;
    auto* label = new kestrel::Component;
    label->setText("a fairly long label", false);
    window.add(label);
    window.setSize(400, 300);
    window.create();
    const plat::FakeBackend::Window& desktop = fake.windows.at(window.nativeHandle());
    const auto expectMinimumFitsTheContents = [&] {
        int width = 0;
        int height = 0;
        window.getPreferredSize(width, height);
        EXPECT_GT(width, 4);
        EXPECT_EQ(desktop.minimumWidth, width);
        EXPECT_EQ(desktop.minimumHeight, height);
    };
    expectMinimumFitsTheContents();
    // Contents that grow later raise the minimum with the next paint.
    label->setText("a label that has grown a good deal longer since", false);
    window.repaint();
    kestrel::paintDirtyWindows();
    expectMinimumFitsTheContents();
}

TEST_F(Windows, TheMouseShowsTheCursorOfTheNearestComponentThatHasOne)
{
    Window window;
    window.setLayout(new testing_gui::FixedLayout);
    auto* panel = new kestrel::Container;
    panel->setLayout(new testing_gui::FixedLayout);
    auto* plain = new kestrel::Component;
    panel->add(plain);
    window.add(panel);
    openAndActivate(window, 100, 100);
    panel->setBounds(0, 0, 50, 50);
    plain->setBounds(0, 0, 20, 20);
    const heron::counted_ptr<kestrel::Cursor> hand = kestrel::Cursor::standard(6);
    panel->setCursor(hand);
    plain->setCursor(heron::counted_ptr<kestrel::Cursor>());
    move(window, 5, 5);
    drain();
    EXPECT_EQ(kestrel::hoveredComponent(), plain);
    EXPECT_EQ(window.internals().cursor, hand);
    move(window, 80, 80);
    drain();
    EXPECT_EQ(window.internals().cursor, kestrel::Cursor::standard(0));
}

TEST_F(Windows, DrawingAContainerMarksAChildWindowDirtyInsteadOfDrawingIt)
{
    Window window;
    window.setLayout(new testing_gui::FixedLayout);
    auto* inner = new Window(&window);
    window.add(inner);
    openAndActivate(window, 100, 100);
    inner->setBounds(0, 0, 30, 30);
    inner->internals().dirty = false;
    window.paintNow();
    EXPECT_TRUE(inner->isDirty());
}

}

TEST_F(Windows, WindowsOpenWithTheIconSetBeforeThem)
{
    Window plain;
    plain.create();
    EXPECT_EQ(request(plain).icon.pixels, nullptr);

    kestrel::Image icon(2, 3);
    icon.fill(0xFF123456);
    kestrel::setWindowIcon(icon);
    // A later change of the caller's image does not reach the windows.
    icon.fill(0);
    Window withIcon;
    withIcon.create();
    const plat::PixelSource& given = request(withIcon).icon;
    ASSERT_NE(given.pixels, nullptr);
    EXPECT_EQ(std::pair(given.width, given.height), std::pair(2, 3));
    EXPECT_EQ(given.pixels[5], 0xFF123456u);

    kestrel::setWindowIcon(kestrel::Image());
    Window afterReset;
    afterReset.create();
    EXPECT_EQ(request(afterReset).icon.pixels, nullptr);
}
