#pragma once

#include "platform/Backend.h"
#include "platform/EventTranslator.h"

#include <deque>
#include <map>

struct SDL_Window;

namespace plat
{

// The desktop through SDL2's video subsystem, started on first use.
class SdlBackend : public Backend
{
public:
    SdlBackend();
    ~SdlBackend() override;

    bool pollInput(InputEvent& event) override;
    InputState inputState() override;
    WindowId windowUnderMouse() override;

    [[nodiscard]] WindowId createWindow(const WindowSpec& request) override;
    void destroyWindow(WindowId window) override;
    void restoreDisplayMode(WindowId window) override;
    void setTitle(WindowId window, const std::string& title) override;
    void setMinimumSize(WindowId window, int width, int height) override;
    bool clientBounds(WindowId window, Box& bounds) override;
    bool present(WindowId window, const PixelSource& frame, int x, int y) override;
    bool showsCursors() override;
    void captureMouse(WindowId window, bool capture) override;
    void grabMouse(WindowId window, bool grab) override;

    int displayCount() override;
    bool displayBounds(int display, Box& bounds) override;
    std::string displayName(int display) override;
    std::vector<DisplayMode> displayModes(int display) override;
    bool currentDisplayMode(int display, DisplayMode& mode) override;

    bool showMessageBox(const std::string& caption, const std::string& text) override;
    [[nodiscard]] bool openUrl(const std::string& target) override;

    double now() override;
    void sleepMs(int milliseconds) override;

    std::string lastError() override;

private:
    [[nodiscard]] bool startVideo();
    SDL_Window* find(WindowId window) const;
    void pump();
    // Gives the keyboard to the window, which counts as holding it until the desktop says so.
    void handKeyboardTo(WindowId heir);
    // The window that takes the keyboard when this one goes while holding it: a popup's owner,
    // else the newest of the other shown windows that is no popup; 0 for none.
    WindowId keyboardHeirOf(WindowId window) const;
    // Drops the waiting events of a destroyed window, but for the changes of focus.
    void dropEventsOf(WindowId window);

    bool videoStarted = false;
    bool videoFailed = false;
    std::string error;
    std::map<WindowId, SDL_Window*> windows;
    std::map<WindowId, WindowId> owners;        // popup -> the window it belongs to
    WindowId keyboardHeir = 0;                  // handed the keyboard, not yet given it by the desktop
    std::deque<InputEvent> pending;
    EventTranslator translator;
};

}
