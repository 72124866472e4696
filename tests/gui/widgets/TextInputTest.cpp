#include "support/FakeDesktop.h"

#include "gui/paint/Font.h"
#include "gui/widgets/KestrelAction.h"
#include "gui/widgets/MenuItem.h"
#include "gui/widgets/PopupMenu.h"
#include "gui/widgets/TextInput.h"

#include <string>
#include <utility>
#include <vector>

namespace
{

using kestrel::TextInput;
using plat::InputKind;
using Sent = testing_gui::MessageRecorder::Sent;
using Messages = std::vector<Sent>;
namespace keys = kestrel::keycodes;

constexpr int ctrlC = 3;
constexpr int ctrlV = 22;
constexpr int ctrlX = 24;
constexpr int ctrlY = 25;
constexpr int ctrlZ = 26;

// A clipboard in memory.
class FakeClipboard : public kestrel::TextClipboard
{
public:
    bool hasText() override { return holds; }
    heron_string getText() override { return holds ? heron_string(text.c_str()) : heron_string(); }
    void putText(const heron_string& put) override
    {
        text = put.c_str();
        holds = true;
    }
    std::string text;
    bool holds = false;
};

// A 300 x 100 window with two entries: `entry` at (10, 50) holding the keyboard focus and
// `other` at (10, 10); Tab in the first leads to the second.
class Typing : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        kestrel::setTextClipboard(&clipboard);
        window.setLayout(new testing_gui::FixedLayout);
        window.add(entry);
        window.add(other);
        entry->setBounds(10, 50, 200, 30);
        other->setBounds(10, 10, 200, 30);
        entry->setActionListener(&recorder, 5);
        openAndActivate(window, 300, 100);
        kestrel::setKeyboardFocus(entry);
    }

    void TearDown() override
    {
        kestrel::setTextClipboard(nullptr);
        FakeDesktop::TearDown();
    }

    void press(int code, bool shift = false, bool control = false)
    {
        plat::InputEvent typed = inputEvent(InputKind::Key, window.nativeHandle());
        typed.key = code;
        typed.state.leftShift = shift;
        typed.state.leftControl = control;
        fake.push(typed);
        drain();
    }

    void type(const std::string& text)
    {
        for (const char c : text) {
            press(static_cast<unsigned char>(c));
        }
    }

    std::string text() const { return entry->getText().c_str(); }

    // The x at which character index i of the entry starts.
    int xOf(int i) const
    {
        const kestrel::Font& font = *entry->getFont();
        int x = entry->getBounds().x + font.charWidth('x') / 2 + 1 + 2;
        for (int k = 0; k < i; ++k) {
            x += font.charWidth(entry->getText()[static_cast<std::uint32_t>(k)]);
        }
        return x;
    }

    void mouse(InputKind kind, int x, kestrel::Component& target, plat::MouseButton which = plat::MouseButton::Left)
    {
        plat::InputEvent event = inputEvent(kind, window.nativeHandle(), x, target.getBounds().y + 10);
        event.button = which;
        fake.push(event);
        drain();
    }

    kestrel::Window window;
    TextInput* entry = new TextInput;
    TextInput* other = new TextInput;
    testing_gui::MessageRecorder recorder;
    FakeClipboard clipboard;
};

TEST_F(Typing, TypedCharactersGoInAtTheCaretEachWithCodeZero)
{
    type("abc");
    press(keys::left);
    type("X");
    EXPECT_EQ(text(), "abXc");
    EXPECT_EQ(entry->caretPosition(), 3);
    EXPECT_EQ(recorder.messages, Messages(5, Sent{entry, 5, 0}));
}

