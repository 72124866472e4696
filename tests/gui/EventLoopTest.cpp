#include "FakeDesktop.h"

#include "gui/AppWindow.h"
#include "gui/Idler.h"
#include "gui/ProgramEntry.h"
#include "gui/Updatable.h"

#include <string>
#include <vector>

namespace
{

using kestrel::Event;
using testing_gui::FakeDesktop;

std::vector<std::string> journal;

class RecordingUpdatable : public kestrel::Updatable
{
public:
    RecordingUpdatable(std::string name, bool busy) : name(std::move(name)), busy(busy) {}

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

class EventLoop : public FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        journal.clear();
    }
};

TEST_F(EventLoop, AnEmptyPassRunsUpdatablesThenPaintsThenIdlesOnlyWhenNothingHappened)
{
    RecordingWindow window;
    openAndActivate(window);
    RecordingUpdatable quiet("quiet", false);
    RecordingUpdatable::startUpdating(&quiet);
    RecordingIdler idler;
    Event event;

    window.repaint();
    journal.clear();
    kestrel::getEvent(event, &idler);
    EXPECT_EQ(event.type, Event::None);
    EXPECT_EQ(journal, (std::vector<std::string>{"update quiet", "paint"}));

    journal.clear();
    kestrel::getEvent(event, &idler);
    EXPECT_EQ(journal, (std::vector<std::string>{"update quiet", "idle"}));

    RecordingUpdatable busy("busy", true);
    RecordingUpdatable::startUpdating(&busy);
    journal.clear();
    kestrel::getEvent(event, &idler);
    EXPECT_EQ(journal, (std::vector<std::string>{"update quiet", "update busy"}));
}

TEST_F(EventLoop, QueuedEventsComeBeforeUpdatesAndOneShotEventsBeforeTheQueue)
{
    RecordingWindow window;
    openAndActivate(window);
    RecordingUpdatable quiet("quiet", false);
    RecordingUpdatable::startUpdating(&quiet);
    journal.clear();

    button(window, plat::InputKind::ButtonPress, 10, 10);
    button(window, plat::InputKind::ButtonRelease, 10, 10);
    button(window, plat::InputKind::ButtonPress, 10, 10);
    button(window, plat::InputKind::ButtonRelease, 10, 10);
    Event event;
    std::vector<std::uint32_t> types;
    for (int i = 0; i < 5; ++i) {
        kestrel::getEvent(event, nullptr);
        types.push_back(event.type);
    }
    EXPECT_EQ(types, (std::vector<std::uint32_t>{Event::LeftPress, Event::LeftRelease, Event::LeftPress,
                                                  Event::DoubleClick, Event::LeftRelease}));
    EXPECT_TRUE(journal.empty());
    kestrel::getEvent(event, nullptr);
    EXPECT_EQ(event.type, Event::None);
    EXPECT_EQ(journal, (std::vector<std::string>{"update quiet"}));
}

TEST_F(EventLoop, AnUpdatableMayStopItselfOrTheNextOneDuringItsUpdate)
{
    RecordingUpdatable first("first", false);
    RecordingUpdatable second("second", false);
    RecordingUpdatable third("third", false);
    first.stopSelf = true;
    first.stopOther = &second;
    for (kestrel::Updatable* u : {static_cast<kestrel::Updatable*>(&first), static_cast<kestrel::Updatable*>(&second),
                                  static_cast<kestrel::Updatable*>(&third)}) {
        kestrel::Updatable::startUpdating(u);
    }
    kestrel::Updatable::startUpdating(&third);
    EXPECT_FALSE(kestrel::runUpdatables());
    EXPECT_EQ(journal, (std::vector<std::string>{"update first", "update third"}));
    journal.clear();
    kestrel::runUpdatables();
    EXPECT_EQ(journal, (std::vector<std::string>{"update third"}));
}

TEST_F(EventLoop, AnUpdatableDeletedDuringAnotherUpdateIsNotCalled)
{
    RecordingUpdatable first("first", false);
    auto* doomed = new RecordingUpdatable("doomed", true);
    struct Deleter : kestrel::Updatable
    {
        RecordingUpdatable** target;
        bool update() override
        {
            delete *target;
            *target = nullptr;
            return false;
        }
    } deleter;
    deleter.target = &doomed;
    kestrel::Updatable::startUpdating(&deleter);
    kestrel::Updatable::startUpdating(doomed);
    kestrel::Updatable::startUpdating(&first);
    EXPECT_FALSE(kestrel::runUpdatables());
    EXPECT_EQ(journal, (std::vector<std::string>{"update first"}));
}

TEST_F(EventLoop, WithNothingToDoTheIdlerRunsOncePerEmptyPass)
{
    RecordingWindow window;
    openAndActivate(window);
    drain();
    RecordingIdler idler;
    Event event;
    journal.clear();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(kestrel::getEvent(event, &idler));
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"idle", "idle", "idle"}));
}

TEST_F(EventLoop, RunEventLoopReturnsAfterOnePassWhenNoWindowIsOpen)
{
    RecordingUpdatable quiet("quiet", false);
    kestrel::Updatable::startUpdating(&quiet);
    EXPECT_FALSE(kestrel::runEventLoop(nullptr));
    EXPECT_EQ(journal, (std::vector<std::string>{"update quiet"}));
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
    EXPECT_EQ(journal, (std::vector<std::string>{"afterCreate", "afterFirstPaint"}));
    EXPECT_FALSE(app.isOpen());
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
    plat::InputEvent quit;
    quit.kind = plat::InputKind::QuitRequest;
    fake.push(quit);
    EXPECT_FALSE(kestrel::runEventLoop(nullptr));
    EXPECT_FALSE(main.isOpen());
    EXPECT_FALSE(popup.isOpen());
    EXPECT_FALSE(other.isOpen());
    EXPECT_EQ(fake.destroyed.size(), 3u);
}

TEST_F(EventLoop, RunUntilIdleStopsAtTheFirstIdlePass)
{
    RecordingWindow window;
    openAndActivate(window);
    key(window, 'a');
    key(window, 'b');
    kestrel::runUntilIdle();
    Event event;
    kestrel::getEvent(event, nullptr);
    EXPECT_EQ(event.type, Event::None);
}

}
