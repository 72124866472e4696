#pragma once

#include "gui/toolkit/Container.h"
#include "gui/toolkit/ScreenMode.h"
#include "platform/Backend.h"

#include <functional>
#include <memory>

namespace kestrel
{

class WindowInternals;

// A container backed by one desktop window. Coordinates have a bottom-left origin; after
// creation the bounds are the client area (x = y = 0). Listed in the process-wide registry from
// construction to destruction. Main thread only.
class Window : public Container
{
public:
    enum Kind
    {
        Framed = 0,
        Popup = 1,
        Subwindow = 2,
        FullScreen = 3,
    };

    // Where a popup goes when it would leave the screen.
    static constexpr int noFallback = 109821989;
    static constexpr int farEdgeFallback = 109821990;

    // Parent: the window a popup belongs to (not owned; may be null).
    explicit Window(Window* parent = nullptr);
    ~Window() override;

    // Lays out and draws the whole window.
    void draw(Graphics& graphics) override;
    bool isWindow() const override { return true; }
    // Fills the bounds with the window background colour.
    virtual void drawBackground(Graphics& graphics);
    // Paints a self-painted window (the GL window swaps its buffers here).
    virtual void presentFrame() {}
    // Lays the window out and draws it.
    virtual void paint(Graphics& graphics);
    // Called when the window closes.
    virtual void closed() {}
    // The desktop asks to close the window (its close button, Alt+F4): closes it. A window whose
    // end must first end what runs in it overrides this.
    virtual void closeRequested() { close(); }

    void setWindowType(int kind);
    int windowType() const;
    // Ignored when negative or not below the monitor count.
    void setMonitor(int index);
    void setDropShadow(bool shadow);
    void setPopupFallback(int x, int y);
    // Stores the full-screen mode and tests it; false when the display refuses it.
    bool setScreenMode(const ScreenMode& mode);
    void setTitle(const char* title);
    // Marks the window for painting at the event loop's next empty-queue pass.
    void repaint();
    bool isDirty() const;
    // setBounds at (-1, -1): the position is chosen at creation.
    void setSize(int width, int height);
    void setParent(Window* parent);
    Window* getParentWindow() const;

    // Opens the desktop window, no larger than the screen; nothing when already open. Ends any
    // mouse capture, so the new window gets the mouse.
    void create();
    // Closes this window and its open popups; a press under way in it ends (its holder loses
    // the capture). The desktop window goes at the end of the current getEvent pass (or in the
    // destructor).
    void close();
    bool isOpen() const;
    bool isDisabled() const;
    void setDisabled(bool disabled);
    // The desktop window, 0 when there is none.
    plat::WindowId nativeHandle() const;
    void setSelfPainted(std::uint32_t selfPainted);
    void setResizable(bool resizable);

    Component* defaultButton() const;
    Component* cancelButton() const;
    void setDefaultButton(Component* button);
    void setCancelButton(Component* button);

    // Paints the whole window now and presents it.
    void paintNow();
    // Lays the window out, draws the part under `area` now and presents that part.
    void paintArea(const Rect& area);
    // Makes the cursor of the component (or of its nearest ancestor with one) the window's.
    void showCursorOf(Component& component);
    // Shows the window's current cursor (the no-entry sign while disabled).
    void showCursor();
    // Whether a display-mode change only tests the stored mode or chooses it for a full-screen
    // window; only a chosen mode the display refuses is logged.
    enum class ModeRequest
    {
        Test,
        Use,
    };
    // Tests (or, for full screen, chooses) the stored mode; true when the display takes it.
    bool changeDisplayMode(ModeRequest request);
    // Gives the display its desktop mode back after a full-screen mode change.
    void restoreDisplayMode();

    WindowInternals& internals() { return *windowInternals; }

    static bool isRegistered(const Window* window);

private:
    // Fills in the kind, position and size of the desktop window; false when it cannot be made.
    bool placeOnScreen(plat::WindowSpec& request);
    // Keeps the desktop from sizing a framed window below the least its contents can do with
    // (no more than the screen).
    void updateMinimumSize();
    // Shows what the graphics object painted last.
    void presentPaint();

    std::unique_ptr<WindowInternals> windowInternals;
};

// The icon of every window opened from now on (copied); an empty image leaves the desktop's
// default. Main thread only.
void setWindowIcon(const Image& icon);

// The registered window with this desktop window, else null (0 gives null).
Window* findWindow(plat::WindowId handle);
// Calls the predicate for each registered window in order; true restarts the walk.
void forEachWindow(const std::function<bool(Window&)>& predicate);
bool anyWindowOpen();
// Paints every registered window marked dirty and clears the mark; returns how many.
int paintDirtyWindows();
// Destroys the desktop windows of closed windows.
void destroyClosedWindows();

}
