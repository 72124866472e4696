#pragma once

#include "base/counted_ptr.h"
#include "gui/toolkit/Container.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/Button.h"

namespace kestrel
{

class ComboBox;
class ComboBoxList;

// The entries of a combo box, supplied by its user.
class ComboBoxInfo
{
public:
    virtual int itemCount() = 0;
    // The text of entry index (0 .. itemCount() - 1); null counts as empty.
    virtual const char* itemText(int index) = 0;

protected:
    ~ComboBoxInfo() = default;
};

// The text area of a combo box: shows the chosen entry, opens the list on a press, and is the
// open popup's controller while the list shows.
class ComboInternals : public Component, public PopupController
{
public:
    ComboInternals(ComboBox& box, ComboBoxInfo* info);
    ~ComboInternals() override;

    void getPreferredSize(int& width, int& height) override;
    void draw(Graphics& graphics) override;
    void handleMouse(Event& event) override;

    // Closes the list window and tells the box.
    void closePopup() override;
    // Events aimed into the open list window belong to it.
    bool acceptsEvent(Component* target, const Event& event) override;

    ComboBoxInfo* info() const { return m_info; }
    ComboBoxList* list() const { return m_list.get(); }
    // Drops the list window: closed, its desktop window destroyed, the registration as the open
    // popup cleared.
    void dropList();
    // Makes a new list window of the rows and shows it below the box.
    void showList(int rows);

private:
    ComboBox& m_box;
    ComboBoxInfo* m_info;
    heron::counted_ptr<ComboBoxList> m_list;
};

// The arrow button at the right of a combo box; a click opens the list.
class ComboButton : public Button
{
public:
    explicit ComboButton(ComboBox& box) : m_box(box) {}

    void getThemePart(int& part, int& state) const override;
    // As large as a scroll bar arrow.
    void getPreferredSize(int& width, int& height) override;
    void click() override;

private:
    ComboBox& m_box;
};

// Shows the chosen entry of a list and lets the user pick another from a drop-down list below
// it, both in the box's font. Choosing an entry sends the listener its index. Main thread only.
class ComboBox : public Container
{
public:
    // The list shows at most this many rows at once.
    static constexpr int maxRows = 8;

    explicit ComboBox(ComboBoxInfo* info);
    // Closes an open list first.
    ~ComboBox() override;

    // Stores the index (-1: none) without repainting or telling anyone.
    void setSelectedIndex(int index) { m_selected = index; }
    int selectedIndex() const { return m_selected; }
    // A two-pixel frame (insets 2) or none (insets 1); on at first.
    void setBorder(bool border);
    bool hasBorder() const { return m_border; }
    // The text area's: an average character for each of 16 columns and one more, by the font's
    // height with room above and below.
    void getPreferredSize(int& width, int& height) override;
    void draw(Graphics& graphics) override;

    // Called after the list opened and after it closed.
    virtual void popupOpened() {}
    virtual void popupClosed() {}

    // Opens the list below the box, closing one still open; nothing without entries.
    void openList();
    // The list window while one exists, else null.
    ComboBoxList* list() const { return m_text->list(); }
    ComboInternals& textArea() { return *m_text; }
    ComboButton& arrow() { return *m_arrow; }

private:
    ComboInternals* m_text;
    ComboButton* m_arrow;
    int m_selected = -1;
    bool m_border = true;
};

}
