#pragma once

#include "platform/Backend.h"

#include <deque>
#include <map>

namespace plat
{

// A desktop for headless tests: input is scripted, presented frames and message boxes are
// recorded, and the clock moves only when told to (or when something sleeps).
class FakeBackend : public Backend
{
public:
    struct Window
    {
        WindowSpec request;
        int width = 0;
        int height = 0;
        int minimumWidth = 0;
        int minimumHeight = 0;
        std::vector<std::uint32_t> screen;      // what has been presented, bottom row first
    };

    struct Present
    {
        WindowId window = 0;
        Box area;
    };

    struct MessageBox
    {
        std::string caption;
        std::string text;
    };

    // Queues an input event for pollInput.
    void push(const InputEvent& event) { input.push_back(event); }
    void advance(double seconds) { clock += seconds; }

    bool pollInput(InputEvent& event) override;
    InputState inputState() override { return state; }
    WindowId windowUnderMouse() override { return mouseWindow; }

    WindowId createWindow(const WindowSpec& request) override;
    void destroyWindow(WindowId window) override;
    void restoreDisplayMode(WindowId window) override { restored.push_back(window); }
    void setTitle(WindowId window, const std::string& title) override;
    void setMinimumSize(WindowId window, int width, int height) override;
    bool clientBounds(WindowId window, Box& bounds) override;
    bool present(WindowId window, const PixelSource& frame, int x, int y) override;
    bool showsCursors() override { return false; }
    void captureMouse(WindowId window, bool capture) override { captured = capture ? window : 0; }
    void grabMouse(WindowId window, bool grab) override { grabbed = grab ? window : 0; }

    int displayCount() override { return 1; }
    bool displayBounds(int display, Box& bounds) override;
    std::string displayName(int display) override { return display == 0 ? "Fake display" : ""; }
    std::vector<DisplayMode> displayModes(int display) override { return display == 0 ? modes : std::vector<DisplayMode>(); }
    bool currentDisplayMode(int display, DisplayMode& mode) override;

    bool showMessageBox(const std::string& caption, const std::string& text) override
    {
        messageBoxes.push_back(MessageBox{caption, text});
        return messageBoxesShown;
    }
    bool openUrl(const std::string& target) override
    {
        openedUrls.push_back(target);
        return true;
    }

    double now() override { return clock; }
    void sleepMs(int milliseconds) override
    {
        ++sleeps;
        clock += milliseconds * 0.001;
    }

    std::string lastError() override { return failCreation ? "window creation refused" : ""; }

    // The pixel a window shows at (x, y), bottom-left origin; 0 outside.
    std::uint32_t pixelAt(WindowId window, int x, int y) const;

    // Scripted state, read by the toolkit through the interface above.
    InputState state;
    WindowId mouseWindow = 0;
    WindowId captured = 0;
    WindowId grabbed = 0;
    bool failCreation = false;
    bool messageBoxesShown = true;      // false: behave as if no display were there
    DisplayMode current = {1024, 768, 32, 60};
    std::vector<DisplayMode> modes = {{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}};
    Box screen = {0, 0, 1024, 768};

    // Records.
    std::map<WindowId, Window> windows;
    std::vector<WindowId> destroyed;
    std::vector<WindowId> restored;
    std::vector<Present> presents;
    std::vector<MessageBox> messageBoxes;
    std::vector<std::string> openedUrls;
    int sleeps = 0;

private:
    // The window with the id; null when there is none.
    Window* find(WindowId window);

    std::deque<InputEvent> input;
    double clock = 0.0;
    WindowId nextId = 1;
};

}
