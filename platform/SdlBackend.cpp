#include "platform/SdlBackend.h"

#include "base/Debug.h"
#include "base/threads/Thread.h"
#include "platform/DisplayConnection.h"
#include "platform/QuitSignalWatch.h"
#include "platform/Windows1252.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace plat
{

namespace
{

Uint32 windowFlags(const WindowSpec& request)
{
    switch (request.kind) {
    case WindowKind::Popup:
        return SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_ALWAYS_ON_TOP;
    case WindowKind::FullScreen:
        return SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    case WindowKind::Framed:
    default:
        return (request.resizable ? SDL_WINDOW_RESIZABLE : 0) | (request.maximised ? SDL_WINDOW_MAXIMIZED : 0);
    }
}

DisplayMode fromSdl(const SDL_DisplayMode& mode)
{
    return DisplayMode{mode.w, mode.h, static_cast<int>(SDL_BITSPERPIXEL(mode.format)), mode.refresh_rate};
}

// Switches a hidden full-screen window to the wanted mode, or to the desktop's when none is asked.
bool enterFullScreen(SDL_Window* window, const WindowSpec& request)
{
    if (request.mode.width <= 0 || request.mode.height <= 0) {
        return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    }
    const SDL_DisplayMode wanted = {0, request.mode.width, request.mode.height, request.mode.refreshRate, nullptr};
    SDL_DisplayMode closest;
    if (!SDL_GetClosestDisplayMode(request.display, &wanted, &closest)) {
        return false;
    }
    return SDL_SetWindowDisplayMode(window, &closest) == 0 && SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
}

// The desktop's program for opening documents and addresses. SDL starts it in the background and
// reports success even when it is not there, so openUrl looks for it first.
constexpr const char* urlOpener = "xdg-open";
// Where the C library looks for programs when PATH is not set.
constexpr const char* defaultPath = "/bin:/usr/bin";

bool isExecutableFile(const std::string& path)
{
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// True when an executable file of that name lies in a folder of PATH, searched as the C library
// does (an empty entry is the current folder).
bool onPath(const char* name)
{
    const char* const path = std::getenv("PATH");
    const std::string folders = path ? path : defaultPath;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = folders.find(':', start);
        const std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
        if (isExecutableFile((folder.empty() ? std::string(".") : folder) + "/" + name)) {
            return true;
        }
        if (end == std::string::npos) {
            return false;
        }
        start = end + 1;
    }
}

// SDL takes the icon's rows top row first.
void setIcon(SDL_Window* window, const PixelSource& icon)
{
    SDL_Surface* const surface = SDL_CreateRGBSurfaceWithFormat(0, icon.width, icon.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) {
        heron::debug("No window icon: %s\n", SDL_GetError());
        return;
    }
    for (int row = 0; row < icon.height; ++row) {
        std::memcpy(static_cast<Uint8*>(surface->pixels) + static_cast<std::size_t>(icon.height - 1 - row) * surface->pitch,
                    icon.pixels + static_cast<std::size_t>(row) * icon.width, static_cast<std::size_t>(icon.width) * 4);
    }
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}

// The window an SDL mouse or window event is for; 0 for other events.
Uint32 mouseOrWindowEventWindow(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_WINDOWEVENT:
        // Focus changes tell whether the program is still active, whichever window they name.
        return event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || event.window.event == SDL_WINDOWEVENT_FOCUS_LOST
                   ? 0
                   : event.window.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    default:
        return 0;
    }
}

// SDL reports the mouse leaving a window as it destroys it, after the window is gone for us: such
// events would reach no window. Keyboard events stay, for the key state that spans events.
int keepUnlessMouseOrWindowEventOf(void* gone, SDL_Event* event)
{
    return mouseOrWindowEventWindow(*event) == *static_cast<const WindowId*>(gone) ? 0 : 1;
}

}

SdlBackend::SdlBackend()
    : translator([this](WindowId window) {
          Box bounds;
          clientBounds(window, bounds);
          return bounds.height;
      })
{
}

SdlBackend::~SdlBackend()
{
    for (const auto& entry : windows) {
        SDL_DestroyWindow(entry.second);
    }
    if (videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool SdlBackend::startVideo()
{
    if (videoStarted || videoFailed) {
        return videoStarted;
    }
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // 2-D windows present through the desktop's own framebuffer, not a GL renderer of their own.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Closing the last window is the toolkit's business; a quit then comes only from the session
    // or a signal.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (!startDisplayVideo()) {
        videoFailed = true;
        error = SDL_GetError();
        return false;
    }
    // No window of ours accepts dropped files or text; SDL would hand each one over as a string to free.
    for (const Uint32 drop : {SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPBEGIN, SDL_DROPCOMPLETE}) {
        SDL_EventState(drop, SDL_DISABLE);
    }
    videoStarted = true;
    return true;
}

SDL_Window* SdlBackend::find(WindowId window) const
{
    const auto found = windows.find(window);
    return found == windows.end() ? nullptr : found->second;
}

void SdlBackend::pump()
{
    if (!videoStarted) {
        return;
    }
    std::vector<InputEvent> out;
    // Held before the first event that polling takes in; each event then carries what was held as
    // it happened.
    InputState held = inputState();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        held = heldAfter(event, held);
        translator.translate(event, held, out);
    }
    SDL_Window* focused = SDL_GetKeyboardFocus();
    const WindowId focusedId = focused ? SDL_GetWindowID(focused) : 0;
    // A popup that held the keyboard handed it back to its owner: until the desktop has moved it
    // there, the keyboard stays with the program rather than with nobody.
    if (focusedId != 0 || !find(keyboardHeir)) {
        keyboardHeir = 0;
    }
    translator.endBatch(focusedId != 0 ? focusedId : keyboardHeir, out);
    pending.insert(pending.end(), out.begin(), out.end());
}

