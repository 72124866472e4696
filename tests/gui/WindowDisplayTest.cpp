#include "FixedLayout.h"

#include "base/Debug.h"
#include "gui/Event.h"
#include "gui/Graphics.h"
#include "gui/GuiColor.h"
#include "gui/ScreenMode.h"
#include "gui/Window.h"
#include "platform/Backend.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>

namespace
{

using kestrel::GuiColor;

// Fills its bounds with one palette colour.
class Swatch : public kestrel::Component
{
public:
    explicit Swatch(GuiColor::gui_color colour) : colour(colour) {}
    void draw(kestrel::Graphics& graphics) override
    {
        graphics.setColor(colour);
        graphics.fillRect(bounds);
    }
    GuiColor::gui_color colour;
};

// The colour the window surface shows at (x, y), y counted from the bottom row, as 0xRRGGBB.
std::uint32_t surfacePixel(plat::WindowId id, int x, int y)
{
    SDL_Window* window = SDL_GetWindowFromID(id);
    SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!surface) {
        return 0xDEADBEEF;
    }
    const int row = surface->h - 1 - y;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + row * surface->pitch + x * surface->format->BytesPerPixel;
    Uint32 raw = 0;
    SDL_memcpy(&raw, p, surface->format->BytesPerPixel);
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    SDL_GetRGB(raw, surface->format, &r, &g, &b);
    return (static_cast<std::uint32_t>(r) << 16) | (g << 8) | b;
}

std::uint32_t rgbOf(GuiColor::gui_color colour)
{
    return kestrel::packedToPixel(GuiColor::toSystemColour(colour)) & 0xFFFFFF;
}

TEST(WindowDisplay, AWindowOpensPaintsItsTreeAndShowsThePixels)
{
    kestrel::Window window;
    window.setLayout(new testing_gui::FixedLayout);
    auto* red = new Swatch(GuiColor::RED);
    auto* blue = new Swatch(GuiColor::BLUE);
    window.add(red);
    window.add(blue);
    window.setTitle("Display test");
    window.setSize(120, 80);
    window.create();
    ASSERT_TRUE(window.isOpen()) << plat::backend().lastError();
    EXPECT_EQ(window.getBounds().width, 120);
    EXPECT_EQ(window.getBounds().height, 80);
    red->setBounds(0, 0, 30, 20);
    blue->setBounds(90, 60, 30, 20);
    kestrel::Event event;
    for (int i = 0; i < 20; ++i) {
        kestrel::getEvent(event, nullptr);
        kestrel::dispatch(event);
    }
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
    EXPECT_FALSE(kestrel::getEvent(event, nullptr));
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
}

TEST(WindowDisplay, KeysAndCloseRequestsFromTheDesktopBecomeToolkitEvents)
{
    kestrel::Window window;
    window.setSize(50, 50);
    window.create();
    ASSERT_TRUE(window.isOpen());
    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.windowID = window.nativeHandle();
    key.key.keysym.sym = SDLK_PAGEDOWN;
    SDL_PushEvent(&key);
    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = window.nativeHandle();
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    kestrel::Event event;
    bool sawKey = false;
    for (int i = 0; i < 50 && window.isOpen(); ++i) {
        kestrel::getEvent(event, nullptr);
        sawKey = sawKey || (event.type == kestrel::Event::Key && event.key == kestrel::keycodes::pageDown);
    }
    EXPECT_TRUE(sawKey);
    EXPECT_FALSE(window.isOpen());
}

TEST(WindowDisplay, TitlesReachTheDesktopAsUtf8AndDroppedFilesAreRefused)
{
    kestrel::Window window;
    window.setTitle("Caf\xE9 \x80");
    window.setSize(40, 40);
    window.create();
    ASSERT_TRUE(window.isOpen());
    SDL_Window* const desktop = SDL_GetWindowFromID(window.nativeHandle());
    ASSERT_NE(desktop, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(desktop), "Caf\xC3\xA9 \xE2\x82\xAC");
    window.setTitle("\xFC");
    EXPECT_STREQ(SDL_GetWindowTitle(desktop), "\xC3\xBC");
    // Nothing of ours takes drops, so SDL must not hand over dropped names for us to free.
    EXPECT_EQ(SDL_EventState(SDL_DROPFILE, SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(SDL_EventState(SDL_DROPTEXT, SDL_QUERY), SDL_DISABLE);
    window.close();
    kestrel::destroyClosedWindows();
}

TEST(WindowDisplay, CtrlCInTheTerminalClosesTheWindowsAndEndsTheLoop)
{
    kestrel::Window window;
    window.setSize(40, 40);
    window.create();
    ASSERT_TRUE(window.isOpen());
    struct sigaction current = {};
    sigaction(SIGINT, nullptr, &current);
    if (current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN) {
        window.close();
        kestrel::destroyClosedWindows();
        GTEST_SKIP() << "SDL does not watch SIGINT in this process";
    }
    std::raise(SIGINT);
    kestrel::Event event;
    bool open = true;
    for (int i = 0; i < 1000 && open; ++i) {
        open = kestrel::getEvent(event, nullptr);
    }
    EXPECT_FALSE(open);
    EXPECT_FALSE(window.isOpen());
}

TEST(WindowDisplay, TheDisplaysModesAreListedAndTheCurrentOneFitsTheList)
{
    const std::vector<plat::DisplayMode> modes = plat::backend().displayModes(0);
    ASSERT_FALSE(modes.empty());
    plat::DisplayMode current;
    ASSERT_TRUE(plat::backend().currentDisplayMode(0, current));
    EXPECT_GT(current.width, 0);
    EXPECT_EQ(kestrel::monitorCount(), 1);
    EXPECT_STREQ(kestrel::monitorDeviceName(0).c_str(), "Monitor");
    EXPECT_EQ(kestrel::monitorRect(0).width, current.width);
    const kestrel::ScreenMode mode = kestrel::getScreenMode(0);
    EXPECT_NE(mode.resolution, -1);
    EXPECT_TRUE(kestrel::testScreenMode(kestrel::ScreenMode{}));
    if (current.width == 1280 && current.height == 1024) {
        EXPECT_TRUE(kestrel::testScreenMode(kestrel::ScreenMode{3, -1, -1}));
    }
    EXPECT_FALSE(kestrel::testScreenMode(kestrel::ScreenMode{4, -1, 4}));
}

}

namespace
{

TEST(WindowDisplay, AFullScreenWindowCoversTheDisplayInItsCurrentMode)
{
    kestrel::Window window;
    ASSERT_TRUE(window.setScreenMode(kestrel::ScreenMode{}));
    window.setWindowType(kestrel::Window::FullScreen);
    window.create();
    ASSERT_TRUE(window.isOpen()) << plat::backend().lastError();
    plat::DisplayMode current;
    ASSERT_TRUE(plat::backend().currentDisplayMode(0, current));
    kestrel::Event event;
    const double start = heron::getTime();
    while (window.getBounds().width != current.width && heron::getTime() - start < 5.0) {
        kestrel::getEvent(event, nullptr);
        kestrel::dispatch(event);
    }
    EXPECT_EQ(window.getBounds().width, current.width);
    EXPECT_EQ(window.getBounds().height, current.height);
    window.close();
    EXPECT_FALSE(kestrel::getEvent(event, nullptr));
    ASSERT_TRUE(plat::backend().currentDisplayMode(0, current));
    EXPECT_EQ(kestrel::monitorRect(0).width, current.width);
}

}
