#pragma once

#include "gui/gl/FrameRateMeter.h"
#include "gui/gl/GLclient.h"
#include "gui/toolkit/Window.h"

#include <memory>

namespace kestrel
{

// A toolkit window painted with OpenGL: painting binds the shared context to it, calls the GL
// client part's paintGL and swaps the buffers. Main thread only.
class GLwindow : public Window, public GLclient
{
public:
    // Makes sure the driver was probed (the pixel format must be known before the window is
    // made); with a parent it becomes a subwindow at (10, 10, 100, 100) and is created at once.
    explicit GLwindow(Window* parent = nullptr);
    ~GLwindow() override;

    // Makes the shared context current on this window (creating it when missing); false when the
    // window is not open or the context cannot be bound.
    bool bindGL(GLclient& client);
    // Paints one frame through paintGL and presents it; nothing for a closed window or a size
    // outside 1..9999.
    void swapBuffers();
    void presentFrame() override { swapBuffers(); }

    void resetFrameRateMeter();
    void stopFrameRateMeter();
    // Samples the meter and, once it has a rate, draws "%.1f frames/sec." in white at (x, y).
    void drawFrameRate(const ImageBody& target, int x, int y);

private:
    std::unique_ptr<FrameRateMeter> m_meter;
};

}
