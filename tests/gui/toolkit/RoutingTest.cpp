#include "support/FakeDesktop.h"
#include "support/LogCapture.h"

#include <functional>
#include <memory>

#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using kestrel::Event;
using Types = std::vector<std::uint32_t>;

// A component that notes what reaches it.
class Probe : public kestrel::Component
{
public:
    void handleMouse(Event& event) override
    {
        mouse.push_back(event.type);
        Component::handleMouse(event);
    }
    bool handleWheel(Event&) override
    {
        ++wheels;
        return false;
    }
    void handleKey(Event& event) override
    {
        keys.push_back(event.key);
        Component::handleKey(event);
    }
    void focusGained() override { ++gained; }
    void focusLost() override { ++lost; }

    Types mouse;
    std::vector<int> keys;
    int wheels = 0;
    int gained = 0;
    int lost = 0;
};

// A window split into two probes, left and right.
class Routing : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        window.setLayout(new testing_gui::FixedLayout);
        window.add(left);
        window.add(right);
        openAndActivate(window, 200, 100);
        left->setBounds(0, 0, 100, 100);
        right->setBounds(100, 0, 100, 100);
    }

    kestrel::Window window;
    Probe* left = new Probe;
    Probe* right = new Probe;
};

TEST_F(Routing, APressGoesToTheComponentUnderTheMouseAndGivesItTheKeyboard)
{
    button(window, plat::InputKind::ButtonPress, 150, 50);
    // The key passes from the probe to the plain window, which must not hand it to itself again.
    key(window, 'x');
    drain();
    EXPECT_EQ(right->mouse, Types{Event::LeftPress});
    EXPECT_TRUE(left->mouse.empty());
    EXPECT_EQ(kestrel::keyboardFocus(), right);
    EXPECT_EQ(right->keys, (std::vector<int>{'x'}));
    EXPECT_EQ(right->gained, 1);
}

TEST_F(Routing, FocusingTheHolderAgainTellsItAgainWithoutTakingTheFocusAway)
{
    kestrel::setKeyboardFocus(left);
    fake.presents.clear();
    kestrel::setKeyboardFocus(left);
    EXPECT_EQ(kestrel::keyboardFocus(), left);
    EXPECT_EQ(std::make_pair(left->gained, left->lost), std::make_pair(2, 0));
    EXPECT_EQ(fake.presents.size(), 1u);
}

TEST_F(Routing, MovingAcrossComponentsSendsLeaveAndEnter)
{
    move(window, 50, 50);
    move(window, 150, 50);
    drain();
    EXPECT_EQ(left->mouse, (Types{Event::MouseEnter, Event::MouseMove, Event::MouseLeave}));
    EXPECT_EQ(right->mouse, (Types{Event::MouseEnter, Event::MouseMove}));
    EXPECT_EQ(kestrel::hoveredComponent(), right);
}

TEST_F(Routing, TheCaptureHolderGetsEveryMouseEventUntilItLetsGoAndNeedsAWindow)
{
    left->setFocus();
    EXPECT_EQ(fake.captured, window.nativeHandle());
    button(window, plat::InputKind::ButtonPress, 150, 50);
    button(window, plat::InputKind::ButtonRelease, 160, 50);
    drain();
    EXPECT_EQ(left->mouse, (Types{Event::LeftPress, Event::LeftRelease}));
    EXPECT_TRUE(right->mouse.empty());
    left->releaseFocus();
    EXPECT_EQ(kestrel::captureHolder(), nullptr);
    EXPECT_EQ(fake.captured, 0u);
    EXPECT_EQ(kestrel::hoveredComponent(), right);

    Probe loose;
    try {
        loose.setFocus();
        ADD_FAILURE() << "a component outside a window took the capture";
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "Component::setFocus() - component isn't in a window");
    }
}

