#include "support/FakeDesktop.h"

#include "gui/toolkit/AppWindow.h"
#include "gui/toolkit/Idler.h"
#include "gui/toolkit/ProgramEntry.h"
#include "gui/toolkit/Updatable.h"

#include <string>
#include <vector>

namespace
{

using kestrel::Event;
using Journal = std::vector<std::string>;

Journal journal;

class RecordingUpdatable : public kestrel::Updatable
{
public:
    RecordingUpdatable(std::string name, bool busy) : name(std::move(name)), busy(busy) { startUpdating(this); }

    bool update() override
    {
        journal.push_back("update " + name);
        if (stopSelf) {
            stopUpdating(this);
        }
        if (stopOther) {
            stopUpdating(stopOther);
        }
        return busy;
    }

    std::string name;
    bool busy;
    bool stopSelf = false;
    kestrel::Updatable* stopOther = nullptr;
};

class RecordingWindow : public kestrel::Window
{
public:
    void paint(kestrel::Graphics& graphics) override
    {
        journal.push_back("paint");
        Window::paint(graphics);
    }
};

class RecordingIdler : public kestrel::Idler
{
public:
    void idle() override { journal.push_back("idle"); }
};

class EventLoop : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        journal.clear();
    }

    // One pass of the loop and what it did.
    Journal pass(kestrel::Idler* idler = nullptr)
    {
        journal.clear();
        Event event;
        kestrel::getEvent(event, idler);
        EXPECT_EQ(event.type, Event::None);
        return journal;
    }
};

TEST_F(EventLoop, AnEmptyPassRunsUpdatablesThenPaintsThenIdlesOnlyWhenNothingHappened)
{
    RecordingWindow window;
    openAndActivate(window);
    RecordingUpdatable quiet("quiet", false);
    RecordingIdler idler;
    window.repaint();
    EXPECT_EQ(pass(&idler), (Journal{"update quiet", "paint"}));
    EXPECT_EQ(pass(&idler), (Journal{"update quiet", "idle"}));
    RecordingUpdatable busy("busy", true);
    EXPECT_EQ(pass(&idler), (Journal{"update quiet", "update busy"}));
}

TEST_F(EventLoop, QueuedEventsComeBeforeUpdates)
{
    RecordingWindow window;
    openAndActivate(window);
    RecordingUpdatable quiet("quiet", false);
    journal.clear();
    button(window, plat::InputKind::ButtonPress, 10, 10);
    key(window, 'a');
    Event event;
    kestrel::getEvent(event, nullptr);
    EXPECT_EQ(event.type, Event::LeftPress);
    kestrel::getEvent(event, nullptr);
    EXPECT_EQ(event.type, Event::Key);
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(pass(), (Journal{"update quiet"}));
}

TEST_F(EventLoop, UpdatablesStoppedOrDeletedDuringAPassAreNotCalled)
{
    struct Deleter : kestrel::Updatable
    {
        RecordingUpdatable* target = nullptr;
        bool update() override
        {
            delete target;
            return false;
        }
    } deleter;
    kestrel::Updatable::startUpdating(&deleter);
    deleter.target = new RecordingUpdatable("doomed", true);
    RecordingUpdatable first("first", false);
    RecordingUpdatable second("second", false);
    RecordingUpdatable third("third", false);
    kestrel::Updatable::startUpdating(&third);
    first.stopSelf = true;
    first.stopOther = &second;
    EXPECT_FALSE(kestrel::runUpdatables());
    EXPECT_EQ(journal, (Journal{"update first", "update third"}));
    journal.clear();
    kestrel::Updatable::stopUpdating(&deleter);
    kestrel::runUpdatables();
    EXPECT_EQ(journal, (Journal{"update third"}));
}

TEST_F(EventLoop, WithoutWindowsTheLoopReturnsAfterOnePassAndRunUntilIdleStopsAtTheFirstIdlePass)
{
    RecordingUpdatable quiet("quiet", false);
    EXPECT_FALSE(kestrel::runEventLoop(nullptr));
    EXPECT_EQ(journal, (Journal{"update quiet"}));

    RecordingWindow window;
    openAndActivate(window);
    key(window, 'a');
    key(window, 'b');
    kestrel::runUntilIdle();
    pass();
}

TEST_F(EventLoop, AnApplicationWindowRunsUntilItIsClosedAndSleepsWhenIdle)
{
    struct Closer : kestrel::Updatable
    {
        kestrel::Window* window = nullptr;
        int passes = 0;
        bool update() override
        {
            if (++passes == 3) {
                window->close();
            }
            return false;
        }
    } closer;
    struct App : kestrel::AppWindow
    {
        void afterCreate() override { journal.push_back("afterCreate"); }
        void afterFirstPaint() override { journal.push_back("afterFirstPaint"); }
    } app;
    closer.window = &app;
    kestrel::Updatable::startUpdating(&closer);
    app.setSize(50, 40);
    app.run();
    EXPECT_EQ(journal, (Journal{"afterCreate", "afterFirstPaint"}));
    EXPECT_EQ(fake.destroyed.size(), 1u);
    EXPECT_GE(fake.sleeps, 2);
    EXPECT_FALSE(fake.presents.empty());
}

TEST_F(EventLoop, AQuitRequestClosesEveryWindowAndEndsTheRunLoop)
{
    RecordingWindow main;
    openAndActivate(main);
    kestrel::Window popup(&main);
    popup.setWindowType(kestrel::Window::Popup);
    popup.setSize(20, 20);
    popup.create();
    kestrel::Window other;
    other.setSize(30, 30);
    other.create();
    fake.push(inputEvent(plat::InputKind::QuitRequest, 0));
    EXPECT_FALSE(kestrel::runEventLoop(nullptr));
    EXPECT_EQ(fake.destroyed.size(), 3u);
}

}
