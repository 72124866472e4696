#include "support/FixedLayout.h"
#include "support/LogCapture.h"
#include "support/SdlEvents.h"

#include "base/Debug.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/ScreenMode.h"
#include "gui/toolkit/Window.h"
#include "platform/Backend.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <vector>

namespace
{

using kestrel::GuiColor;
using testing_gui::Swatch;

// The colour the window surface shows at (x, y), y counted from the bottom row, as 0xRRGGBB.
std::uint32_t surfacePixel(plat::WindowId id, int x, int y)
{
    SDL_Window* window = SDL_GetWindowFromID(id);
    SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!surface) {
        return 0xDEADBEEF;
    }
    const int bytes = surface->format->BytesPerPixel;
    Uint32 raw = 0;
    SDL_memcpy(&raw, static_cast<const Uint8*>(surface->pixels) + (surface->h - 1 - y) * surface->pitch + x * bytes,
               bytes);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(raw, surface->format, &r, &g, &b);
    return (static_cast<std::uint32_t>(r) << 16) | (g << 8) | b;
}

std::uint32_t rgbOf(GuiColor::gui_color colour)
{
    return testing_gui::pixelOf(colour) & 0xFFFFFF;
}

// Opens a framed window of the size on the real desktop.
void open(kestrel::Window& window, int width, int height)
{
    window.setSize(width, height);
    window.create();
    ASSERT_TRUE(window.isOpen()) << plat::backend().lastError();
}

// Runs passes of the loop while the condition holds, for at most `passes` passes, noting the keys handed out;
// false once no window is open.
template <class Condition>
bool runWhile(Condition condition, int passes, std::vector<int>* keys = nullptr)
{
    kestrel::Event event;
    bool open = true;
    for (int i = 0; i < passes && open && condition(); ++i) {
        open = kestrel::getEvent(event, nullptr);
        if (keys != nullptr && event.type == kestrel::Event::Key) {
            keys->push_back(event.key);
        }
        kestrel::dispatch(event);
    }
    return open;
}

// Runs passes of the loop while the condition holds, for at most `seconds` of wall-clock time: a
// bound for a desktop that never answers, not a wait the test relies on.
template <class Condition>
void runAtMost(Condition condition, double seconds)
{
    const double start = heron::getTime();
    runWhile([&] { return condition() && heron::getTime() - start < seconds; }, 1 << 30);
}

// Counts the left presses that reach it, and notes the keys.
class PressCounter : public kestrel::Component
{
public:
    void handleMouse(kestrel::Event& event) override { presses += event.type == kestrel::Event::LeftPress ? 1 : 0; }
    void handleKey(kestrel::Event& event) override { keys.push_back(event.key); }
    int presses = 0;
    std::vector<int> keys;
};

void pushButton(plat::WindowId window, Uint32 type, int x, int y)
{
    sdlevents::push(sdlevents::button(window, type, SDL_BUTTON_LEFT, x, y));
}

SDL_Window* keyboardWindow()
{
    return SDL_GetKeyboardFocus();
}

