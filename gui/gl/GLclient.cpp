#include "gui/gl/GLclient.h"

#include "base/Debug.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/GLwindow.h"
#include "gui/paint/Image.h"
#include "gui/gl/glFont.h"
#include "platform/GLFunctions.h"

#include <cmath>

namespace kestrel
{

namespace
{

plat::GLContextHandle sharedContext = nullptr;
int programFormat = 0;
bool formatsLogged = false;

void logFormats(const std::vector<plat::PixelFormat>& formats, int chosen)
{
    for (const plat::PixelFormat& f : formats) {
        const unsigned flags = (f.supportsOpenGL ? 0x20u : 0u) | (f.drawToWindow ? 0x4u : 0u) | (f.doubleBuffer ? 0x1u : 0u) |
                               (f.accelerated ? 0u : 0x40u);
        heron::debug("%cmode=%d  double=%d  color=%d  depth=%d  alpha=%d  stencil=%d  hard=%d flags=0x%x\n",
                     f.number == chosen ? '*' : ' ', f.number, f.doubleBuffer ? 1 : 0, f.colourBits, f.depthBits,
                     f.alphaBits, f.stencilBits, f.accelerated ? 1 : 0, flags);
    }
}

bool qualifies(const plat::PixelFormat& f, int bestColour, int bestDepth, bool bestGeneric)
{
    if (!f.supportsOpenGL || !f.drawToWindow || !f.doubleBuffer) {
        return false;
    }
    if (!f.accelerated && !bestGeneric) {
        return false;
    }
    return f.colourBits >= bestColour && f.depthBits > bestDepth && (f.colourBits > 16 || f.depthBits < 25);
}

}

bool GLclient::bind(plat::WindowId window, plat::GLContextHandle context, GLclient& client)
{
    glLogging = true;
    if (!context) {
        heron::debug("doBind() - no RC!\n");
        plat::makeGLCurrent(0, nullptr);
        heron::debug("doBind() failed!\n");
        return false;
    }
    if (plat::currentGLContext() == context && plat::currentGLWindow() == window) {
        return true;
    }
    heron::debug("Binding the render context...\n");
    if (!plat::makeGLCurrent(window, context)) {
        heron::debug("wglMakeCurrent() failed!\n");
        heron::debug("doBind() failed!\n");
        return false;
    }
    heron::debug("Render context bound ok...\n");
    // The probes are forgotten before the state is reset: the reset selects texture units, which
    // must go through entry points resolved in the context just bound.
    resetGLProbes();
    resetGLState();
    heron::debug("Loading OpenGL extensions...\n");
    client.loadExtensions();
    heron::debug("Extensions loaded...\n");
    return true;
}

void GLclient::setPixelProjection(const ImageBody& target)
{
    plat::GLFunctions& g = plat::gl();
    const int w = target.width();
    const int h = target.height();
    g.Viewport(0, 0, w, h);
    g.MatrixMode(GL_PROJECTION);
    g.LoadIdentity();
    g.Ortho(-0.375, w - 0.375, -0.375, h - 0.375, -1.0, 1.0);
    g.MatrixMode(GL_MODELVIEW);
    g.LoadIdentity();
}

void GLclient::setPerspective(const ImageBody& target, double fovDeg, double near, double far, double aspect)
{
    const double top = near * std::tan(fovDeg * M_PI / 180.0 / 2.0);
    if (aspect < 0.0) {
        aspect = target.height() > 0 ? static_cast<double>(target.width()) / target.height() : 1.0;
    }
    const float side = static_cast<float>(top * aspect);
    const float up = static_cast<float>(top);
    plat::GLFunctions& g = plat::gl();
    g.MatrixMode(GL_PROJECTION);
    g.LoadIdentity();
    g.Frustum(-side, side, -up, up, near, far);
    g.MatrixMode(GL_MODELVIEW);
    loadIdentity();
}

int GLclient::drawText(const ImageBody& target, int x, int y, const char* text, std::uint32_t colour)
{
    return glFont::standard().drawText(target, x, y, text, colour);
}

int GLclient::drawTextRun(const ImageBody& target, int x, int y, const char* text, const std::uint32_t* colours)
{
    return glFont::standard().drawTextColoured(target, x, y, text, colours);
}

int choosePixelFormat(const std::vector<plat::PixelFormat>& formats)
{
    int bestColour = 0;
    int bestDepth = 0;
    bool bestGeneric = true;
    int chosen = 0;
    for (const plat::PixelFormat& f : formats) {
        if (!qualifies(f, bestColour, bestDepth, bestGeneric)) {
            continue;
        }
        bestColour = f.colourBits;
        bestDepth = f.depthBits;
        bestGeneric = !f.accelerated;
        chosen = f.number;
    }
    return chosen;
}

int setProgramPixelFormat()
{
    if (programFormat != 0) {
        return programFormat;
    }
    heron::debug("Calling ChoosePixelFormat()\n");
    const std::vector<plat::PixelFormat> formats = plat::glPixelFormats();
    const int chosen = choosePixelFormat(formats);
    if (!formatsLogged) {
        formatsLogged = true;
        logFormats(formats, chosen);
    }
    heron::debug("Pixel format %d chosen...\n", chosen);
    heron::debug("Setting the pixel format...\n");
    for (const plat::PixelFormat& f : formats) {
        if (f.number == chosen) {
            plat::applyPixelFormat(f);
            programFormat = chosen;
        }
    }
    heron::debug(programFormat != 0 ? "SetPixelFormat() returned Ok\n" : "SetPixelFormat() failed!\n");
    return programFormat;
}

int setWindowPixelFormat(Window& window)
{
    if (!plat::isGLWindow(window.nativeHandle())) {
        heron::debug("SetPixelFormat() failed!\n");
        return 0;
    }
    // A GL window is made with the program's format, which is chosen before the first one.
    return setProgramPixelFormat();
}

void createRenderContext(Window& window, GLclient& client)
{
    if (sharedContext) {
        return;
    }
    heron::debug("Creating the window render context...\n");
    const plat::WindowId handle = window.nativeHandle();
    if (handle == 0) {
        heron::debug("dc was NULL in makeWindowRC()!\n");
        return;
    }
    if (setWindowPixelFormat(window) == 0) {
        heron::debug("Failed to find a suitable pixel format for device %x\n", handle);
        return;
    }
    heron::debug("Creating a render context for windows...\n");
    const plat::GLContextHandle context = plat::createGLContext(handle);
    if (!context) {
        return;
    }
    heron::debug("Render context created OK....\n");
    heron::debug("Calling wglMakeCurrent()....\n");
    plat::makeGLCurrent(0, nullptr);
    if (!plat::loadGLFunctions() || !GLclient::bind(handle, context, client)) {
        heron::debug("wglMakeCurrent() failed\n");
        plat::deleteGLContext(context);
        return;
    }
    sharedContext = context;
    heron::debug("wglMakeCurrent() returned OK\n");
}

void ensureGLcontext()
{
    if (plat::currentGLContext() && plat::currentGLWindow() != 0) {
        return;
    }
    // The shared context exists but nothing is current (after off-screen rendering, or before the
    // first paint): GL objects made now would be made in no context, so make it current.
    if (sharedContext) {
        // Unchecked on purpose: when it fails no context is current and the GL calls that follow do nothing.
        static_cast<void>(makeSharedContextCurrent());
        return;
    }
    bool found = false;
    forEachWindow([&found](Window& window) {
        GLwindow* const glWindow = dynamic_cast<GLwindow*>(&window);
        if (!glWindow || found || !window.isOpen()) {
            return false;
        }
        found = true;
        GLclient plain;
        setWindowPixelFormat(window);
        createRenderContext(window, plain);
        return false;
    });
    if (!found) {
        heron::debug("Couldn't find an OpenGL window...\n");
    }
}

plat::GLContextHandle sharedRenderContext()
{
    return sharedContext;
}

void setSharedRenderContext(plat::GLContextHandle context)
{
    sharedContext = context;
}

bool makeSharedContextCurrent()
{
    if (!sharedContext) {
        return false;
    }
    if (plat::currentGLContext() == sharedContext) {
        return true;
    }
    return plat::makeGLCurrent(probeWindow(), sharedContext);
}

void releaseSharedContext()
{
    if (!sharedContext) {
        return;
    }
    plat::makeGLCurrent(0, nullptr);
    plat::deleteGLContext(sharedContext);
    sharedContext = nullptr;
    // The video subsystem stays up: SDL would unload the X libraries, whose cached allocations
    // then look like leaks of no known module.
    plat::destroyHiddenGLWindow(probeWindow());
}

}
