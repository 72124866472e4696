#include "support/FakeBackend.h"

#include <algorithm>

namespace plat
{

bool FakeBackend::pollInput(InputEvent& event)
{
    if (input.empty()) {
        return false;
    }
    event = input.front();
    input.pop_front();
    return true;
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

FakeBackend::Window* FakeBackend::find(WindowId window)
{
    const auto found = windows.find(window);
    return found == windows.end() ? nullptr : &found->second;
}

void FakeBackend::setTitle(WindowId window, const std::string& title)
{
    if (Window* found = find(window)) {
        found->request.title = title;
    }
}

void FakeBackend::setMinimumSize(WindowId window, int width, int height)
{
    if (Window* found = find(window)) {
        found->minimumWidth = width;
        found->minimumHeight = height;
    }
}

bool FakeBackend::clientBounds(WindowId window, Box& bounds)
{
    const Window* found = find(window);
    if (found == nullptr) {
        return false;
    }
    bounds = Box{found->request.client.x, found->request.client.y, found->width, found->height};
    return true;
}

bool FakeBackend::present(WindowId id, const PixelSource& frame, int x, int y)
{
    Window* window = find(id);
    if (window == nullptr || !frame.pixels) {
        return false;
    }
    presents.push_back(Present{id, Box{x, y, frame.width, frame.height}});
    const int right = std::min(x + frame.width, window->width);
    const int top = std::min(y + frame.height, window->height);
    for (int row = std::max(0, y); row < top; ++row) {
        for (int column = std::max(0, x); column < right; ++column) {
            window->screen[static_cast<std::size_t>(row) * window->width + column] =
                frame.pixels[static_cast<std::size_t>(row - y) * frame.width + (column - x)];
        }
    }
    return true;
}

bool FakeBackend::displayBounds(int display, Box& bounds)
{
    if (display != 0) {
        return false;
    }
    bounds = screen;
    return true;
}

bool FakeBackend::currentDisplayMode(int display, DisplayMode& mode)
{
    if (display != 0) {
        return false;
    }
    mode = current;
    return true;
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
