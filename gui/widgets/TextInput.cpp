#include "gui/widgets/TextInput.h"

#include "gui/paint/Font.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/Clipboard.h"
#include "gui/toolkit/Cursor.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"
#include "gui/widgets/GuiRenderer.h"
#include "gui/widgets/KestrelAction.h"
#include "gui/widgets/MenuItem.h"
#include "gui/widgets/PopupMenu.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace kestrel
{

namespace
{

// Keys that arrive as control characters.
constexpr int ctrlC = 3;
constexpr int ctrlV = 22;
constexpr int ctrlX = 24;
constexpr int ctrlY = 25;
constexpr int ctrlZ = 26;

// Edits kept for undo, and the text bytes their snapshots may hold together; the oldest go
// first, but the latest step always stays.
constexpr std::size_t maxUndo = 100;
constexpr std::size_t maxUndoBytes = 4u << 20;

class DesktopClipboard : public TextClipboard
{
public:
    bool hasText() override { return Clipboard().hasText(); }
    heron_string getText() override { return Clipboard().getText(); }
    void putText(const heron_string& text) override { Clipboard().putText(text); }
};

TextClipboard* installedClipboard = nullptr;

struct Snapshot
{
    heron_string text;
    int caret = 0;
    int firstVisible = 0;
    int selStart = -1;
    int selEnd = -1;
};

// Drops the oldest snapshots (at the front) beyond the step and byte limits, keeping the latest.
void trimHistory(std::vector<Snapshot>& history)
{
    std::size_t bytes = 0;
    std::size_t keep = 0;
    for (auto it = history.rbegin(); it != history.rend() && keep < maxUndo; ++it, ++keep) {
        bytes += it->text.length();
        if (bytes > maxUndoBytes && keep > 0) {
            break;
        }
    }
    history.erase(history.begin(), history.end() - static_cast<std::ptrdiff_t>(keep));
}

// Sets the flag for its own lifetime.
class FlagOn
{
public:
    explicit FlagOn(bool& flag) : m_flag(flag), m_old(flag) { flag = true; }
    ~FlagOn() { m_flag = m_old; }
    FlagOn(const FlagOn&) = delete;
    FlagOn& operator=(const FlagOn&) = delete;

private:
    bool& m_flag;
    bool m_old;
};

// The one context menu of all text inputs.
struct ContextMenu
{
    static constexpr std::array<int, 7> commands = {
        KestrelAction::editUndo, KestrelAction::editRedo, KestrelAction::editCut, KestrelAction::editCopy,
        KestrelAction::editPaste, KestrelAction::editDelete, KestrelAction::editSelectAll};

    ContextMenu()
    {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            if (commands[i] == KestrelAction::editCut || commands[i] == KestrelAction::editSelectAll) {
                menu->addSeparator();
            }
            items[i] = new MenuItem(KestrelAction::get(commands[i]), nullptr);
            menu->addItem(items[i]);
        }
    }

    MenuItem* item(int command) const
    {
        const auto* found = std::find(commands.begin(), commands.end(), command);
        return items[static_cast<std::size_t>(found - commands.begin())];
    }

    PopupMenu* menu = new PopupMenu;
    std::array<MenuItem*, commands.size()> items{};
    const TextInputInternals* owner = nullptr;     // whose commands the items send
};

// Made on first use and kept for the whole run.
ContextMenu* sharedMenu = nullptr;

ContextMenu& contextMenu()
{
    if (!sharedMenu) {
        sharedMenu = new ContextMenu;
    }
    return *sharedMenu;
}

}

void setTextClipboard(TextClipboard* clipboard)
{
    installedClipboard = clipboard;
}

TextClipboard& textClipboard()
{
    static DesktopClipboard desktop;
    return installedClipboard ? *installedClipboard : desktop;
}

bool isPrintableChar(char c)
{
    const auto value = static_cast<signed char>(c);
    return value >= 32 && value != 127;
}

