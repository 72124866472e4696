#pragma once

#include "platform/Backend.h"

#include <string>
#include <vector>

// Installed over the backend in force while it lives: every call goes on to that backend, except
// that message boxes are recorded instead of shown (a modal box would wait for a click), and the
// titles windows are given are recorded too.
class RecordingBackend : public plat::Backend
{
public:
    struct Box
    {
        std::string caption;
        std::string text;
    };

    RecordingBackend() : m_inner(plat::backend()) { plat::setBackend(this); }
    // The backend in force before comes back.
    ~RecordingBackend() override { plat::setBackend(&m_inner); }
    RecordingBackend(const RecordingBackend&) = delete;
    RecordingBackend& operator=(const RecordingBackend&) = delete;

    bool showMessageBox(const std::string& caption, const std::string& text) override
    {
        boxes.push_back(Box{caption, text});
        return true;
    }
    plat::WindowId createWindow(const plat::WindowSpec& request) override
    {
        titles.push_back(request.title);
        return m_inner.createWindow(request);
    }
    void setTitle(plat::WindowId window, const std::string& title) override
    {
        titles.push_back(title);
        m_inner.setTitle(window, title);
    }

    bool pollInput(plat::InputEvent& event) override { return m_inner.pollInput(event); }
    plat::InputState inputState() override { return m_inner.inputState(); }
    plat::WindowId windowUnderMouse() override { return m_inner.windowUnderMouse(); }
    void destroyWindow(plat::WindowId window) override { m_inner.destroyWindow(window); }
    void restoreDisplayMode(plat::WindowId window) override { m_inner.restoreDisplayMode(window); }
    void setMinimumSize(plat::WindowId window, int width, int height) override
    {
        m_inner.setMinimumSize(window, width, height);
    }
    bool clientBounds(plat::WindowId window, plat::Box& bounds) override { return m_inner.clientBounds(window, bounds); }
    bool present(plat::WindowId window, const plat::PixelSource& frame, int x, int y) override
    {
        return m_inner.present(window, frame, x, y);
    }
    bool showsCursors() override { return m_inner.showsCursors(); }
    void captureMouse(plat::WindowId window, bool capture) override { m_inner.captureMouse(window, capture); }
    void grabMouse(plat::WindowId window, bool grab) override { m_inner.grabMouse(window, grab); }
    int displayCount() override { return m_inner.displayCount(); }
    bool displayBounds(int display, plat::Box& bounds) override { return m_inner.displayBounds(display, bounds); }
    std::string displayName(int display) override { return m_inner.displayName(display); }
    std::vector<plat::DisplayMode> displayModes(int display) override { return m_inner.displayModes(display); }
    bool currentDisplayMode(int display, plat::DisplayMode& mode) override
    {
        return m_inner.currentDisplayMode(display, mode);
    }
    bool openUrl(const std::string& target) override { return m_inner.openUrl(target); }
    double now() override { return m_inner.now(); }
    void sleepMs(int milliseconds) override { m_inner.sleepMs(milliseconds); }
    std::string lastError() override { return m_inner.lastError(); }

    std::vector<Box> boxes;
    std::vector<std::string> titles;

private:
    plat::Backend& m_inner;
};