TEST(WindowDisplay, AWindowOpensWithItsTitleInUtf8PaintsItsTreeAndShowsThePixels)
{
    kestrel::Window window;
    window.setTitle("Caf\xE9 \x80");
    window.setLayout(new testing_gui::FixedLayout);
    auto* red = new Swatch(GuiColor::RED);
    auto* blue = new Swatch(GuiColor::BLUE);
    window.add(red);
    window.add(blue);
    open(window, 120, 80);
    EXPECT_EQ(window.getBounds(), (kestrel::Rect{0, 0, 120, 80}));
    SDL_Window* const desktop = SDL_GetWindowFromID(window.nativeHandle());
    ASSERT_NE(desktop, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(desktop), "Caf\xC3\xA9 \xE2\x82\xAC");
    window.setTitle("\xFC");
    EXPECT_STREQ(SDL_GetWindowTitle(desktop), "\xC3\xBC");
    // Nothing of ours takes drops, so SDL must not hand over dropped names for us to free.
    EXPECT_EQ(SDL_EventState(SDL_DROPFILE, SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(SDL_EventState(SDL_DROPTEXT, SDL_QUERY), SDL_DISABLE);
    red->setBounds(0, 0, 30, 20);
    blue->setBounds(90, 60, 30, 20);
    runWhile([] { return true; }, 20);
    window.paintNow();
    const plat::WindowId id = window.nativeHandle();
    EXPECT_EQ(surfacePixel(id, 0, 0), rgbOf(GuiColor::RED));
    EXPECT_EQ(surfacePixel(id, 29, 19), rgbOf(GuiColor::RED));
    EXPECT_EQ(surfacePixel(id, 119, 79), rgbOf(GuiColor::BLUE));
    EXPECT_EQ(surfacePixel(id, 60, 40), rgbOf(GuiColor::BUTTON_FACE));

    red->setBounds(40, 30, 10, 10);
    red->redrawNow();
    EXPECT_EQ(surfacePixel(id, 45, 35), rgbOf(GuiColor::RED));
    window.close();
    EXPECT_FALSE(runWhile([] { return true; }, 1));
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
}

TEST(WindowDisplay, KeysAndCloseRequestsFromTheDesktopBecomeToolkitEvents)
{
    kestrel::Window window;
    open(window, 50, 50);
    sdlevents::push(sdlevents::key(window.nativeHandle(), SDL_KEYDOWN, SDLK_PAGEDOWN));
    sdlevents::push(sdlevents::window(window.nativeHandle(), SDL_WINDOWEVENT_CLOSE));
    std::vector<int> keys;
    runWhile([&] { return window.isOpen(); }, 50, &keys);
    EXPECT_EQ(keys, std::vector<int>{kestrel::keycodes::pageDown});
    EXPECT_FALSE(window.isOpen());
}

TEST(WindowDisplay, CtrlCInTheTerminalClosesTheWindowsAndEndsTheLoop)
{
    kestrel::Window window;
    open(window, 40, 40);
    struct sigaction current = {};
    sigaction(SIGINT, nullptr, &current);
    if (current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN) {
        window.close();
        kestrel::destroyClosedWindows();
        GTEST_SKIP() << "SDL does not watch SIGINT in this process";
    }
    std::raise(SIGINT);
    EXPECT_FALSE(runWhile([] { return true; }, 1000));
    EXPECT_FALSE(window.isOpen());
}

TEST(WindowDisplay, TheDisplaysModesAreListedAndAFullScreenWindowCoversItInTheCurrentMode)
{
    ASSERT_FALSE(plat::backend().displayModes(0).empty());
    plat::DisplayMode current;
    ASSERT_TRUE(plat::backend().currentDisplayMode(0, current));
    EXPECT_EQ(kestrel::monitorCount(), 1);
    EXPECT_EQ(kestrel::monitorRect(0).width, current.width);
    EXPECT_NE(kestrel::getScreenMode(0).resolution, -1);
    EXPECT_TRUE(kestrel::testScreenMode(kestrel::ScreenMode{}));
    if (current.width == 1280 && current.height == 1024) {
        EXPECT_TRUE(kestrel::testScreenMode(kestrel::ScreenMode{3, -1, -1}));
    }
    EXPECT_FALSE(kestrel::testScreenMode(kestrel::ScreenMode{4, -1, 4}));

    kestrel::Window window;
    ASSERT_TRUE(window.setScreenMode(kestrel::ScreenMode{}));
    window.setWindowType(kestrel::Window::FullScreen);
    window.create();
    ASSERT_TRUE(window.isOpen()) << plat::backend().lastError();
    const double start = heron::getTime();
    runWhile([&] { return window.getBounds().width != current.width && heron::getTime() - start < 5.0; }, 1 << 30);
    EXPECT_EQ(window.getBounds(), (kestrel::Rect{0, 0, current.width, current.height}));
    window.close();
    EXPECT_FALSE(runWhile([] { return true; }, 1));
    ASSERT_TRUE(plat::backend().currentDisplayMode(0, current));
    EXPECT_EQ(kestrel::monitorRect(0).width, current.width);
}

// A window filled by one press counter, open on the desktop, closed at the end.
class CountingWindow
{
public:
    CountingWindow()
    {
        window.setLayout(new testing_gui::FixedLayout);
        window.add(counter);
        open(window, 120, 80);
        counter->setBounds(0, 0, 120, 80);
    }
    ~CountingWindow()
    {
        window.close();
        runWhile([] { return true; }, 1);
    }

    SDL_Window* desktop() const { return SDL_GetWindowFromID(window.nativeHandle()); }

    // Waits until the window has the keyboard and the program counts as active.
    bool takesTheKeyboard() const
    {
        runAtMost([&] { return !kestrel::isApplicationActive() || keyboardWindow() != desktop(); }, 5.0);
        return kestrel::isApplicationActive() && keyboardWindow() == desktop();
    }

    // Presses and releases the left button in the middle; the presses that reached the counter.
    int presses()
    {
        pushButton(window.nativeHandle(), SDL_MOUSEBUTTONDOWN, 60, 40);
        pushButton(window.nativeHandle(), SDL_MOUSEBUTTONUP, 60, 40);
        runAtMost([&] { return counter->presses == 0; }, 5.0);
        return counter->presses;
    }

    kestrel::Window window;
    PressCounter* counter = new PressCounter;
};

// A bare X server gives every window shown the keyboard, popups too, and nobody the keyboard when
// one closes; the program must stay active and take the next click.
TEST(WindowDisplay, ClosingAPopupThatHeldTheKeyboardGivesItBackToItsOwnerAndTheNextClickArrives)
{
    CountingWindow owner;
    ASSERT_TRUE(owner.takesTheKeyboard());

    kestrel::Window popup(&owner.window);
    popup.setWindowType(kestrel::Window::Popup);
    popup.setBounds(10, 10, 40, 20);
    popup.create();
    ASSERT_TRUE(popup.isOpen()) << plat::backend().lastError();
    SDL_Window* const shown = SDL_GetWindowFromID(popup.nativeHandle());
    runAtMost([&] { return keyboardWindow() != shown; }, 2.0);
    popup.close();
    EXPECT_TRUE(owner.takesTheKeyboard());
    EXPECT_EQ(owner.presses(), 1);
}

// The same for a framed window: the window left must take the keyboard, or the program counts as
// left and drops every click.
TEST(WindowDisplay, ClosingAWindowThatHeldTheKeyboardGivesItToTheWindowLeftAndNothingReachesTheWindowGone)
{
    const LogCapture log;
    CountingWindow left;
    kestrel::Window front;
    open(front, 60, 40);
    SDL_Window* const shown = SDL_GetWindowFromID(front.nativeHandle());
    runAtMost([&] { return keyboardWindow() != shown; }, 5.0);
    ASSERT_TRUE(kestrel::isApplicationActive());
    // With the pointer over it, SDL reports the pointer leaving the window as it goes.
    SDL_WarpMouseInWindow(shown, 30, 20);
    runAtMost([&] { return SDL_GetMouseFocus() != shown; }, 5.0);

    front.close();
    EXPECT_TRUE(left.takesTheKeyboard());
    EXPECT_EQ(left.presses(), 1);
    EXPECT_FALSE(log.contains("not found!"));
}

// Hidden and shown again, as a window minimised and restored is, the window loses the keyboard
// and gets it back; so does the component that held the keyboard focus in it.
TEST(WindowDisplay, AWindowActivatedAgainGivesTheKeyboardFocusBackToTheComponentThatHeldIt)
{
    CountingWindow shown;
    ASSERT_TRUE(shown.takesTheKeyboard());
    kestrel::setKeyboardFocus(shown.counter);

    SDL_HideWindow(shown.desktop());
    runAtMost([] { return kestrel::isApplicationActive(); }, 5.0);
    ASSERT_FALSE(kestrel::isApplicationActive());
    // The change of activation is queued for the loop; it hands it out on the next passes.
    runWhile([] { return true; }, 10);
    EXPECT_EQ(kestrel::keyboardFocus(), nullptr);
    SDL_ShowWindow(shown.desktop());
    ASSERT_TRUE(shown.takesTheKeyboard());
    runWhile([] { return true; }, 10);
    EXPECT_EQ(kestrel::keyboardFocus(), shown.counter);

    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.windowID = shown.window.nativeHandle();
    key.key.keysym.sym = SDLK_PAGEDOWN;
    SDL_PushEvent(&key);
    runAtMost([&] { return shown.counter->keys.empty(); }, 5.0);
    EXPECT_EQ(shown.counter->keys, std::vector<int>{kestrel::keycodes::pageDown});
}

}