// The editing state of a text input and what its keys, mouse and menu do to it.
class TextInputInternals final : public MessageDest
{
public:
    explicit TextInputInternals(TextInput& owner) : owner(owner) {}

    const heron_string& text() const { return owner.getText(); }
    const Font& font() const { return *owner.getFont(); }
    int charWidth(int i) const { return font().charWidth(text()[static_cast<std::uint32_t>(i)]); }
    // Width of the characters a .. b - 1.
    int widthOf(int a, int b) const;
    int originX() const;
    int originY() const;
    // The character index whose left edge lies nearest x.
    int hit(int x) const;

    bool hasSelection() const { return selStart >= 0; }
    // Selects [min, max) of the two; nothing when they are equal.
    void select(int a, int b);
    void clearSelection() { selStart = selEnd = -1; }
    void refresh();

    Snapshot snapshot() const { return Snapshot{text(), caret, firstVisible, selStart, selEnd}; }
    void restore(const Snapshot& state);
    void pushUndo();
    void undo();
    void redo();

    // Applies one key; the code to send, or -1 for a key that is ignored.
    int applyKey(const Event& event);
    void moveTo(int n, bool extend);
    void replaceText(const heron_string& text);
    void deleteSelection();
    void backspace();
    void deleteForward();
    void insert(heron_string inserted);
    void copy();
    void cut();
    void paste();
    void selectAll();
    void tab(bool backwards);

    void press(const Event& event);
    void dragTo(int x);
    void release();
    void rightClick(const Event& event, bool release);
    void showContextMenu(const Event& event);
    void handleMessage(const ComponentMessage& message) override;

    void paintFlat(Graphics& graphics);
    void paintEditable(Graphics& graphics);
    // Scrolls so the text fills the width and the caret is in view; returns the x offset of
    // character 0 from the text origin.
    int scrollIntoView(int visibleWidth);
    void paintCharacters(Graphics& graphics, int offset, int visibleWidth);

    TextInput& owner;
    int length = 0;
    bool focused = false;
    bool wasFocused = false;
    bool selectAllOnFocus = false;
    bool editable = true;
    bool alignRight = false;
    int scroll = 0;
    int caret = 0;
    int firstVisible = 0;
    int selStart = -1;
    int selEnd = -1;
    int anchor = 0;
    bool dragging = false;
    TextInput* prev = nullptr;
    TextInput* next = nullptr;
    std::vector<Snapshot> undoList;
    std::vector<Snapshot> redoList;
    bool editing = false;
};

int TextInputInternals::widthOf(int a, int b) const
{
    int width = 0;
    for (int i = a; i < b; ++i) {
        width += charWidth(i);
    }
    return width;
}

int TextInputInternals::originX() const
{
    return owner.getBounds().x + font().charWidth(owner.m_measureChar) / 2 + 1 + (owner.m_border ? 2 : 0);
}

int TextInputInternals::originY() const
{
    const Rect b = owner.getBounds();
    return b.y + (b.height - font().ascent()) / 2;
}

int TextInputInternals::hit(int x) const
{
    int edge = originX() + scroll;
    if (x < edge) {
        return std::max(firstVisible - 1, 0);
    }
    int best = firstVisible;
    int bestDistance = x - edge;
    for (int i = firstVisible; i < length; ++i) {
        edge += charWidth(i);
        const int distance = std::abs(x - edge);
        if (distance < bestDistance) {
            best = i + 1;
            bestDistance = distance;
        }
    }
    return best;
}

void TextInputInternals::select(int a, int b)
{
    if (a == b) {
        clearSelection();
        return;
    }
    selStart = std::min(a, b);
    selEnd = std::max(a, b);
}

void TextInputInternals::refresh()
{
    firstVisible = 0;
    clearSelection();
    length = static_cast<int>(text().length());
    caret = std::min(caret, length);
    if (!editing) {
        undoList.clear();
        redoList.clear();
    }
}

