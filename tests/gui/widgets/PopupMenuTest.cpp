#include "support/FakeDesktop.h"

#include "gui/widgets/GuiRenderer.h"
#include "gui/widgets/MenuBar.h"
#include "gui/widgets/MenuItem.h"
#include "gui/widgets/PopupMenu.h"

#include <utility>

namespace
{

using kestrel::Event;
using kestrel::MenuItem;
using kestrel::PopupMenu;
using plat::InputKind;
using Sent = testing_gui::MessageRecorder::Sent;
using Messages = std::vector<Sent>;
namespace keys = kestrel::keycodes;

// A component that notes the keys it gets.
class KeyProbe : public kestrel::Component
{
public:
    void handleKey(Event& event) override { keys.push_back(event.key); }
    std::vector<int> keys;
};

// A window of 300 x 300 with a focused key probe, and a menu: Undo, Redo, a separator, More
// (a submenu of A and B) and Paste.
class Menus : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        window.add(probe);
        openAndActivate(window, 300, 300);
        kestrel::setKeyboardFocus(probe);
        undo = item("Undo", 1);
        redo = item("Redo", 2);
        menu.addSeparator();
        more = item("More", 0);
        paste = item("!Paste", 3);
        more->setSubmenu(submenu);
        for (const auto& [label, id] : {std::pair{"A", 10}, std::pair{"B", 11}}) {
            auto* inner = new MenuItem;
            inner->setText(label);
            inner->setActionListener(&recorder, id);
            submenu->addItem(inner);
        }
    }

    MenuItem* item(const char* label, int id)
    {
        auto* added = new MenuItem;
        added->setText(label, true);
        added->setActionListener(&recorder, id);
        menu.addItem(added);
        return added;
    }

    // Opens the menu as a right click at (20, 280) would.
    void popUp()
    {
        Event click(Event::RightRelease, &window);
        click.x = 20;
        click.y = 280;
        PopupMenu::popUp(click, menu, nullptr);
    }

    // Moves the mouse into the menu's window, onto the middle of the component.
    void pointAt(const PopupMenu& open, const kestrel::Component& target)
    {
        const kestrel::Rect r = target.getBounds();
        fake.mouseWindow = open.nativeHandle();
        move(open, r.x + r.width / 2 + 1, r.y + r.height / 2);     // taken by the window tracking
        move(open, r.x + r.width / 2, r.y + r.height / 2);
        drain();
    }

    void typed(int code)
    {
        key(window, code);
        drain();
    }

    kestrel::Window window;
    KeyProbe* probe = new KeyProbe;
    PopupMenu menu;
    PopupMenu* submenu = new PopupMenu;
    MenuItem* undo = nullptr;
    MenuItem* redo = nullptr;
    MenuItem* more = nullptr;
    MenuItem* paste = nullptr;
    testing_gui::MessageRecorder recorder;
};

TEST_F(Menus, APopUpHangsBelowTheMouseAsAPopupWindow)
{
    popUp();
    ASSERT_TRUE(menu.isOpen());
    plat::Box parent;
    ASSERT_TRUE(fake.clientBounds(window.nativeHandle(), parent));
    const plat::WindowSpec& request = fake.windows.at(menu.nativeHandle()).request;
    EXPECT_EQ(request.kind, plat::WindowKind::Popup);
    EXPECT_EQ(request.title, "kestrel popup menu");
    EXPECT_EQ(request.client.x, parent.x + 20);
    EXPECT_EQ(request.client.y, parent.y + 20);
    int width = 0;
    int height = 0;
    menu.getPreferredSize(width, height);
    // Items stack from the top inside the 3-pixel border.
    EXPECT_EQ(undo->getBounds(), (kestrel::Rect{3, height - 3 - undo->getBounds().height, width - 6,
                                                undo->getBounds().height}));
    EXPECT_EQ(kestrel::openPopup() != nullptr, true);

    menu.show(&window, 100, 100, 0, 0, nullptr, 0.0);
    EXPECT_EQ(fake.windows.size(), 2u);
}

TEST_F(Menus, AnEmptyMenuMeasuresItsBorder)
{
    PopupMenu empty;
    int width = 0;
    int height = 0;
    empty.getPreferredSize(width, height);
    EXPECT_EQ(width, 6);
    EXPECT_EQ(height, 6);
}

TEST_F(Menus, AMenuOfAFixedSizeOpensAtThatSizeWithItsItemsInside)
{
    menu.setSize(150, 200);
    menu.setFixedSize(true);
    popUp();
    ASSERT_TRUE(menu.isOpen());
    const plat::FakeBackend::Window& opened = fake.windows.at(menu.nativeHandle());
    EXPECT_EQ(std::pair(opened.width, opened.height), std::pair(150, 200));
    const kestrel::Rect first = undo->getBounds();
    EXPECT_EQ(first, (kestrel::Rect{3, 200 - 3 - first.height, 150 - 6, first.height}));
}

TEST_F(Menus, ReleasingOnAnItemChoosesItAndClosesTheMenu)
{
    popUp();
    pointAt(menu, *redo);
    EXPECT_TRUE(redo->isHighlighted());
    const kestrel::Rect r = redo->getBounds();
    button(menu, InputKind::ButtonRelease, r.x + 5, r.y + 5);
    drain();
    EXPECT_EQ(recorder.messages, (Messages{Sent{redo, 2, 0}}));
    EXPECT_FALSE(menu.isOpen());
    EXPECT_EQ(kestrel::openPopup(), nullptr);
}