TEST_F(Routing, KeysGoToTheKeyboardFocusWhileAnotherComponentHoldsTheCapture)
{
    left->setFocus();
    kestrel::setKeyboardFocus(right);
    key(window, 'k');
    button(window, plat::InputKind::ButtonPress, 150, 50);
    drain();
    EXPECT_EQ(right->keys, (std::vector<int>{'k'}));
    EXPECT_TRUE(left->keys.empty());
    EXPECT_EQ(left->mouse, Types{Event::LeftPress});
    left->releaseFocus();
}

TEST_F(Routing, AWheelGoesUpTheParentsToTheFirstThatTakesIt)
{
    struct WheelPanel : kestrel::Container
    {
        bool handleWheel(Event&) override { return true; }
    };
    auto* outer = new WheelPanel;
    auto* panel = new kestrel::Container;
    auto* inner = new Probe;
    window.add(outer);
    outer->add(panel);
    panel->add(inner);
    outer->setLayout(new testing_gui::FixedLayout);
    panel->setLayout(new testing_gui::FixedLayout);
    left->setVisible(false);
    right->setVisible(false);
    outer->setBounds(0, 0, 200, 100);
    panel->setBounds(0, 0, 200, 100);
    inner->setBounds(0, 0, 200, 100);
    move(window, 10, 10);
    wheel(window, 120);
    drain();
    EXPECT_EQ(inner->wheels, 1);
    EXPECT_EQ(kestrel::keyboardFocus(), outer);
}

TEST_F(Routing, DeactivationClearsTheKeyboardAndStopsDeliveryUntilActivation)
{
    kestrel::setKeyboardFocus(left);
    input(plat::InputKind::Deactivated, window);
    key(window, 'q');
    drain();
    EXPECT_EQ(kestrel::keyboardFocus(), nullptr);
    EXPECT_EQ(left->lost, 1);
    EXPECT_TRUE(left->keys.empty());
    input(plat::InputKind::Activated, window);
    button(window, plat::InputKind::ButtonPress, 50, 50);
    drain();
    EXPECT_EQ(left->mouse, Types{Event::LeftPress});
}

TEST_F(Routing, ActivationGivesTheKeyboardBackOnlyToAHolderThatIsStillThereInTheWindowActivated)
{
    kestrel::Window other;
    other.setSize(50, 50);
    other.create();
    const auto deactivateAndActivate = [&](const kestrel::Window& activated, const std::function<void()>& meanwhile) {
        kestrel::setKeyboardFocus(left);
        input(plat::InputKind::Deactivated, window);
        drain();
        meanwhile();
        input(plat::InputKind::Activated, activated);
        drain();
    };
    deactivateAndActivate(window, [] {});
    EXPECT_EQ(kestrel::keyboardFocus(), left);
    deactivateAndActivate(window, [this] { kestrel::setKeyboardFocus(right); });
    EXPECT_EQ(kestrel::keyboardFocus(), right);
    deactivateAndActivate(window, [this] { left->setVisible(false); });
    EXPECT_EQ(kestrel::keyboardFocus(), nullptr);
    left->setVisible(true);
    deactivateAndActivate(other, [] {});
    EXPECT_EQ(kestrel::keyboardFocus(), nullptr);
    // The memory went with that activation: the next one brings nobody back.
    input(plat::InputKind::Activated, window);
    drain();
    EXPECT_EQ(kestrel::keyboardFocus(), nullptr);

    // Gone while the program was left: nobody gets the keyboard, and nothing touches what went.
    auto gone = std::make_unique<kestrel::Window>();
    auto* inside = new Probe;
    gone->add(inside);
    gone->setSize(50, 50);
    gone->create();
    kestrel::setKeyboardFocus(inside);
    input(plat::InputKind::Deactivated, *gone);
    drain();
    gone.reset();
    input(plat::InputKind::Activated, window);
    drain();
    EXPECT_EQ(kestrel::keyboardFocus(), nullptr);
}