void TextInputInternals::restore(const Snapshot& state)
{
    replaceText(state.text);
    caret = std::min(state.caret, length);
    firstVisible = std::min(state.firstVisible, length);
    selStart = state.selStart;
    selEnd = state.selEnd;
}

void TextInputInternals::pushUndo()
{
    undoList.push_back(snapshot());
    trimHistory(undoList);
    redoList.clear();
}

void TextInputInternals::undo()
{
    if (undoList.empty()) {
        return;
    }
    redoList.push_back(snapshot());
    restore(undoList.back());
    undoList.pop_back();
    trimHistory(redoList);
}

void TextInputInternals::redo()
{
    if (redoList.empty()) {
        return;
    }
    undoList.push_back(snapshot());
    restore(redoList.back());
    redoList.pop_back();
    trimHistory(undoList);
}

int TextInputInternals::applyKey(const Event& event)
{
    const bool shift = event.shift != 0;
    switch (event.key) {
    case ctrlZ:
        undo();
        return 0;
    case ctrlY:
        redo();
        return 0;
    case ctrlC:
        // A copy changes nothing yet records an undo step, as every clipboard key does: callers rely on it.
        pushUndo();
        copy();
        return 0;
    case ctrlX:
        pushUndo();
        cut();
        return 0;
    case ctrlV:
        pushUndo();
        paste();
        return 0;
    case keycodes::backspace:
        pushUndo();
        hasSelection() ? deleteSelection() : backspace();
        return 0;
    case keycodes::deleteKey:
        pushUndo();
        shift ? cut() : deleteForward();
        return 0;
    case keycodes::insert:
        if (event.control != 0) {
            pushUndo();
            copy();
        } else if (shift) {
            pushUndo();
            paste();
        }
        return 0;
    case keycodes::left:
    case keycodes::right:
        moveTo(caret + (event.key == keycodes::left ? -1 : 1), shift);
        return 0;
    case keycodes::home:
    case keycodes::end:
        moveTo(event.key == keycodes::home ? 0 : length, shift);
        return 0;
    case keycodes::enter:
        return 1;
    case keycodes::tab:
        tab(shift);
        return 1;
    default:
        break;
    }
    const char typed = static_cast<char>(event.key & 0xFF);
    if (!isPrintableChar(typed)) {
        return -1;
    }
    pushUndo();
    insert(heron_string(1, typed));
    return 0;
}

void TextInputInternals::moveTo(int n, bool extend)
{
    if (n < 0 || n > length) {
        return;
    }
    if (!extend) {
        caret = n;
        clearSelection();
        return;
    }
    int fixed = caret;
    if (hasSelection()) {
        fixed = caret == selStart ? selEnd : selStart;
    }
    select(fixed, n);
    caret = n;
}

void TextInputInternals::replaceText(const heron_string& replacement)
{
    const FlagOn keepHistory(editing);
    owner.setText(replacement.c_str());
}

void TextInputInternals::deleteSelection()
{
    if (!hasSelection()) {
        return;
    }
    const int start = selStart;
    heron_string rest = text();
    rest.erase(static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(selEnd - start));
    replaceText(rest);
    caret = start;
    clearSelection();
}

void TextInputInternals::backspace()
{
    if (caret <= 0) {
        return;
    }
    --caret;
    heron_string rest = text();
    rest.erase(static_cast<std::uint32_t>(caret), 1);
    replaceText(rest);
}

void TextInputInternals::deleteForward()
{
    if (hasSelection()) {
        deleteSelection();
    } else if (caret < length) {
        ++caret;
        backspace();
    }
}

void TextInputInternals::insert(heron_string inserted)
{
    deleteSelection();
    std::uint32_t keep = 0;
    while (keep < inserted.length() && isPrintableChar(inserted[keep])) {
        ++keep;
    }
    const int room = owner.m_maxLength - length;
    if (owner.m_maxLength >= 0 && room < static_cast<int>(keep)) {
        keep = static_cast<std::uint32_t>(std::max(room, 0));
    }
    if (keep == 0) {
        return;
    }
    heron_string result = text();
    result.insert(static_cast<std::uint32_t>(caret), inserted.c_str(), keep);
    caret += static_cast<int>(keep);
    replaceText(result);
}