TEST_F(Menus, ASubmenuOpensAfterARestAndClosesWhenAnotherItemIsHovered)
{
    popUp();
    pointAt(menu, *more);
    EXPECT_FALSE(submenu->isOpen());
    fake.advance(0.2);
    drain();
    EXPECT_FALSE(submenu->isOpen());
    fake.advance(0.1);
    drain();
    ASSERT_TRUE(submenu->isOpen());
    // Beside the item, its top 3 pixels below the item's top.
    plat::Box menuBox;
    plat::Box subBox;
    fake.clientBounds(menu.nativeHandle(), menuBox);
    fake.clientBounds(submenu->nativeHandle(), subBox);
    const kestrel::Rect item = more->getBounds();
    EXPECT_EQ(subBox.x, menuBox.x + item.x + item.width - 8);
    EXPECT_EQ(subBox.y, menuBox.y + menuBox.height - (item.y + item.height) + 3);

    const kestrel::Rect r = more->getBounds();
    button(menu, InputKind::ButtonRelease, r.x + 5, r.y + 5);
    drain();
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(menu.isOpen());

    pointAt(menu, *paste);
    EXPECT_FALSE(submenu->isOpen());
}

TEST_F(Menus, AnItemOfTheOpenSubmenuBelongsToThePopup)
{
    popUp();
    more->openSubmenu(0.0);
    const kestrel::Component* inner = submenu->getChildren()[1].get();
    EXPECT_TRUE(kestrel::openPopup()->acceptsEvent(const_cast<kestrel::Component*>(inner), Event()));
    EXPECT_FALSE(kestrel::openPopup()->acceptsEvent(probe, Event()));
    pointAt(*submenu, *inner);
    const kestrel::Rect r = inner->getBounds();
    button(*submenu, InputKind::ButtonRelease, r.x + 5, r.y + 5);
    drain();
    EXPECT_EQ(recorder.messages, (Messages{Sent{const_cast<kestrel::Component*>(inner), 11, 0}}));
    EXPECT_FALSE(menu.isOpen());
    EXPECT_FALSE(submenu->isOpen());
}

TEST_F(Menus, ASubmenuStillToOpenIsCancelledWithItsMenu)
{
    popUp();
    pointAt(menu, *more);
    kestrel::closeOpenPopup();
    fake.advance(1.0);
    drain();
    EXPECT_FALSE(submenu->isOpen());
    EXPECT_EQ(fake.windows.size(), 1u);
}

TEST_F(Menus, ArrowsEnterAndEscapeWalkTheMenuAndItsSubmenu)
{
    popUp();
    typed(keys::down);
    EXPECT_TRUE(undo->isHighlighted());
    typed(keys::up);
    EXPECT_TRUE(paste->isHighlighted());
    typed(keys::up);
    EXPECT_TRUE(more->isHighlighted());
    typed(keys::right);
    ASSERT_TRUE(submenu->isOpen());
    EXPECT_TRUE(static_cast<MenuItem*>(submenu->getChildren()[0].get())->isHighlighted());
    typed(keys::left);
    EXPECT_FALSE(submenu->isOpen());
    EXPECT_TRUE(menu.isOpen());
    typed(keys::enter);
    typed(keys::down);
    typed(keys::enter);
    EXPECT_EQ(recorder.messages, (Messages{Sent{submenu->getChildren()[1].get(), 11, 0}}));
    EXPECT_FALSE(menu.isOpen());
    // The menu took every key while it was open.
    EXPECT_TRUE(probe->keys.empty());
}

TEST_F(Menus, EscapeClosesAndTheKeysGoBackToTheFocus)
{
    popUp();
    typed(keys::down);
    typed(keys::escape);
    EXPECT_FALSE(menu.isOpen());
    EXPECT_EQ(kestrel::openPopup(), nullptr);
    typed('x');
    EXPECT_EQ(probe->keys, std::vector<int>{'x'});
}

TEST_F(Menus, AMnemonicChoosesItsItem)
{
    popUp();
    typed('P');
    EXPECT_EQ(recorder.messages, (Messages{Sent{paste, 3, 0}}));
}

TEST_F(Menus, DisablingAnItemDisablesItsSubmenuAndTheArrowsSkipIt)
{
    more->setEnabled(false);
    EXPECT_FALSE(submenu->getChildren()[0]->isEnabled());
    int part = 0;
    int state = 0;
    more->getThemePart(part, state);
    EXPECT_EQ(part, kestrel::part::imageMenuItem);
    EXPECT_EQ(state, kestrel::partState::disabled);
    popUp();
    typed(keys::up);
    typed(keys::up);
    EXPECT_TRUE(redo->isHighlighted());
}

TEST_F(Menus, ALoneAltActivatesTheFirstMenuOfTheWindowUnderTheMouseAndAgainDeactivates)
{
    auto* bar = new kestrel::MenuBar;
    auto* file = new kestrel::Menu;
    window.add(bar);
    bar->add(file);
    key(window, keys::altAlone);
    drain();
    EXPECT_EQ(kestrel::Menu::active(), file);
    ASSERT_NE(kestrel::openPopup(), nullptr);
    EXPECT_TRUE(kestrel::openPopup()->acceptsEvent(file, Event(Event::MouseMove, &window)));
    key(window, keys::altAlone);
    drain();
    EXPECT_EQ(kestrel::Menu::active(), nullptr);

    kestrel::Menu::setActive(file);
    // Activated by the mouse and not open: the next event lets it go.
    EXPECT_TRUE(kestrel::openPopup()->acceptsEvent(probe, Event(Event::LeftPress, &window)));
    EXPECT_EQ(kestrel::Menu::active(), nullptr);
    EXPECT_EQ(kestrel::openPopup(), nullptr);
}

}
