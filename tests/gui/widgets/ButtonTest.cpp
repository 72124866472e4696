#include "support/FakeDesktop.h"

#include "gui/toolkit/Action.h"
#include "gui/toolkit/Updatable.h"
#include "gui/widgets/Button.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/GuiRenderer.h"
#include "gui/widgets/RadioButton.h"
#include "gui/widgets/TabbedPane.h"

#include <functional>

namespace
{

using plat::InputKind;
using Sent = testing_gui::MessageRecorder::Sent;
using Messages = std::vector<Sent>;

int stateOf(const kestrel::Component& component)
{
    int part = 0;
    int state = 0;
    component.getThemePart(part, state);
    return state;
}

// A window of 200 x 100 with widgets placed by hand; the mouse rests at (150, 80), on none.
class Clicking : public testing_gui::FakeDesktop
{
protected:
    template <class Widget>
    Widget* place(Widget* widget, int x, int y, int id = 7)
    {
        window.add(widget);
        widget->setBounds(x, y, 80, 30);
        widget->setActionListener(&recorder, id);
        return widget;
    }

    void open()
    {
        window.setLayout(new testing_gui::FixedLayout);
        openAndActivate(window, 200, 100);
        move(window, 150, 80);
        drain();
    }

    void clickAt(int x, int y)
    {
        move(window, x, y);
        button(window, InputKind::ButtonPress, x, y);
        button(window, InputKind::ButtonRelease, x, y);
        drain();
    }