TEST_F(Routing, AnEventForAWindowNobodyHasIsLoggedOnOneLine)
{
    const LogCapture log;
    fake.push(inputEvent(plat::InputKind::MouseLeft, 0x2a));
    drain();
    EXPECT_EQ(log.text(), "Window 2a not found!  (message=b)\n");
}

TEST_F(Routing, EnterTriggersTheDefaultButtonAltFindsTheMnemonicAndALoneAltOpensTheMenuBar)
{
    testing_gui::MessageRecorder listener;
    right->setActionListener(&listener, 42);
    right->setText("Sa!ve", true);
    window.setDefaultButton(right);
    static int menuBarCalls = 0;
    menuBarCalls = 0;
    kestrel::toolkitServices().activateMenuBar = [] { ++menuBarCalls; };
    kestrel::setKeyboardFocus(left);
    key(window, kestrel::keycodes::enter);
    key(window, kestrel::keycodes::escape);
    key(window, 'z');
    key(window, 'V', plat::InputKind::AltKey);
    key(window, kestrel::keycodes::altAlone);
    drain();
    EXPECT_EQ(listener.messages, (std::vector<testing_gui::MessageRecorder::Sent>{{right, 42, 0}}));
    EXPECT_EQ(left->keys, (std::vector<int>{13, 27, 'z'}));
    EXPECT_EQ(right->keys, (std::vector<int>{'V'}));
    EXPECT_EQ(menuBarCalls, 1);
}

TEST_F(Routing, AClickOutsideAnOpenPopupClosesItAndReachesNobody)
{
    struct Popup : kestrel::PopupController
    {
        int closed = 0;
        void closePopup() override { ++closed; }
        bool acceptsEvent(kestrel::Component*, const Event&) override { return false; }
    } popup;
    kestrel::setOpenPopup(&popup);
    button(window, plat::InputKind::ButtonPress, 50, 50);
    button(window, plat::InputKind::ButtonRelease, 50, 50);
    drain();
    EXPECT_EQ(popup.closed, 1);
    EXPECT_EQ(kestrel::openPopup(), nullptr);
    EXPECT_TRUE(left->mouse.empty());
}

TEST_F(Routing, HoverShowsTheTooltipAndOtherEventsHideIt)
{
    static std::vector<std::string> tips;
    tips.clear();
    kestrel::toolkitServices().showTooltip = [](kestrel::Component* target, const Event&) {
        tips.push_back("show " + std::string(target->getTooltip().c_str()));
    };
    kestrel::toolkitServices().hideTooltip = [] { tips.push_back("hide"); };
    left->setTooltip("Left side");
    move(window, 30, 30);
    drain();
    fake.advance(0.6);
    drain();
    drain();
    button(window, plat::InputKind::ButtonPress, 30, 30);
    drain();
    ASSERT_GE(tips.size(), 2u);
    EXPECT_EQ(tips[0], "show Left side");
    EXPECT_EQ(tips[1], "hide");
}

TEST_F(Routing, DestroyingTheFocusedOrHoveredComponentLeavesNoHolder)
{
    auto* doomed = new Probe;
    doomed->addRef();
    kestrel::setKeyboardFocus(doomed);
    kestrel::setHovered(doomed, &window);
    doomed->release();
    EXPECT_EQ(kestrel::keyboardFocus(), nullptr);
    EXPECT_EQ(kestrel::hoveredComponent(), nullptr);
}

using Activation = testing_gui::FakeDesktop;

TEST_F(Activation, LosingTheFocusAfterTheLastWindowWentStillDeactivates)
{
    auto* window = new kestrel::Window;
    openAndActivate(*window);
    ASSERT_TRUE(kestrel::isApplicationActive());
    const plat::WindowId gone = window->nativeHandle();
    delete window;
    fake.push(inputEvent(plat::InputKind::Deactivated, gone));
    drain();
    EXPECT_FALSE(kestrel::isApplicationActive());
}

}