void TextInputInternals::copy()
{
    if (hasSelection()) {
        textClipboard().putText(text().substr(static_cast<std::uint32_t>(selStart),
                                              static_cast<std::uint32_t>(selEnd - selStart)));
    }
}

void TextInputInternals::cut()
{
    if (hasSelection()) {
        copy();
        deleteSelection();
    }
}

void TextInputInternals::paste()
{
    TextClipboard& clipboard = textClipboard();
    if (clipboard.hasText()) {
        insert(clipboard.getText());
    }
}

void TextInputInternals::selectAll()
{
    caret = length;
    select(0, length);
    if (!focused) {
        focused = true;
        owner.redrawNow();
    }
}

void TextInputInternals::tab(bool backwards)
{
    // Tab follows `prev`: linkTabOrder keeps the Tab target there (Shift+Tab's in `next`), as callers expect.
    for (TextInput* candidate = backwards ? next : prev; candidate && candidate != &owner;) {
        TextInputInternals& other = *candidate->m_internals;
        if (candidate->isShowing() && candidate->getWindow()) {
            other.clearSelection();
            other.caret = other.length;
            other.focused = true;
            setKeyboardFocus(candidate);
            return;
        }
        candidate = backwards ? other.next : other.prev;
    }
}

void TextInputInternals::press(const Event& event)
{
    wasFocused = focused;
    focused = true;
    dragging = true;
    owner.setFocus();
    const int at = hit(event.x);
    anchor = at;
    if (event.shift != 0 && at != caret) {
        select(caret, at);
    } else {
        clearSelection();
    }
    caret = at;
    owner.focusGained();
    owner.redrawNow();
}

void TextInputInternals::dragTo(int x)
{
    const int at = hit(x);
    if (at == caret) {
        return;
    }
    caret = at;
    select(anchor, at);
    owner.redrawNow();
}

void TextInputInternals::release()
{
    dragging = false;
    owner.releaseFocus();
    if (!wasFocused && selectAllOnFocus && !hasSelection()) {
        selectAll();
        owner.redrawNow();
    }
}

void TextInputInternals::rightClick(const Event& event, bool release)
{
    if (!focused) {
        caret = hit(event.x);
        clearSelection();
        owner.focusGained();
        owner.redrawNow();
    }
    if (release) {
        showContextMenu(event);
    }
}

void TextInputInternals::showContextMenu(const Event& event)
{
    ContextMenu& context = contextMenu();
    TextClipboard& clipboard = textClipboard();
    const bool canPaste = clipboard.hasText() && !clipboard.getText().empty();
    const std::pair<int, bool> enabled[] = {
        {KestrelAction::editUndo, !undoList.empty()},   {KestrelAction::editRedo, !redoList.empty()},
        {KestrelAction::editCut, hasSelection()},       {KestrelAction::editCopy, hasSelection()},
        {KestrelAction::editPaste, canPaste},           {KestrelAction::editDelete, hasSelection()},
        {KestrelAction::editSelectAll, length > 0},
    };
    for (const auto& [command, on] : enabled) {
        MenuItem* item = context.item(command);
        item->setEnabled(on);
        item->setActionListener(this, static_cast<std::uint32_t>(command));
    }
    context.owner = this;
    PopupMenu::popUp(event, *context.menu, nullptr);
}