    kestrel::Window window;
    testing_gui::MessageRecorder recorder;
};

TEST_F(Clicking, AButtonClickedInsideSendsCodeZeroAndLetsTheCaptureGo)
{
    auto* ok = place(new kestrel::Button, 10, 10);
    open();
    move(window, 20, 20);
    button(window, InputKind::ButtonPress, 20, 20);
    drain();
    EXPECT_TRUE(ok->isArmed());
    EXPECT_EQ(kestrel::captureHolder(), ok);
    EXPECT_EQ(stateOf(*ok), kestrel::partState::pressed);
    button(window, InputKind::ButtonRelease, 20, 20);
    drain();
    EXPECT_EQ(recorder.messages, (Messages{Sent{ok, 7, 0}}));
    EXPECT_EQ(kestrel::captureHolder(), nullptr);
    EXPECT_EQ(fake.captured, 0u);
}

// Runs its action on each message, as a listener that opens a dialog does.
class Runs : public kestrel::MessageDest
{
public:
    explicit Runs(std::function<void()> action) : m_action(std::move(action)) {}
    void handleMessage(const kestrel::ComponentMessage&) override { m_action(); }

private:
    std::function<void()> m_action;
};

// The launcher runs dialogs, and the game itself, inside a click: the loop inside must get the
// mouse and the keys of its own window.
TEST_F(Clicking, AClickThatRunsADialogLeavesItsButtonsAndKeysToTheDialog)
{
    int entered = 0;
    bool closedByOk = false;
    testing_gui::MessageRecorder inDialog;
    Runs runDialog([&] {
        ++entered;
        kestrel::Window dialog;
        dialog.setLayout(new testing_gui::FixedLayout);
        auto* name = new kestrel::Button;
        auto* ok = new kestrel::Button;
        dialog.add(name);
        dialog.add(ok);
        name->setBounds(10, 60, 80, 30);
        ok->setBounds(10, 10, 80, 30);
        name->setActionListener(&inDialog, 1);
        Runs closer([&] { dialog.close(); });
        ok->setActionListener(&closer, 2);
        dialog.setSize(100, 100);
        dialog.create();
        kestrel::setKeyboardFocus(name);
        fake.mouseWindow = dialog.nativeHandle();
        key(dialog, kestrel::keycodes::enter);
        move(dialog, 21, 21);
        move(dialog, 20, 20);
        button(dialog, InputKind::ButtonPress, 20, 20);
        button(dialog, InputKind::ButtonRelease, 20, 20);
        kestrel::Event event;
        for (int pass = 0; pass < 100 && dialog.isOpen(); ++pass) {
            kestrel::getEvent(event, nullptr);
            kestrel::dispatch(event);
        }
        closedByOk = !dialog.isOpen();
    });
    auto* start = place(new kestrel::Button, 10, 10);
    start->setActionListener(&runDialog, 1);
    open();
    clickAt(20, 20);
    EXPECT_EQ(entered, 1);
    EXPECT_TRUE(closedByOk);
    EXPECT_EQ(inDialog.messages.size(), 1u);
    EXPECT_EQ(kestrel::captureHolder(), nullptr);
    EXPECT_FALSE(start->isArmed());
}

// Whatever takes the mouse elsewhere ends a press: its release over the widget does not act.
TEST_F(Clicking, APressEndsWithoutActingWhenAnotherWindowOpensOrTheProgramIsSwitched)
{
    struct Case
    {
        const char* what;
        std::function<void()> happen;
    };
    kestrel::Window other;
    other.setSize(50, 50);
    const Case cases[] = {
        {"a window opens", [&] { other.create(); }},
        {"the program is left", [this] { input(InputKind::Deactivated, window); }},
        {"the program is activated", [this] { input(InputKind::Activated, window); }},
    };
    auto* ok = place(new kestrel::Button, 10, 10);
    auto* box = place(new kestrel::Checkbox, 100, 10);
    open();
    for (const Case& c : cases) {
        for (const int x : {20, 110}) {
            input(InputKind::Activated, window);
            move(window, x, 20);
            button(window, InputKind::ButtonPress, x, 20);
            drain();
            c.happen();
            drain();
            EXPECT_EQ(kestrel::captureHolder(), nullptr) << c.what;
            EXPECT_EQ(fake.captured, 0u) << c.what;
            input(InputKind::Activated, window);
            button(window, InputKind::ButtonRelease, x, 20);
            drain();
            other.close();
            drain();
        }
        EXPECT_TRUE(recorder.messages.empty()) << c.what;
        EXPECT_FALSE(ok->isArmed()) << c.what;
        EXPECT_FALSE(box->isChecked()) << c.what;
    }
}

TEST_F(Clicking, APressDraggedOutsideAndReleasedDoesNotClick)
{
    auto* ok = place(new kestrel::Button, 10, 10);
    open();
    move(window, 20, 20);
    button(window, InputKind::ButtonPress, 20, 20);
    move(window, 150, 20);
    drain();
    EXPECT_FALSE(ok->isArmed());
    EXPECT_EQ(stateOf(*ok), kestrel::partState::hot);
    button(window, InputKind::ButtonRelease, 150, 20);
    drain();
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(kestrel::captureHolder(), nullptr);
    // The press gave it the keyboard focus; nothing else is left of it.
    EXPECT_EQ(stateOf(*ok), kestrel::partState::on);
}

TEST_F(Clicking, AReleaseWithoutAPressOnTheWidgetDoesNothing)
{
    place(new kestrel::Button, 10, 10);
    auto* box = place(new kestrel::Checkbox, 100, 10);
    open();
    for (int x : {20, 110}) {
        button(window, InputKind::ButtonPress, 150, 80);
        move(window, x, 20);
        button(window, InputKind::ButtonRelease, x, 20);
    }
    drain();
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_FALSE(box->isChecked());
}

TEST_F(Clicking, EnterClicksAFocusedButtonAndOtherKeysGoToTheWindow)
{
    auto* ok = place(new kestrel::Button, 10, 10, 1);
    auto* cancel = place(new kestrel::Button, 100, 10, 2);
    window.setCancelButton(cancel);
    open();
    kestrel::setKeyboardFocus(ok);
    key(window, kestrel::keycodes::enter);
    key(window, kestrel::keycodes::escape);
    drain();
    EXPECT_EQ(recorder.messages, (Messages{Sent{ok, 1, 0}, Sent{cancel, 2, 0}}));
}

TEST_F(Clicking, AltAndTheMnemonicFocusesAndClicks)
{
    auto* start = place(new kestrel::Button, 10, 10);
    start->setText("!Start", true);
    open();
    key(window, 's', InputKind::AltKey);
    drain();
    EXPECT_EQ(recorder.messages, (Messages{Sent{start, 7, 0}}));
    EXPECT_EQ(kestrel::keyboardFocus(), start);
}

TEST_F(Clicking, AltAndAMnemonicPassOverDisabledWidgetsAndThoseOnHiddenPanels)
{
    auto* start = place(new kestrel::Button, 10, 10, 1);
    auto* save = place(new kestrel::Button, 10, 50, 2);
    start->setText("!Start", true);
    save->setText("!Save", true);
    start->setEnabled(false);
    auto* pane = new kestrel::TabbedPane;
    window.add(pane);
    pane->setBounds(100, 0, 100, 100);
    auto* go = new kestrel::Button;
    go->setText("!Go", true);
    go->setActionListener(&recorder, 3);
    auto* hidden = new kestrel::Container;
    hidden->add(go);
    pane->addTab("One", new kestrel::Container);
    pane->addTab("Two", hidden);
    open();
    key(window, 's', InputKind::AltKey);
    key(window, 'g', InputKind::AltKey);
    drain();
    EXPECT_EQ(recorder.messages, (Messages{Sent{save, 2, 0}}));
    pane->setSelectedTab(1);
    key(window, 'g', InputKind::AltKey);
    drain();
    EXPECT_EQ(recorder.messages, (Messages{Sent{save, 2, 0}, Sent{go, 3, 0}}));
}

TEST_F(Clicking, TheWindowsDefaultButtonCarriesTheDefaultBit)
{
    auto* ok = place(new kestrel::Button, 10, 10);
    open();
    window.setDefaultButton(ok);
    EXPECT_EQ(stateOf(*ok), kestrel::partState::defaultButton);
    ok->setEnabled(false);
    EXPECT_EQ(stateOf(*ok), kestrel::partState::disabled);
}

TEST_F(Clicking, AnAutoRepeatButtonClicksOnEveryRoundWhileHeldInside)
{
    auto* more = place(new kestrel::Button, 10, 10);
    more->setAutoRepeat(true);
    open();
    move(window, 20, 20);
    button(window, InputKind::ButtonPress, 20, 20);
    drain();    // its last pass, with nothing queued, runs the updatables once
    EXPECT_EQ(recorder.messages.size(), 1u);
    EXPECT_TRUE(kestrel::runUpdatables());
    EXPECT_EQ(recorder.messages.size(), 2u);
    move(window, 150, 20);
    drain();
    EXPECT_FALSE(kestrel::runUpdatables());
    EXPECT_EQ(recorder.messages.size(), 2u);
    move(window, 20, 20);
    button(window, InputKind::ButtonRelease, 20, 20);
    drain();
    // The release inside clicks once more and ends the repeating.
    EXPECT_EQ(recorder.messages.size(), 3u);
    EXPECT_FALSE(kestrel::runUpdatables());
    EXPECT_EQ(recorder.messages.size(), 3u);
}

TEST_F(Clicking, ACheckBoxTogglesAndSendsItsNewState)
{
    auto* box = place(new kestrel::Checkbox, 10, 10);
    box->setChecked(true);
    open();
    EXPECT_TRUE(recorder.messages.empty());
    clickAt(20, 20);
    clickAt(20, 20);
    EXPECT_EQ(recorder.messages, (Messages{Sent{box, 7, 0}, Sent{box, 7, 1}}));
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(stateOf(*box), kestrel::partState::hot | kestrel::partState::on);
}

TEST_F(Clicking, ACheckBoxFollowsItsActionsValue)
{
    struct Valued : kestrel::Action
    {
        int value() override { return current; }
        int current = 1;
    } action;
    auto* box = place(new kestrel::Checkbox, 10, 10);
    box->setAction(&action, &recorder);
    EXPECT_TRUE(box->isChecked());
    action.current = 5;
    box->setChecked(false);
    EXPECT_FALSE(box->isChecked());
}

TEST_F(Clicking, AClickedRadioButtonClearsTheGroupAndTellsItsListener)
{
    auto* first = place(new kestrel::RadioButton, 10, 10, 1);
    auto* second = place(new kestrel::RadioButton, 100, 10, 2);
    first->setSelected();
    open();
    EXPECT_TRUE(recorder.messages.empty());
    clickAt(110, 20);
    EXPECT_EQ(recorder.messages, (Messages{Sent{second, 2, 0}}));
    EXPECT_FALSE(first->isSelected());
    EXPECT_TRUE(second->isSelected());
    EXPECT_EQ(stateOf(*second), kestrel::partState::hot | kestrel::partState::on);
}

// A radio button that notes whether it showed as selected when it was last painted.
class ShowingRadio : public kestrel::RadioButton
{
public:
    void draw(kestrel::Graphics& graphics) override
    {
        shownSelected = isSelected();
        RadioButton::draw(graphics);
    }