TEST_F(Typing, KeysThatAreNotPrintableAreIgnoredWithoutAMessage)
{
    press(0xE9);
    press(keys::up);
    press(keys::escape);
    EXPECT_EQ(text(), "");
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(Typing, ShiftWithArrowsGrowsAndShrinksTheSelectionFromTheCaret)
{
    type("hello world");
    press(keys::home);
    press(keys::right);
    press(keys::right);
    for (int i = 0; i < 3; ++i) {
        press(keys::right, true);
    }
    EXPECT_EQ(entry->selectionStart(), 2);
    EXPECT_EQ(entry->selectionEnd(), 5);
    press(keys::left, true);
    EXPECT_EQ(entry->selectionEnd(), 4);
    EXPECT_EQ(entry->caretPosition(), 4);
    type("Y");
    EXPECT_EQ(text(), "heYo world");
    press(keys::left, true);
    press(keys::right, true);
    EXPECT_EQ(entry->selectionStart(), -1);
}

TEST_F(Typing, UndoAndRedoWalkTheHistoryOfEdits)
{
    type("ab");
    press(ctrlZ);
    EXPECT_EQ(text(), "a");
    EXPECT_EQ(entry->caretPosition(), 1);
    press(ctrlZ);
    press(ctrlZ);
    EXPECT_EQ(text(), "");
    press(ctrlY);
    press(ctrlY);
    EXPECT_EQ(text(), "ab");
    EXPECT_EQ(entry->caretPosition(), 2);
    // Backspace at the start changes nothing but is still an edit, with its own undo step.
    press(keys::home);
    press(keys::backspace);
    press(ctrlZ);
    EXPECT_EQ(text(), "ab");
    EXPECT_EQ(recorder.messages.back(), (Sent{entry, 5, 0}));
    // Text set from outside starts a new history.
    entry->setText("fresh");
    press(ctrlZ);
    EXPECT_EQ(text(), "fresh");
}

TEST_F(Typing, CopyingIsAnUndoStepThatEndsTheRedoHistory)
{
    type("ab");
    press(ctrlZ);
    press(ctrlC);
    press(ctrlY);
    EXPECT_EQ(text(), "a");
    press(ctrlZ);
    EXPECT_EQ(text(), "a");
    press(ctrlZ);
    EXPECT_EQ(text(), "");
}

TEST_F(Typing, CutCopyAndPasteGoThroughTheClipboard)
{
    type("one two");
    press(keys::home);
    press(keys::end, true);
    press(ctrlC);
    EXPECT_EQ(clipboard.text, "one two");
    press(ctrlX);
    EXPECT_EQ(text(), "");
    press(ctrlV);
    press(ctrlV);
    EXPECT_EQ(text(), "one twoone two");
    press(keys::home);
    press(keys::right, true);
    press(keys::deleteKey, true);
    EXPECT_EQ(clipboard.text, "o");
    press(keys::insert, true);
    press(keys::deleteKey);
    EXPECT_EQ(text(), "oe twoone two");
}

TEST_F(Typing, PastingStopsAtALineBreakAndAtTheLengthLimit)
{
    clipboard.putText("ab\ncd");
    press(ctrlV);
    EXPECT_EQ(text(), "ab");
    entry->setText("xyz");
    press(keys::end);
    entry->setMaxLength(5);
    clipboard.putText("12345");
    press(ctrlV);
    EXPECT_EQ(text(), "xyz12");
    EXPECT_EQ(entry->caretPosition(), 5);
    type("!");
    EXPECT_EQ(text(), "xyz12");
}

TEST_F(Typing, EnterAndTabSendCodeOneAndTabMovesTheFocusAlongTheChain)
{
    TextInput::linkTabOrder(*entry, *other);
    other->setText("other");
    press(keys::enter);
    press(keys::tab);
    EXPECT_EQ(recorder.messages, (Messages{Sent{entry, 5, 1}, Sent{entry, 5, 1}}));
    EXPECT_TRUE(other->hasKeyboardFocus());
    EXPECT_TRUE(other->isFocused());
    EXPECT_FALSE(entry->isFocused());
    EXPECT_EQ(other->caretPosition(), 5);
    press(keys::tab, true);
    EXPECT_TRUE(entry->hasKeyboardFocus());
    // A hidden entry is stepped over; with nothing showing the focus stays.
    other->setVisible(false);
    press(keys::tab);
    EXPECT_TRUE(entry->hasKeyboardFocus());
}

TEST_F(Typing, DestroyingAnEntryJoinsItsNeighboursInTheTabChain)
{
    {
        const heron::counted_ptr<TextInput> middle(new TextInput);
        TextInput::linkTabOrder(*entry, *middle);
        TextInput::linkTabOrder(*middle, *other);
    }
    press(keys::tab);
    EXPECT_TRUE(other->hasKeyboardFocus());
    press(keys::tab, true);
    EXPECT_TRUE(entry->hasKeyboardFocus());
}

// Each case links three fresh entries of the window in order, then presses Tab (or Shift+Tab)
// in the first entry named and expects the focus on the second.
TEST_F(Typing, AnEntryLinkedAgainLeavesItsOldNeighbours)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<int, int>> links;
        int start;
        bool backwards;
        int focused;
    };
    const Case cases[] = {
        {"Shift+Tab after its Tab was linked elsewhere", {{0, 1}, {0, 2}}, 1, true, 1},
        {"Tab after its target took another", {{0, 1}, {2, 1}}, 0, false, 0},
        {"Tab into a cycle that skips the start", {{0, 1}, {1, 2}, {2, 1}}, 0, false, 0},
        {"Tab along a chain relinked in place", {{0, 1}, {0, 2}}, 0, false, 2},
    };
    for (const Case& c : cases) {
        TextInput* fields[3];
        for (TextInput*& field : fields) {
            field = new TextInput;
            window.add(field);
            field->setBounds(220, 10, 60, 30);
        }
        for (const auto& [from, to] : c.links) {
            TextInput::linkTabOrder(*fields[from], *fields[to]);
        }
        kestrel::setKeyboardFocus(fields[c.start]);
        press(keys::tab, c.backwards);
        EXPECT_TRUE(fields[c.focused]->hasKeyboardFocus()) << c.what;
    }
}

