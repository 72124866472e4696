#include "FakeDesktop.h"

#include "gui/Updatable.h"
#include "gui/WindowInternals.h"

#include <vector>

namespace
{

using kestrel::Event;
using kestrel::Window;
using testing_gui::FakeDesktop;

class Windows : public FakeDesktop
{
protected:
    const plat::FakeBackend::Window& desktopWindow(const Window& window)
    {
        return fake.windows.at(window.nativeHandle());
    }

    const plat::WindowSpec& openFullScreen(Window& window)
    {
        window.setWindowType(Window::FullScreen);
        window.create();
        EXPECT_TRUE(window.isOpen());
        return desktopWindow(window).request;
    }
};

TEST_F(Windows, AFramedWindowIsCentredAndItsBoundsBecomeItsClientArea)
{
    Window window;
    window.setBounds(-1, -1, 300, 200);
    window.create();
    ASSERT_TRUE(window.isOpen());
    const plat::Box client = desktopWindow(window).request.client;
    EXPECT_EQ(client.x, (1024 - 300) / 2);
    EXPECT_EQ(client.y, 768 - 200 - (768 - 200) / 2);
    EXPECT_EQ(window.getBounds(), (kestrel::Rect{0, 0, 300, 200}));
    EXPECT_FALSE(desktopWindow(window).request.maximised);
}

TEST_F(Windows, AWindowAsLargeAsTheScreenOpensMaximised)
{
    Window window;
    window.setSize(1024, 768);
    window.create();
    const plat::WindowSpec& request = desktopWindow(window).request;
    EXPECT_TRUE(request.maximised);
    EXPECT_EQ(request.client.x, 64);
    EXPECT_EQ(request.client.width, 1024 - 128);
}

TEST_F(Windows, APopupOffTheRightEdgeWithTheFarEdgeFallbackIsFlushWithTheEdge)
{
    Window parent;
    parent.setBounds(0, 100, 400, 300);
    parent.create();
    Window popup(&parent);
    popup.setWindowType(Window::Popup);
    popup.setPopupFallback(Window::farEdgeFallback, Window::noFallback);
    popup.setBounds(900, 10, 200, 50);
    popup.create();
    ASSERT_TRUE(popup.isOpen());
    const plat::WindowSpec& request = desktopWindow(popup).request;
    EXPECT_EQ(request.kind, plat::WindowKind::Popup);
    EXPECT_EQ(request.client.x, 1024 - 200);
    const plat::Box parentClient = desktopWindow(parent).request.client;
    EXPECT_EQ(request.client.y, parentClient.y + parentClient.height - 50 - 10);
}

TEST_F(Windows, APopupWithoutParentOrASubwindowIsRefusedWithAUserErrorBox)
{
    Window popup;
    popup.setWindowType(Window::Popup);
    popup.setSize(10, 10);
    popup.create();
    Window parent;
    parent.setSize(100, 100);
    parent.create();
    Window child(&parent);
    child.setWindowType(Window::Subwindow);
    child.setSize(10, 10);
    child.create();
    EXPECT_FALSE(popup.isOpen());
    EXPECT_FALSE(child.isOpen());
    ASSERT_EQ(fake.messageBoxes.size(), 2u);
    EXPECT_EQ(fake.messageBoxes[0].caption, "Kestrel API: user error:");
    EXPECT_EQ(fake.messageBoxes[0].text, "A popup window has no parent. Please call setParent() somewhere");
    EXPECT_EQ(fake.messageBoxes[1].caption, "Kestrel API: user error:");
}

TEST_F(Windows, AFailedCreationShowsTheFatalBoxAndStaysClosed)
{
    fake.failCreation = true;
    Window window;
    window.setSize(10, 10);
    window.create();
    EXPECT_FALSE(window.isOpen());
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.messageBoxes[0].caption, "Fatal error:");
    EXPECT_EQ(fake.messageBoxes[0].text, "Window create failed");
}

TEST_F(Windows, AWindowClosedDuringAPassKeepsItsDesktopWindowUntilThePassEnds)
{
    struct Closing : Window
    {
        void handleKey(Event& event) override
        {
            close();
            stillThere = plat::backend().clientBounds(nativeHandle(), bounds);
        }
        bool stillThere = false;
        plat::Box bounds;
    } window;
    openAndActivate(window);
    const plat::WindowId handle = window.nativeHandle();
    kestrel::setKeyboardFocus(&window);
    key(window, 'a');
    key(window, 'b');
    kestrel::Event event;
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
    kestrel::Event event;
    kestrel::getEvent(event, nullptr);
    const plat::WindowId handle = window->nativeHandle();
    delete window;
    EXPECT_EQ(fake.destroyed, (std::vector<plat::WindowId>{handle}));
    kestrel::dispatch(event);
    plat::InputEvent stray;
    stray.kind = plat::InputKind::Key;
    stray.window = handle;
    fake.push(stray);
    EXPECT_EQ(drain(), (std::vector<std::uint32_t>{Event::MouseMove}));
}