// A menu command edits like its key and tells the listener like one.
void TextInputInternals::handleMessage(const ComponentMessage& message)
{
    {
        const FlagOn during(editing);
        switch (static_cast<int>(message.id)) {
        case KestrelAction::editCopy:
            pushUndo();
            copy();
            break;
        case KestrelAction::editCut:
            pushUndo();
            cut();
            break;
        case KestrelAction::editPaste:
            pushUndo();
            paste();
            break;
        case KestrelAction::editDelete:
            pushUndo();
            deleteForward();
            break;
        case KestrelAction::editUndo:
            undo();
            break;
        case KestrelAction::editRedo:
            redo();
            break;
        case KestrelAction::editSelectAll:
            pushUndo();
            selectAll();
            break;
        default:
            return;
        }
    }
    owner.focusGained();
    owner.redrawNow();
    owner.sendMessage(0);
}

void TextInputInternals::paintFlat(Graphics& graphics)
{
    const Rect b = owner.getBounds();
    const bool enabled = owner.isEnabled();
    graphics.setColor(enabled ? GuiColor::LIGHT_3D : GuiColor::BUTTON_FACE);
    graphics.fillRect(b);
    if (owner.m_border) {
        graphics.draw3DRect(b, Graphics::EdgeDepth::Shallow);
    }
    graphics.setColor(enabled ? GuiColor::BUTTON_TEXT : GuiColor::GREY_TEXT);
    int x = originX();
    for (int i = 0; i < length && x + charWidth(i) <= b.x + b.width; ++i) {
        graphics.drawChar(text()[static_cast<std::uint32_t>(i)], font(), x, originY());
        x += charWidth(i);
    }
}

int TextInputInternals::scrollIntoView(int visibleWidth)
{
    int offset = -widthOf(0, firstVisible);
    int rest = widthOf(firstVisible, length);
    while (firstVisible > 0 && rest < visibleWidth) {
        const int before = charWidth(firstVisible - 1);
        if (rest + before < visibleWidth) {
            --firstVisible;
            offset += before;
        }
        rest += before;
    }
    const int margin = originX() - owner.getBounds().x;
    scroll = alignRight && rest < visibleWidth - margin ? visibleWidth - rest - margin : 0;
    offset += scroll;
    if (!focused) {
        return offset;
    }
    int c = widthOf(0, caret) + offset;
    while (c < 0 && firstVisible > 0) {
        --firstVisible;
        c += charWidth(firstVisible);
        offset += charWidth(firstVisible);
    }
    while (c > visibleWidth && firstVisible < caret) {
        c -= charWidth(firstVisible);
        offset -= charWidth(firstVisible);
        ++firstVisible;
    }
    return offset;
}

void TextInputInternals::paintCharacters(Graphics& graphics, int offset, int visibleWidth)
{
    const int x0 = originX();
    const int y0 = originY();
    int x = offset + widthOf(0, firstVisible);
    for (int i = firstVisible; i < length; ++i) {
        const int w = charWidth(i);
        if (x >= 0 && x + w <= visibleWidth) {
            if (!owner.isEnabled()) {
                graphics.setColor(GuiColor::GREY_TEXT);
            } else if (focused && i >= selStart && i < selEnd) {
                graphics.setColor(GuiColor::HIGHLIGHT);
                graphics.fillRect(Rect{x0 + x, y0 - font().descent() - 1, w + 1, font().height() + 4});
                graphics.setColor(GuiColor::HIGHLIGHTED_TEXT);
            } else {
                graphics.setColor(GuiColor::WINDOW_TEXT);
            }
            graphics.drawChar(text()[static_cast<std::uint32_t>(i)], font(), x0 + x, y0);
        }
        x += w;
    }
}

void TextInputInternals::paintEditable(Graphics& graphics)
{
    const Rect b = owner.getBounds();
    const bool enabled = owner.isEnabled();
    if (owner.m_border) {
        GuiRenderer::current().paintPart(graphics, part::textField, enabled && focused ? 1 : 0, b);
    } else {
        graphics.setColor(GuiColor::WINDOW);
        graphics.fillRect(b);
        graphics.setColor(GuiColor::BLACK);
        graphics.drawRect(b);
    }
    const int margin = originX() - b.x;
    const int visibleWidth = b.width - 2 * margin;
    const int offset = scrollIntoView(visibleWidth);
    paintCharacters(graphics, offset, visibleWidth);
    if (enabled && focused) {
        const int x = originX() + widthOf(0, caret) + offset;
        graphics.setColor(GuiColor::RED);
        graphics.drawLine(x, b.y + 3, x, b.y + b.height - 5);
        graphics.drawLine(x + 1, b.y + 3, x + 1, b.y + b.height - 5);
    }
}

