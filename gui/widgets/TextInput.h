#pragma once

#include "base/heron_string.h"
#include "gui/toolkit/Component.h"

#include <memory>

namespace kestrel
{

class TextInputInternals;

// The text clipboard as text inputs use it: the desktop's unless another is installed.
class TextClipboard
{
public:
    virtual bool hasText() = 0;
    // Empty when the clipboard holds no text.
    virtual heron_string getText() = 0;
    virtual void putText(const heron_string& text) = 0;

protected:
    ~TextClipboard() = default;
};

// Installs the clipboard text inputs use (not owned; null: the desktop's). Main thread.
void setTextClipboard(TextClipboard* clipboard);
TextClipboard& textClipboard();

// True for the printable characters 32..126.
bool isPrintableChar(char c);

// The one-line text entry: caret, selection by mouse and keys, clipboard, undo and redo (up to
// 100 steps, and no more than 4 MB of saved text beyond the latest step), a context menu, a
// length limit, and Tab moving the keyboard focus along a chain of entries. It sends its
// listener code 0 after a key that edited or moved, and 1 after Enter or Tab. Main thread only.
class TextInput : public Component
{
public:
    TextInput();
    // Leaves the Tab chain (its neighbours are joined) and closes its context menu if open.
    ~TextInput() override;

    // The text as given (no mnemonics); the caret stays where it was, cut to the new length; no
    // selection; the undo and redo history goes unless an edit of the entry's own sets the text.
    void setText(const char* text, bool mnemonic = false) override;
    void setTextString(const heron_string& text) { setText(text.c_str()); }
    void getPreferredSize(int& width, int& height) override;
    void draw(Graphics& graphics) override;
    void focusLost() override;
    void handleMouse(Event& event) override;
    void handleKey(Event& event) override;
    // A drag that selects ends where it is.
    void captureLost() override;

    // Width in characters of the measure character ('x'); 16 at first.
    void setColumns(int columns) { m_columns = columns; }
    // Most characters typing and pasting may bring the text to; -1 (the default) for no limit.
    void setMaxLength(int maxLength) { m_maxLength = maxLength; }
    // A sunken frame; on at first.
    void setBorder(bool border) { m_border = border; }
    // A flag kept for the entry's users, on at first; the entry itself does not read it.
    void setOptionFlag(bool flag) { m_optionFlag = flag; }
    bool optionFlag() const { return m_optionFlag; }
    // An entry that is not editable shows its text flat and takes no mouse or keys.
    void setEditable(bool editable);
    // Shows a short text against the right end.
    void setAlignRight(bool alignRight);
    // Selects everything when the focus comes by a click.
    void setSelectAllOnFocus(bool selectAll);

    int caretPosition() const;
    // The selection [start, end); both -1 when nothing is selected.
    int selectionStart() const;
    int selectionEnd() const;
    bool isFocused() const;

    // Tab in `from` moves the keyboard focus to `to`, Shift+Tab in `to` back to `from`. The
    // entries leave the neighbours they had in those directions.
    static void linkTabOrder(TextInput& from, TextInput& to);

private:
    friend class TextInputInternals;

    std::unique_ptr<TextInputInternals> m_internals;
    bool m_border = true;
    int m_columns = 16;
    int m_maxLength = -1;
    char m_measureChar = 'x';
    bool m_optionFlag = true;
};

}
