#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The seam between the toolkit and the desktop: windows, input, presenting pixels, displays,
// message boxes and the clock. The toolkit talks only to plat::backend(); the program gets the
// SDL implementation, headless tests install a FakeBackend.
namespace plat
{

using WindowId = std::uint32_t;     // 0 means no window

enum class WindowKind
{
    Framed,
    Popup,
    FullScreen,
};

// A display mode; a field of 0 means "any" when testing and "keep" when switching.
struct DisplayMode
{
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int refreshRate = 0;            // Hz
};

// A rectangle in pixels. Screen rectangles have a top-left origin; rectangles inside a
// window's client area have the toolkit's bottom-left origin.
struct Box
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Pixels 0xAARRGGBB, rows bottom row first: the toolkit's image layout.
struct PixelSource
{
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

struct WindowSpec
{
    WindowKind kind = WindowKind::Framed;
    std::string title;              // Windows-1252 bytes, like every text the toolkit hands over
    Box client;                     // screen position (top-left origin) and size of the client area
    bool resizable = true;
    bool maximised = false;
    int display = 0;                // full screen: which display
    DisplayMode mode;               // full screen: the mode to switch to (all 0: the desktop's)
    bool opengl = false;            // the window shows OpenGL frames (made with the GL pixel format)
    WindowId owner = 0;             // a popup: the window it belongs to, which gets the keyboard back
                                    // when the popup goes while holding it
    PixelSource icon;               // the window's icon; without pixels the desktop's default
};

enum class InputKind
{
    MouseMove,
    ButtonPress,
    ButtonRelease,
    Wheel,
    Key,                // a key code or a Windows-1252 character
    AltKey,             // Alt held with a letter, a digit or a function key
    Activated,          // the application got the keyboard focus (from no window of ours)
    Deactivated,        // no window of ours has the focus any more
    CloseRequest,
    Resized,
    Exposed,
    MouseLeft,          // the mouse left the window
    QuitRequest,        // the session or a signal (Ctrl+C, SIGTERM) asks the whole program to end; no window
};

enum class MouseButton
{
    Left,
    Middle,
    Right,
};

// Held buttons and modifiers.
struct InputState
{
    bool left = false;
    bool middle = false;
    bool right = false;
    bool leftShift = false;
    bool rightShift = false;
    bool leftControl = false;
    bool rightControl = false;
    bool alt = false;

    bool shift() const { return leftShift || rightShift; }
    bool control() const { return leftControl || rightControl; }
};

// One input event in the toolkit's terms: key codes already translated, y counted up from the
// bottom row of the client area.
struct InputEvent
{
    InputKind kind = InputKind::MouseMove;
    WindowId window = 0;
    int x = -1;
    int y = -1;
    MouseButton button = MouseButton::Left;
    int key = 0;
    int wheelDelta = 0;             // 120 per notch, positive away from the user
    int width = 0;                  // Resized: the new client size
    int height = 0;
    InputState state;               // buttons and modifiers when the event happened
    bool readModifiers = true;      // false: the modifiers are not meaningful (a lone Alt release)
};

class Backend
{
public:
    virtual ~Backend() = default;

    // Takes the next waiting input event without blocking; false when none waits.
    virtual bool pollInput(InputEvent& event) = 0;
    // Buttons and modifiers held now.
    virtual InputState inputState() = 0;
    // The window under the mouse pointer, 0 when the pointer is over none of ours.
    virtual WindowId windowUnderMouse() = 0;

    // Opens and shows a window; 0 on failure (the reason is in lastError()).
    [[nodiscard]] virtual WindowId createWindow(const WindowSpec& request) = 0;
    virtual void destroyWindow(WindowId window) = 0;
    // Takes a full-screen window out of full screen, so the display shows its desktop mode again.
    virtual void restoreDisplayMode(WindowId window) = 0;
    // The title is Windows-1252 bytes.
    virtual void setTitle(WindowId window, const std::string& title) = 0;
    // The smallest client size the user may size the window to.
    virtual void setMinimumSize(WindowId window, int width, int height) = 0;
    // The client area: screen position (top-left origin) and size; false for an unknown window.
    virtual bool clientBounds(WindowId window, Box& bounds) = 0;
    // Shows the frame in the window with its bottom-left pixel at (x, y) of the client area
    // (bottom-left origin); what falls outside the window is left out.
    virtual bool present(WindowId window, const PixelSource& frame, int x, int y) = 0;
    // Whether the desktop shows mouse cursors (false before any window exists, and in tests).
    virtual bool showsCursors() = 0;
    // Routes all mouse input to the window (true) or ends it (false); the window gets the keyboard.
    virtual void captureMouse(WindowId window, bool capture) = 0;
    // Keeps the pointer inside the window (true) or lets it leave again (false); the pointer still
    // moves, so positions stay absolute.
    virtual void grabMouse(WindowId window, bool grab) = 0;

    virtual int displayCount() = 0;
    // Screen rectangle of a display (top-left origin); false when the index is unknown.
    virtual bool displayBounds(int display, Box& bounds) = 0;
    // The display's name as Windows-1252 bytes; empty when unknown.
    virtual std::string displayName(int display) = 0;
    virtual std::vector<DisplayMode> displayModes(int display) = 0;
    // The mode the display shows now; false when it cannot be read.
    virtual bool currentDisplayMode(int display, DisplayMode& mode) = 0;

    // Shows a modal error box with an OK button (caption and text are Windows-1252 bytes); false
    // when no box could be shown. A quit signal while it is shown closes it.
    virtual bool showMessageBox(const std::string& caption, const std::string& text) = 0;
    // Opens a file or address with the desktop's default handler; false on failure, also when the
    // desktop has no program to open it with.
    [[nodiscard]] virtual bool openUrl(const std::string& target) = 0;

    // Seconds on the toolkit's clock.
    virtual double now() = 0;
    // Sleeps (or, in tests, advances the clock) for the given milliseconds.
    virtual void sleepMs(int milliseconds) = 0;

    virtual std::string lastError() = 0;
};

// The backend in force: the one installed, else the process's SDL backend (made on first use).
Backend& backend();
// Installs a backend (not owned; null returns to the SDL backend). Main thread only.
void setBackend(Backend* installed);

}
