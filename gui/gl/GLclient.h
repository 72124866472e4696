#pragma once

#include "platform/GLContext.h"

#include <cstdint>
#include <vector>

namespace kestrel
{

class ImageBody;
class Window;

// Anything that draws with OpenGL into a window or an image. The target's width and height give
// the drawable's size (a window passes a bare size record). Main thread only.
class GLclient
{
public:
    virtual ~GLclient() = default;
    // Called after every real change of the current context (default: nothing).
    virtual void loadExtensions() {}
    // Draws one frame into the current context (default: nothing).
    virtual void paintGL(ImageBody& target) {}

    // Makes (window, context) current. A real change resets the GL state, forgets the probes and
    // calls client.loadExtensions(); the pair already current does nothing. False on failure
    // (a null context leaves none current).
    static bool bind(plat::WindowId window, plat::GLContextHandle context, GLclient& client);

    // Viewport (0, 0, w, h), a pixel projection with pixel centres on integers, identity model-view.
    static void setPixelProjection(const ImageBody& target);
    // Perspective of fovDeg degrees vertically; aspect < 0 takes the target's width / height.
    static void setPerspective(const ImageBody& target, double fovDeg, double near, double far, double aspect);

    // Text in the standard GL font at (x, y) in pixels; colour packed 0xAABBGGRR. Returns the advance.
    static int drawText(const ImageBody& target, int x, int y, const char* text, std::uint32_t colour);
    // The same with one colour per character.
    static int drawTextRun(const ImageBody& target, int x, int y, const char* text, const std::uint32_t* colours);
};

// The rule that picks a pixel format: double-buffered GL window formats only, accelerated ones
// shut out the rest once taken, colour never worse, depth always deeper, and 16-bit colour never
// with more than 24 depth bits. Returns the chosen number, 0 when none qualifies.
int choosePixelFormat(const std::vector<plat::PixelFormat>& formats);
// Chooses the program's pixel format among those the display gives and hands it to SDL, once;
// returns its number, 0 when none fits.
int setProgramPixelFormat();
// The program's pixel format for a GL window; 0 when none fits or the window was not made for GL.
int setWindowPixelFormat(Window& window);
// Creates the shared context on the window when there is none yet.
void createRenderContext(Window& window, GLclient& client);
// Makes sure a context is current before GL objects are made: the shared one (on the probe
// window when no window has it), else one made on the first open GL window.
void ensureGLcontext();

// The one context every GL window binds; null before it is made.
plat::GLContextHandle sharedRenderContext();
void setSharedRenderContext(plat::GLContextHandle context);
// Makes the shared context current (on the probe window when no window has it); false when
// there is no shared context or it cannot be made current.
[[nodiscard]] bool makeSharedContextCurrent();
// Deletes the shared context and the probe window (at program exit).
void releaseSharedContext();

}