TEST_F(Windows, EventsQueuedForADeletedWindowNeverReachANewWindowAtTheSameAddress)
{
    struct Counting : Window
    {
        void handleKey(Event& event) override { ++keys; }
        int keys = 0;
    };
    alignas(Counting) unsigned char storage[sizeof(Counting)];
    auto* first = new (storage) Counting;
    openAndActivate(*first);
    key(*first, 'a');
    key(*first, 'b');
    kestrel::Event event;
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

struct Noting : Window
{
    using Window::Window;
    void closed() override { order.push_back(this); }
    static inline std::vector<Window*> order;
};

TEST_F(Windows, ClosingAWindowClosesItsPopupsFirst)
{
    Noting::order.clear();
    Noting parent;
    parent.setSize(300, 300);
    parent.create();
    Noting popup(&parent);
    popup.setWindowType(Window::Popup);
    popup.setBounds(10, 10, 20, 20);
    popup.create();
    parent.close();
    EXPECT_EQ(Noting::order, (std::vector<Window*>{&popup, &parent}));
    EXPECT_FALSE(popup.isOpen());
    EXPECT_EQ(fake.destroyed.size(), 1u);
    kestrel::destroyClosedWindows();
    EXPECT_EQ(fake.destroyed.size(), 2u);
    EXPECT_FALSE(kestrel::anyWindowOpen());
}

TEST_F(Windows, OnlyDirtyOpenWindowsPaintAndTheCloseRequestClosesTheWindow)
{
    Window window;
    openAndActivate(window);
    EXPECT_EQ(kestrel::paintDirtyWindows(), 0);
    window.repaint();
    EXPECT_EQ(kestrel::paintDirtyWindows(), 1);
    EXPECT_FALSE(window.isDirty());
    input(plat::InputKind::CloseRequest, window);
    drain();
    EXPECT_FALSE(window.isOpen());
}

TEST_F(Windows, AResizedWindowTakesTheNewClientSizeAndRepaints)
{
    Window window;
    openAndActivate(window, 100, 80);
    plat::InputEvent resized;
    resized.kind = plat::InputKind::Resized;
    resized.window = window.nativeHandle();
    resized.width = 150;
    resized.height = 90;
    fake.push(resized);
    fake.windows.at(window.nativeHandle()).width = 150;
    fake.windows.at(window.nativeHandle()).height = 90;
    fake.windows.at(window.nativeHandle()).screen.assign(150 * 90, 0);
    drain();
    EXPECT_EQ(window.getBounds(), (kestrel::Rect{0, 0, 150, 90}));
    EXPECT_FALSE(window.isDirty());
    EXPECT_NE(fake.pixelAt(window.nativeHandle(), 149, 89), 0u);
}

TEST_F(Windows, AFullScreenWindowSwitchesToItsModeAndGivesItBack)
{
    Window window;
    EXPECT_TRUE(window.setScreenMode(kestrel::ScreenMode{1, 1, 0}));
    const plat::WindowSpec& request = openFullScreen(window);
    EXPECT_EQ(request.kind, plat::WindowKind::FullScreen);
    EXPECT_EQ(request.mode.width, 800);
    EXPECT_EQ(request.mode.height, 600);
    EXPECT_EQ(request.mode.refreshRate, 60);
    EXPECT_EQ(window.getBounds(), (kestrel::Rect{0, 0, 800, 600}));
    const plat::WindowId handle = window.nativeHandle();
    window.close();
    kestrel::destroyClosedWindows();
    EXPECT_EQ(fake.restored, (std::vector<plat::WindowId>{handle}));
}

TEST_F(Windows, AFullScreenWindowInARefusedModeKeepsTheDesktopsMode)
{
    Window window;
    EXPECT_FALSE(window.setScreenMode(kestrel::ScreenMode{4, 1, 0}));
    const plat::WindowSpec& request = openFullScreen(window);
    EXPECT_EQ(request.mode.width, 0);
    EXPECT_EQ(request.mode.height, 0);
    EXPECT_EQ(request.mode.refreshRate, 0);
    EXPECT_EQ(window.getBounds(), (kestrel::Rect{0, 0, 1024, 768}));
    window.close();
    kestrel::destroyClosedWindows();
    EXPECT_TRUE(fake.restored.empty());
}

TEST_F(Windows, AModeTheDisplayDoesNotListIsRefused)
{
    Window window;
    EXPECT_FALSE(window.setScreenMode(kestrel::ScreenMode{4, 1, 0}));
    EXPECT_FALSE(window.setScreenMode(kestrel::ScreenMode{1, 1, 4}));
    EXPECT_TRUE(window.setScreenMode(kestrel::ScreenMode{}));
}

}

namespace
{

class WindowsMore : public testing_gui::FakeDesktop
{
};

TEST_F(WindowsMore, AResizableWindowCannotBeSizedBelowItsContents)
{
    kestrel::Window window;
    auto* wide = new kestrel::Component;
    wide->setText("a fairly long label", false);
    window.add(wide);
    window.setSize(400, 300);
    window.create();
    int width = 0;
    int height = 0;
    window.getPreferredSize(width, height);
    const plat::FakeBackend::Window& desktop = fake.windows.at(window.nativeHandle());
    EXPECT_EQ(desktop.minimumWidth, width);
    EXPECT_EQ(desktop.minimumHeight, height);
    EXPECT_GT(width, 4);

    // Contents that grow later raise the minimum with the next paint.
    wide->setText("a label that has grown a good deal longer since", false);
    window.repaint();
    kestrel::paintDirtyWindows();
    window.getPreferredSize(width, height);
    EXPECT_EQ(desktop.minimumWidth, width);
}

TEST_F(WindowsMore, TheMouseShowsTheCursorOfTheNearestComponentThatHasOne)
{
    kestrel::Window window;
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

TEST_F(WindowsMore, DrawingAContainerMarksAChildWindowDirtyInsteadOfDrawingIt)
{
    kestrel::Window window;
    window.setLayout(new testing_gui::FixedLayout);
    auto* inner = new kestrel::Window(&window);
    window.add(inner);
    openAndActivate(window, 100, 100);
    inner->setBounds(0, 0, 30, 30);
    inner->internals().dirty = false;
    window.paintNow();
    EXPECT_TRUE(inner->isDirty());
    EXPECT_EQ(inner->getWindow(), inner);
}

}