    bool shownSelected = false;
};

// A group that, like a settings page, keeps the index its listener was told and selects that
// button whenever it is painted.
class RememberingGroup : public kestrel::Container, public kestrel::MessageDest
{
public:
    explicit RememberingGroup(int count)
    {
        setLayout(new testing_gui::FixedLayout);
        for (int i = 0; i < count; ++i) {
            auto* radio = new ShowingRadio;
            add(radio);
            radio->setBounds(10 + 60 * i, 10, 50, 30);
            radio->setActionListener(this, std::uint32_t(i));
            buttons.push_back(radio);
        }
    }

    void handleMessage(const kestrel::ComponentMessage& message) override { chosen = int(message.id); }

    void draw(kestrel::Graphics& graphics) override
    {
        buttons[std::size_t(chosen)]->setSelected();
        Container::draw(graphics);
    }

    std::vector<ShowingRadio*> buttons;
    int chosen = 0;
};

TEST_F(Clicking, AGroupWhosePaintSelectsTheListenersChoiceShowsOnlyTheClickedButton)
{
    auto* group = new RememberingGroup(3);
    window.add(group);
    group->setBounds(0, 0, 200, 100);
    open();
    clickAt(80, 20);
    clickAt(140, 20);
    EXPECT_EQ(group->chosen, 2);
    for (std::size_t i = 0; i < group->buttons.size(); ++i) {
        EXPECT_EQ(group->buttons[i]->isSelected(), i == 2) << i;
        EXPECT_EQ(group->buttons[i]->shownSelected, i == 2) << i;
    }
}

TEST_F(Clicking, ARadioButtonSelectedFromCodeOrByItsMnemonicIsSilent)
{
    auto* first = place(new kestrel::RadioButton, 10, 10, 1);
    auto* second = place(new kestrel::RadioButton, 100, 10, 2);
    second->setText("!Client", true);
    first->setSelected();
    open();
    const std::size_t presents = fake.presents.size();
    key(window, 'c', InputKind::AltKey);
    drain();
    EXPECT_TRUE(second->isSelected());
    EXPECT_FALSE(first->isSelected());
    EXPECT_TRUE(recorder.messages.empty());
    // Neither the cleared one nor the new one is painted before the next paint of the window.
    EXPECT_EQ(fake.presents.size(), presents);
}

}