TextInput::TextInput()
    : m_internals(std::make_unique<TextInputInternals>(*this))
{
    useGuiRenderer();
    setCursor(Cursor::standard(Cursor::iBeam));
}

TextInput::~TextInput()
{
    TextInputInternals& in = *m_internals;
    if (in.prev) {
        in.prev->m_internals->next = in.next;
    }
    if (in.next) {
        in.next->m_internals->prev = in.prev;
    }
    if (sharedMenu && sharedMenu->owner == &in) {
        sharedMenu->menu->hide();
        sharedMenu->owner = nullptr;
    }
}

void TextInput::setText(const char* newText, bool)
{
    Component::setText(newText, false);
    m_internals->refresh();
}

void TextInput::getPreferredSize(int& width, int& height)
{
    const int frame = m_border ? 6 : 2;
    width = font->charWidth(m_measureChar) * (m_columns + 1) + frame;
    height = font->height() + 2 * font->descent() + frame;
}

void TextInput::draw(Graphics& graphics)
{
    if (m_internals->editable) {
        m_internals->paintEditable(graphics);
    } else {
        m_internals->paintFlat(graphics);
    }
}

void TextInput::focusLost()
{
    m_internals->focused = false;
    m_internals->firstVisible = 0;
}

void TextInput::handleMouse(Event& event)
{
    TextInputInternals& in = *m_internals;
    if (!in.editable) {
        return;
    }
    switch (event.type) {
    case Event::LeftPress:
        in.press(event);
        return;
    case Event::MouseMove:
        if (in.dragging) {
            in.dragTo(event.x);
        }
        return;
    case Event::LeftRelease:
        in.release();
        return;
    case Event::DoubleClick:
        in.selectAll();
        redrawNow();
        return;
    case Event::RightPress:
    case Event::RightRelease:
        in.rightClick(event, event.type == Event::RightRelease);
        return;
    default:
        return;
    }
}

void TextInput::captureLost()
{
    m_internals->dragging = false;
}

void TextInput::handleKey(Event& event)
{
    TextInputInternals& in = *m_internals;
    if (event.type != Event::Key || !in.editable) {
        return;
    }
    int code = -1;
    {
        const FlagOn during(in.editing);
        code = in.applyKey(event);
    }
    if (code < 0) {
        return;
    }
    redrawNow();
    sendMessage(code);
}

void TextInput::setEditable(bool editable)
{
    m_internals->editable = editable;
}

void TextInput::setAlignRight(bool alignRight)
{
    m_internals->alignRight = alignRight;
}

void TextInput::setSelectAllOnFocus(bool selectAll)
{
    m_internals->selectAllOnFocus = selectAll;
}

int TextInput::caretPosition() const
{
    return m_internals->caret;
}

int TextInput::selectionStart() const
{
    return m_internals->selStart;
}

int TextInput::selectionEnd() const
{
    return m_internals->selEnd;
}

bool TextInput::isFocused() const
{
    return m_internals->focused;
}

// Each entry has at most one neighbour each way and it points back, so a walk along the chain
// ends, or comes round to the entry it started from.
void TextInput::linkTabOrder(TextInput& from, TextInput& to)
{
    TextInputInternals& f = *from.m_internals;
    TextInputInternals& t = *to.m_internals;
    if (f.prev) {
        f.prev->m_internals->next = nullptr;
    }
    if (t.next) {
        t.next->m_internals->prev = nullptr;
    }
    f.prev = &to;
    t.next = &from;
}

}