bool SdlBackend::pollInput(InputEvent& event)
{
    if (pending.empty()) {
        pump();
    }
    if (pending.empty()) {
        return false;
    }
    event = pending.front();
    pending.pop_front();
    return true;
}

InputState SdlBackend::inputState()
{
    if (!videoStarted) {
        return InputState();
    }
    return heldState(SDL_GetMouseState(nullptr, nullptr), static_cast<Uint16>(SDL_GetModState()));
}

WindowId SdlBackend::windowUnderMouse()
{
    if (!videoStarted) {
        return 0;
    }
    SDL_Window* window = SDL_GetMouseFocus();
    return window ? SDL_GetWindowID(window) : 0;
}

WindowId SdlBackend::createWindow(const WindowSpec& request)
{
    if (!startVideo()) {
        return 0;
    }
    // A popup must not take the focus from the window it belongs to.
    SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, request.kind == WindowKind::Popup ? "1" : "0");
    SDL_Window* window = SDL_CreateWindow(windows1252ToUtf8(request.title).c_str(), request.client.x, request.client.y,
                                          std::max(1, request.client.width), std::max(1, request.client.height),
                                          windowFlags(request) | (request.opengl ? SDL_WINDOW_OPENGL : 0));
    if (!window) {
        error = SDL_GetError();
        return 0;
    }
    if (request.kind == WindowKind::FullScreen) {
        if (!enterFullScreen(window, request)) {
            error = SDL_GetError();
            SDL_DestroyWindow(window);
            return 0;
        }
        SDL_ShowWindow(window);
    }
    if (request.icon.pixels) {
        setIcon(window, request.icon);
    }
    const WindowId id = SDL_GetWindowID(window);
    windows[id] = window;
    if (request.owner != 0) {
        owners[id] = request.owner;
    }
    return id;
}

// Without a window manager a window shown takes the keyboard, popups included, and the keyboard
// goes to nobody when it closes: the program would count as left, and with no window manager to
// move the keyboard, it would stay so. A window holding the keyboard gives it to its heir. So does
// one whose heir still seems to hold it: the desktop may have moved the keyboard to the window
// going without our having heard of it yet.
void SdlBackend::destroyWindow(WindowId id)
{
    SDL_Window* window = find(id);
    if (!window) {
        return;
    }
    SDL_Window* const focus = SDL_GetKeyboardFocus();
    SDL_DestroyWindow(window);
    windows.erase(id);
    dropEventsOf(id);
    const WindowId heir = keyboardHeirOf(id);
    owners.erase(id);
    if (heir != 0 && focus && (focus == window || focus == find(heir))) {
        handKeyboardTo(heir);
    }
}

WindowId SdlBackend::keyboardHeirOf(WindowId id) const
{
    const auto owner = owners.find(id);
    if (owner != owners.end()) {
        return owner->second;
    }
    // Window numbers grow as windows are made: the newest comes first.
    for (auto other = windows.rbegin(); other != windows.rend(); ++other) {
        const bool shown = (SDL_GetWindowFlags(other->second) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0;
        if (shown && owners.count(other->first) == 0) {
            return other->first;
        }
    }
    return 0;
}

void SdlBackend::dropEventsOf(WindowId id)
{
    WindowId gone = id;
    SDL_FilterEvents(&keepUnlessMouseOrWindowEventOf, &gone);
    std::erase_if(pending, [id](const InputEvent& event) {
        return event.window == id && event.kind != InputKind::Activated && event.kind != InputKind::Deactivated;
    });
}

void SdlBackend::handKeyboardTo(WindowId heir)
{
    SDL_Window* window = find(heir);
    if (window && SDL_SetWindowInputFocus(window) == 0) {
        keyboardHeir = heir;
    }
}

void SdlBackend::restoreDisplayMode(WindowId id)
{
    SDL_Window* window = find(id);
    if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) {
        SDL_SetWindowFullscreen(window, 0);
    }
}

void SdlBackend::setTitle(WindowId id, const std::string& title)
{
    if (SDL_Window* window = find(id)) {
        SDL_SetWindowTitle(window, windows1252ToUtf8(title).c_str());
    }
}

