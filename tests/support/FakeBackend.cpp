#include "support/FakeBackend.h"

#include <algorithm>

namespace plat
{

void FakeBackend::push(const InputEvent& event)
{
    input.push_back(event);
}

void FakeBackend::advance(double seconds)
{
    clock += seconds;
}

bool FakeBackend::pollInput(InputEvent& event)
{
    if (input.empty()) {
        return false;
    }
    event = input.front();
    input.pop_front();
    return true;
}

InputState FakeBackend::inputState()
{
    return state;
}

WindowId FakeBackend::windowUnderMouse()
{
    return mouseWindow;
}

WindowId FakeBackend::createWindow(const WindowSpec& request)
{
    if (failCreation) {
        return 0;
    }
    Window window;
    window.request = request;
    window.width = request.kind == WindowKind::FullScreen && request.mode.width > 0 ? request.mode.width : request.client.width;
    window.height = request.kind == WindowKind::FullScreen && request.mode.height > 0 ? request.mode.height : request.client.height;
    window.screen.assign(static_cast<std::size_t>(std::max(0, window.width)) * std::max(0, window.height), 0);
    const WindowId id = nextId++;
    windows[id] = window;
    return id;
}

void FakeBackend::destroyWindow(WindowId window)
{
    if (windows.erase(window) > 0) {
        destroyed.push_back(window);
    }
}

void FakeBackend::restoreDisplayMode(WindowId window)
{
    restored.push_back(window);
}

void FakeBackend::setTitle(WindowId window, const std::string& title)
{
    const auto found = windows.find(window);
    if (found != windows.end()) {
        found->second.request.title = title;
    }
}

void FakeBackend::setMinimumSize(WindowId window, int width, int height)
{
    const auto found = windows.find(window);
    if (found != windows.end()) {
        found->second.minimumWidth = width;
        found->second.minimumHeight = height;
    }
}

bool FakeBackend::clientBounds(WindowId window, Box& bounds)
{
    const auto found = windows.find(window);
    if (found == windows.end()) {
        return false;
    }
    bounds = Box{found->second.request.client.x, found->second.request.client.y, found->second.width, found->second.height};
    return true;
}

bool FakeBackend::present(WindowId id, const PixelSource& frame, int x, int y)
{
    const auto found = windows.find(id);
    if (found == windows.end() || !frame.pixels) {
        return false;
    }
    Window& window = found->second;
    presents.push_back(Present{id, Box{x, y, frame.width, frame.height}});
    const int right = std::min(x + frame.width, window.width);
    const int top = std::min(y + frame.height, window.height);
    for (int row = std::max(0, y); row < top; ++row) {
        for (int column = std::max(0, x); column < right; ++column) {
            window.screen[static_cast<std::size_t>(row) * window.width + column] =
                frame.pixels[static_cast<std::size_t>(row - y) * frame.width + (column - x)];
        }
    }
    return true;
}

bool FakeBackend::showsCursors()
{
    return false;
}

void FakeBackend::captureMouse(WindowId window, bool capture)
{
    captured = capture ? window : 0;
}

int FakeBackend::displayCount()
{
    return 1;
}

bool FakeBackend::displayBounds(int display, Box& bounds)
{
    if (display != 0) {
        return false;
    }
    bounds = screen;
    return true;
}

std::string FakeBackend::displayName(int display)
{
    return display == 0 ? "Fake display" : "";
}

std::vector<DisplayMode> FakeBackend::displayModes(int display)
{
    return display == 0 ? modes : std::vector<DisplayMode>();
}

bool FakeBackend::currentDisplayMode(int display, DisplayMode& mode)
{
    if (display != 0) {
        return false;
    }
    mode = current;
    return true;
}

bool FakeBackend::showMessageBox(const std::string& caption, const std::string& text)
{
    messageBoxes.push_back(MessageBox{caption, text});
    return messageBoxesShown;
}

bool FakeBackend::openUrl(const std::string& target)
{
    openedUrls.push_back(target);
    return true;
}

double FakeBackend::now()
{
    return clock;
}

void FakeBackend::sleepMs(int milliseconds)
{
    ++sleeps;
    clock += milliseconds * 0.001;
}

std::string FakeBackend::lastError()
{
    return failCreation ? "window creation refused" : "";
}

std::uint32_t FakeBackend::pixelAt(WindowId id, int x, int y) const
{
    const auto found = windows.find(id);
    if (found == windows.end()) {
        return 0;
    }
    const Window& window = found->second;
    if (x < 0 || y < 0 || x >= window.width || y >= window.height) {
        return 0;
    }
    return window.screen[static_cast<std::size_t>(y) * window.width + x];
}

}