TEST_F(Typing, AnEntryLinkedAgainAndDestroyedLeavesNoLinkToIt)
{
    {
        const heron::counted_ptr<TextInput> doomed(new TextInput);
        TextInput::linkTabOrder(*doomed, *entry);
        TextInput::linkTabOrder(*doomed, *other);
    }
    press(keys::tab, true);
    EXPECT_TRUE(entry->hasKeyboardFocus());
    kestrel::setKeyboardFocus(other);
    press(keys::tab);
    EXPECT_TRUE(other->hasKeyboardFocus());
}

// A megabyte pasted and twenty keys typed: the undo history holds only the last few copies of
// the text, so the paste itself can no longer be undone.
TEST_F(Typing, UndoKeepsNoMoreCopiesOfAHugeTextThanItsByteLimitHolds)
{
    const std::size_t huge = 1u << 20;
    clipboard.putText(heron_string(std::string(huge, 'p').c_str()));
    press(ctrlV);
    type(std::string(20, 'k'));
    for (int i = 0; i < 30; ++i) {
        press(ctrlZ);
    }
    EXPECT_GE(text().size(), huge);
    EXPECT_LT(text().size(), huge + 20);
    for (int i = 0; i < 30; ++i) {
        press(ctrlY);
    }
    EXPECT_EQ(text().size(), huge + 20);
}

TEST_F(Typing, AnEntryDestroyedWithItsMenuOpenLeavesTheNextPressToItsTarget)
{
    auto* elsewhere = new kestrel::Window;
    elsewhere->setLayout(new testing_gui::FixedLayout);
    auto* doomed = new TextInput;
    elsewhere->add(doomed);
    doomed->setBounds(0, 0, 100, 30);
    elsewhere->setSize(100, 30);
    elsewhere->create();
    for (const InputKind kind : {InputKind::ButtonPress, InputKind::ButtonRelease}) {
        plat::InputEvent click = inputEvent(kind, elsewhere->nativeHandle(), 20, 15);
        click.button = plat::MouseButton::Right;
        fake.push(click);
    }
    drain();
    ASSERT_NE(kestrel::PopupMenu::active(), nullptr);
    delete elsewhere;
    EXPECT_EQ(kestrel::PopupMenu::active(), nullptr);
    EXPECT_EQ(kestrel::openPopup(), nullptr);
    mouse(InputKind::ButtonPress, xOf(0), *other);
    mouse(InputKind::ButtonRelease, xOf(0), *other);
    EXPECT_TRUE(other->hasKeyboardFocus());
}

