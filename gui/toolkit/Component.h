#pragma once

#include "base/Refcountable.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "gui/toolkit/Cursor.h"
#include "gui/paint/Font.h"
#include "gui/paint/Image.h"
#include "gui/paint/Rect.h"

#include <cstdint>

namespace kestrel
{

class Action;
class Component;
class Container;
class Graphics;
class Window;
struct Event;

// What a component sends its listener: the source, the command id and a code.
struct ComponentMessage
{
    Component* source;
    std::uint32_t id;
    int argument;
};

// Receives component messages (buttons, check boxes, tabs, text inputs).
class MessageDest
{
public:
    virtual void handleMessage(const ComponentMessage& message) = 0;

protected:
    ~MessageDest() = default;
};

// The base of every widget. Bounds are in window coordinates with a bottom-left origin.
// Reference counted; lives on the heap. Main thread only.
class Component : public heron::Refcountable
{
public:
    Component();
    ~Component() override;

    // With `mnemonic`, '!' marks the next character as the mnemonic (the first mark wins, none
    // leaves no mnemonic) and is dropped; "!!" is a '!'. Without it the text is taken as is and the
    // mnemonic kept.
    virtual void setText(const char* text, bool mnemonic = false);
    virtual void activate() {}
    virtual Rect getBounds() const { return bounds; }
    virtual void setBounds(int x, int y, int width, int height);
    virtual void setEnabled(bool enabled);
    // The renderer part that draws this component and its state; 0, 0: none.
    virtual void getThemePart(int& part, int& state) const;
    virtual void getPreferredSize(int& width, int& height);
    virtual void draw(Graphics& graphics);
    virtual void focusGained() {}
    virtual void focusLost() {}
    // The mouse capture was taken from this component before it let go (another window opened,
    // its own window closed, or the program was switched away from or back to): a press or drag
    // under way ends where it is, without acting and without telling the listener.
    virtual void captureLost() {}
    // Default: a left press sends the listener code 0.
    virtual void handleMouse(Event& event);
    // Wheel events; true when taken.
    virtual bool handleWheel(Event& event) { return false; }
    // Default: Enter and Escape trigger the window's default and cancel buttons; other keys go
    // on to the parent's key handler, and from the outermost component to the window's.
    virtual void handleKey(Event& event);
    virtual void validate() {}

    const heron_string& getText() const { return text; }
    char mnemonic() const { return mnemonicChar; }
    void setFont(const heron::counted_ptr<Font>& font);
    const heron::counted_ptr<Font>& getFont() const { return font; }
    // Width of the text in the component's font, cached until text or font change.
    int textWidth();
    void setImage(const Image& image);
    const Image& getImage() const { return image; }
    // Null clears the tooltip and its kind.
    void setTooltip(const char* tooltip, std::uint32_t kind = 0);
    const heron_string& getTooltip() const { return tooltip; }
    std::uint32_t getTooltipKind() const { return tooltipKind; }
    // Show the nearest ancestor's tooltip instead of one's own.
    void setTooltipFromParent(bool fromParent) { tooltipFromParent = fromParent; }
    bool isTooltipFromParent() const { return tooltipFromParent; }
    // Takes label, icon, tooltip and command id from the action (not owned; null only stores it).
    void setAction(Action* action, MessageDest* listener);
    void setActionListener(MessageDest* listener, std::uint32_t commandId);
    // Sends {this, command id, code} to the listener, if any. A counted component stays alive
    // until the listener returns, even when the listener drops the dialog it sits in.
    void sendMessage(int code);
    void setVisible(bool visible) { this->visible = visible; }
    bool isVisible() const { return visible; }
    bool isEnabled() const { return enabled; }
    // Visible, and every ancestor too.
    bool isShowing() const;
    bool hasKeyboardFocus() const;
    void setCursor(const heron::counted_ptr<Cursor>& cursor);
    const heron::counted_ptr<Cursor>& getCursor() const { return cursor; }
    // Paints this component into its window at once, clipped to its bounds.
    void redrawNow();
    // Makes this component receive every mouse event of its window; throws std::logic_error
    // when it is in no window.
    void setFocus();
    // Ends the mouse capture; the component under the mouse becomes the hovered one again.
    void releaseFocus();

    Window* getWindow() const { return window; }
    Container* getParent() const { return parent; }
    Container* asContainer() const { return container; }
    const Rect& getUpdateRect() const { return updateRect; }
    void setUpdateRect(const Rect& rect) { updateRect = rect; }

protected:
    friend class Container;
    friend class Window;

    Window* window = nullptr;
    Container* parent = nullptr;
    Container* container = nullptr;     // this, for containers
    bool enabled = true;
    bool visible = true;
    Rect bounds = {0, 0, 1, 1};
    Rect updateRect = {0, 0, 1, 1};
    Action* action = nullptr;
    heron::counted_ptr<Font> font;
    heron_string text;
    int cachedTextWidth = -1;
    Image image;
    heron::counted_ptr<Cursor> cursor;
    std::uint32_t commandId = 0;
    MessageDest* listener = nullptr;
    heron_string tooltip;
    std::uint32_t tooltipKind = 0;
    bool tooltipFromParent = false;
    char mnemonicChar = 0;
};

// Keeps a counted component alive for the holder's own lifetime, so code that tells a listener
// can go on with the component when the listener drops the dialog around it. A component nobody
// counts (on the stack, or owned outside a component tree) is not held.
class KeepAlive
{
public:
    explicit KeepAlive(Component* component);
    ~KeepAlive();
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    Component* m_held;
};

// Takes the mouse capture from its holder, who is told (captureLost); nothing when nobody holds it.
void cancelMouseCapture();

// Moves the keyboard focus (null: nobody): the old holder gets focusLost and a redraw, the new
// one focusGained and a redraw; the holder focused again only gets focusGained and a redraw.
void setKeyboardFocus(Component* component);

// The application lost the keyboard: the holder of the keyboard focus loses it and is remembered.
void suspendKeyboardFocus();
// The application got the keyboard back in the window: the component remembered by
// suspendKeyboardFocus gets the focus again when it is showing in that window and nobody took the
// focus meanwhile. The memory goes either way.
void resumeKeyboardFocus(const Window* window);

// The process-wide holders; null when nobody holds them.
Component* keyboardFocus();
Component* captureHolder();
Component* hoveredComponent();
Window* hoveredWindow();
// Records the hovered component and its window (the event router does this).
void setHovered(Component* component, Window* window);

}