void SdlBackend::setMinimumSize(WindowId id, int width, int height)
{
    if (SDL_Window* window = find(id)) {
        SDL_SetWindowMinimumSize(window, std::max(1, width), std::max(1, height));
    }
}

bool SdlBackend::clientBounds(WindowId id, Box& bounds)
{
    SDL_Window* window = find(id);
    if (!window) {
        return false;
    }
    SDL_GetWindowPosition(window, &bounds.x, &bounds.y);
    SDL_GetWindowSize(window, &bounds.width, &bounds.height);
    return true;
}

bool SdlBackend::present(WindowId id, const PixelSource& frame, int x, int y)
{
    SDL_Window* window = find(id);
    if (!window || !frame.pixels) {
        return false;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (!surface) {
        error = SDL_GetError();
        return false;
    }
    const int left = std::max(0, x);
    const int bottom = std::max(0, y);
    const int right = std::min(x + frame.width, surface->w);
    const int top = std::min(y + frame.height, surface->h);
    if (right <= left || top <= bottom) {
        return true;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        error = SDL_GetError();
        return false;
    }
    // The frame's rows run bottom-up, the surface's top-down.
    for (int row = bottom; row < top; ++row) {
        const std::uint32_t* source = frame.pixels + static_cast<std::size_t>(row - y) * frame.width + (left - x);
        Uint8* target = static_cast<Uint8*>(surface->pixels) + static_cast<std::size_t>(surface->h - 1 - row) * surface->pitch
                        + static_cast<std::size_t>(left) * surface->format->BytesPerPixel;
        SDL_ConvertPixels(right - left, 1, SDL_PIXELFORMAT_ARGB8888, source, (right - left) * 4,
                          surface->format->format, target, surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    const SDL_Rect changed = {left, surface->h - top, right - left, top - bottom};
    return SDL_UpdateWindowSurfaceRects(window, &changed, 1) == 0;
}

bool SdlBackend::showsCursors()
{
    return videoStarted;
}

void SdlBackend::captureMouse(WindowId id, bool capture)
{
    SDL_Window* window = find(id);
    if (!window) {
        return;
    }
    if (capture) {
        SDL_SetWindowInputFocus(window);
    }
    SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

void SdlBackend::grabMouse(WindowId id, bool grab)
{
    if (SDL_Window* window = find(id)) {
        SDL_SetWindowGrab(window, grab ? SDL_TRUE : SDL_FALSE);
    }
}

int SdlBackend::displayCount()
{
    if (!startVideo()) {
        return 0;
    }
    return std::max(0, SDL_GetNumVideoDisplays());
}

bool SdlBackend::displayBounds(int display, Box& bounds)
{
    SDL_Rect rect;
    if (!startVideo() || SDL_GetDisplayBounds(display, &rect) != 0) {
        return false;
    }
    bounds = Box{rect.x, rect.y, rect.w, rect.h};
    return true;
}

std::string SdlBackend::displayName(int display)
{
    const char* name = startVideo() ? SDL_GetDisplayName(display) : nullptr;
    return name ? utf8ToWindows1252(name) : std::string();
}

std::vector<DisplayMode> SdlBackend::displayModes(int display)
{
    std::vector<DisplayMode> modes;
    if (!startVideo()) {
        return modes;
    }
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) == 0) {
            modes.push_back(fromSdl(mode));
        }
    }
    return modes;
}

bool SdlBackend::currentDisplayMode(int display, DisplayMode& mode)
{
    SDL_DisplayMode current;
    if (!startVideo() || SDL_GetCurrentDisplayMode(display, &current) != 0) {
        return false;
    }
    mode = fromSdl(current);
    return true;
}

// SDL shows the box in a process of its own and waits for it; a quit signal meanwhile ends that
// process, and the quit request it leaves behind then ends the program as it does elsewhere.
bool SdlBackend::showMessageBox(const std::string& caption, const std::string& text)
{
    const QuitSignalWatch watch;
    const bool shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, windows1252ToUtf8(caption).c_str(),
                                                windows1252ToUtf8(text).c_str(), nullptr) == 0;
    if (watch.quitCame()) {
        heron::debug("Asked to quit: the message box \"%s %s\" was closed\n", caption.c_str(), text.c_str());
        return true;
    }
    return shown;
}

bool SdlBackend::openUrl(const std::string& target)
{
    if (!onPath(urlOpener)) {
        heron::debug("No program to open documents and links: %s is not on the PATH\n", urlOpener);
        return false;
    }
    return SDL_OpenURL(target.c_str()) == 0;
}

double SdlBackend::now()
{
    return heron::getTime();
}

void SdlBackend::sleepMs(int milliseconds)
{
    heron::sleepMs(static_cast<unsigned>(std::max(0, milliseconds)));
}

std::string SdlBackend::lastError()
{
    return error;
}

}
