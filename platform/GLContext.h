#pragma once

#include "platform/Backend.h"

#include <string>
#include <vector>

// OpenGL contexts over SDL2: pixel formats as GL attributes, hidden probe windows, one context
// shared by every GL window (compatibility profile, never core), making it current, swapping.
// Windows are named by the backend's window ids. Main thread only.
namespace plat
{

using GLContextHandle = void*;      // null means none

// A set of framebuffer attributes. As a request it is handed to SDL before GL windows are made;
// as a description it holds what the driver gave.
struct PixelFormat
{
    int number = 0;                 // 1-based position in the candidate list; 0 none
    bool doubleBuffer = true;
    bool supportsOpenGL = true;
    bool drawToWindow = true;
    bool accelerated = true;        // Mesa's software renderer counts as accelerated
    int colourBits = 24;            // red + green + blue
    int alphaBits = 8;
    int depthBits = 24;
    int stencilBits = 8;
};

// Starts SDL's video and loads the GL library, both kept until the process ends. False without a
// display or GL library.
[[nodiscard]] bool startGLVideo();

// The formats to choose from: each candidate request that the display can give, described as
// given, numbered by its place in the request list. Makes and drops one hidden window per request.
std::vector<PixelFormat> glPixelFormats();
// Hands the request to SDL, so GL windows made from now on get this format.
void applyPixelFormat(const PixelFormat& format);

// A hidden width x height GL window; 0 on failure (glLastError() says why).
[[nodiscard]] WindowId createHiddenGLWindow(int width, int height);
void destroyHiddenGLWindow(WindowId window);
// True when the window exists and was made for GL.
bool isGLWindow(WindowId window);

// A new context for the window; null on failure. It is current on the window afterwards.
[[nodiscard]] GLContextHandle createGLContext(WindowId window);
void deleteGLContext(GLContextHandle context);
// Makes the context current on the window; (0, null) releases the current one. False on failure.
bool makeGLCurrent(WindowId window, GLContextHandle context);
// The current window (0 none) and context (null none) of this thread.
WindowId currentGLWindow();
GLContextHandle currentGLContext();
// What the current context's framebuffer holds; number 0 when no context is current.
PixelFormat describeCurrentFormat();
// Presents the back buffer of a GL window.
void swapGLWindow(WindowId window);
// Sets the swap interval of the current context (0 off, 1 vertical sync); false when refused.
bool setGLSwapInterval(int interval);
// The window-system extension names, blank-separated; empty when they cannot be read.
std::string windowSystemExtensions(WindowId window);

// Why the last call failed.
std::string glLastError();

}