TEST_F(Typing, ClicksPlaceTheCaretAndADragSelects)
{
    entry->setText("abcdef");
    kestrel::setKeyboardFocus(nullptr);
    mouse(InputKind::MouseMove, xOf(2), *entry);
    mouse(InputKind::ButtonPress, xOf(2) + 1, *entry);
    EXPECT_EQ(entry->caretPosition(), 2);
    EXPECT_TRUE(entry->isFocused());
    EXPECT_TRUE(entry->hasKeyboardFocus());
    mouse(InputKind::MouseMove, xOf(5) - 1, *entry);
    mouse(InputKind::ButtonRelease, xOf(5) - 1, *entry);
    EXPECT_EQ(entry->selectionStart(), 2);
    EXPECT_EQ(entry->selectionEnd(), 5);
    // Left of the text: the first character.
    mouse(InputKind::ButtonPress, entry->getBounds().x, *entry);
    mouse(InputKind::ButtonRelease, entry->getBounds().x, *entry);
    EXPECT_EQ(entry->caretPosition(), 0);
}

TEST_F(Typing, AClickThatBringsTheFocusCanSelectEverything)
{
    entry->setText("all of it");
    entry->setSelectAllOnFocus(true);
    kestrel::setKeyboardFocus(other);
    mouse(InputKind::MouseMove, xOf(3), *entry);
    mouse(InputKind::ButtonPress, xOf(3), *entry);
    mouse(InputKind::ButtonRelease, xOf(3), *entry);
    EXPECT_EQ(entry->selectionStart(), 0);
    EXPECT_EQ(entry->selectionEnd(), 9);
    fake.advance(1.0);      // no double-click
    mouse(InputKind::ButtonPress, xOf(3), *entry);
    mouse(InputKind::ButtonRelease, xOf(3), *entry);
    EXPECT_EQ(entry->selectionStart(), -1);
}

TEST_F(Typing, TheContextMenuOffersWhatCanBeDoneAndDoesIt)
{
    entry->setText("menu");
    clipboard.putText("+");
    mouse(InputKind::MouseMove, xOf(4), *entry);
    mouse(InputKind::ButtonPress, xOf(4), *entry);
    mouse(InputKind::ButtonRelease, xOf(4), *entry);
    mouse(InputKind::ButtonPress, xOf(4), *entry, plat::MouseButton::Right);
    mouse(InputKind::ButtonRelease, xOf(4), *entry, plat::MouseButton::Right);
    kestrel::PopupMenu* menu = kestrel::PopupMenu::active();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->isOpen());
    std::vector<std::pair<std::string, bool>> items;
    kestrel::MenuItem* paste = nullptr;
    for (const auto& child : menu->getChildren()) {
        if (auto* item = dynamic_cast<kestrel::MenuItem*>(child.get())) {
            items.emplace_back(item->getText().c_str(), item->isEnabled());
            paste = items.back().first == "Paste" ? item : paste;
        }
    }
    const std::vector<std::pair<std::string, bool>> expected = {
        {"Undo", false}, {"Redo", false}, {"Cut", false}, {"Copy", false},
        {"Paste", true}, {"Delete", false}, {"Select all", true}};
    EXPECT_EQ(items, expected);
    ASSERT_NE(paste, nullptr);
    paste->choose();
    EXPECT_EQ(text(), "menu+");
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(recorder.messages, (Messages{Sent{entry, 5, 0}}));
}

TEST(TextInputTest, PrintableCharactersAreExactly32To126)
{
    int printable = 0;
    for (int c = 0; c < 256; ++c) {
        printable += kestrel::isPrintableChar(static_cast<char>(c)) ? 1 : 0;
    }
    EXPECT_EQ(printable, 95);
    EXPECT_TRUE(kestrel::isPrintableChar(' '));
    EXPECT_TRUE(kestrel::isPrintableChar('~'));
    EXPECT_FALSE(kestrel::isPrintableChar(127));
}

}
