#include "platform/GLContext.h"

#include "platform/DisplayConnection.h"
#include "platform/GLFunctions.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace plat
{

namespace
{

std::string lastError;

// What is asked for, best first; the chooser keeps the best of those the display gives.
const PixelFormat candidates[] = {
    {1, true, true, true, true, 24, 8, 24, 8},
    {2, true, true, true, true, 24, 8, 24, 0},
    {3, true, true, true, true, 24, 0, 16, 0},
    {4, true, true, true, true, 16, 0, 16, 0},
    {5, true, true, true, true, 16, 0, 32, 0},
};

SDL_Window* windowOf(WindowId window)
{
    return window == 0 ? nullptr : SDL_GetWindowFromID(window);
}

bool fail()
{
    lastError = SDL_GetError();
    return false;
}

// Keeps the GL driver modules loaded until the process ends: the entry points resolved from them
// must not dangle when SDL closes the display and the GL library lets them go.
void pinDriverModules()
{
    static bool pinned = false;
    if (pinned) {
        return;
    }
    pinned = true;
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            const char* const name = info->dlpi_name;
            if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "libGLX_"))) {
                static_cast<std::vector<std::string>*>(found)->push_back(name);
            }
            return 0;
        },
        &names);
    for (const std::string& name : names) {
        dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
    }
}

// Makes a hidden window and a context with the request; when the display gives them, adds what
// it gave to formats.
void tryFormat(const PixelFormat& request, std::vector<PixelFormat>& formats)
{
    applyPixelFormat(request);
    const WindowId window = createHiddenGLWindow(4, 4);
    if (window == 0) {
        return;
    }
    if (GLContextHandle context = createGLContext(window)) {
        PixelFormat given = describeCurrentFormat();
        given.number = request.number;
        formats.push_back(given);
        makeGLCurrent(0, nullptr);
        deleteGLContext(context);
    }
    destroyHiddenGLWindow(window);
}

int attribute(SDL_GLattr which)
{
    int value = 0;
    return SDL_GL_GetAttribute(which, &value) == 0 ? value : 0;
}

}

bool startGLVideo()
{
    return startDisplayVideo() || fail();
}

void applyPixelFormat(const PixelFormat& format)
{
    const int perChannel = format.colourBits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, perChannel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.colourBits >= 24 ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, perChannel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, format.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_ACCELERATED_VISUAL, format.accelerated ? 1 : -1);
    // Compatibility profile at the driver's default version: the fixed-function pipeline stays.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
}

std::vector<PixelFormat> glPixelFormats()
{
    std::vector<PixelFormat> formats;
    const WindowId previousWindow = currentGLWindow();
    const GLContextHandle previousContext = currentGLContext();
    for (const PixelFormat& request : candidates) {
        tryFormat(request, formats);
    }
    if (formats.empty()) {
        // No visual claims acceleration (a software driver may rate its visuals slow): take any.
        for (PixelFormat request : candidates) {
            request.accelerated = false;
            tryFormat(request, formats);
        }
    }
    makeGLCurrent(previousWindow, previousContext);
    return formats;
}

WindowId createHiddenGLWindow(int width, int height)
{
    SDL_Window* window = SDL_CreateWindow("sniff", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        fail();
        return 0;
    }
    return SDL_GetWindowID(window);
}

void destroyHiddenGLWindow(WindowId window)
{
    if (SDL_Window* found = windowOf(window)) {
        SDL_DestroyWindow(found);
    }
}

bool isGLWindow(WindowId window)
{
    SDL_Window* found = windowOf(window);
    return found && (SDL_GetWindowFlags(found) & SDL_WINDOW_OPENGL) != 0;
}

GLContextHandle createGLContext(WindowId window)
{
    SDL_Window* found = windowOf(window);
    if (!found) {
        lastError = "no such window";
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(found);
    if (!context) {
        fail();
        return nullptr;
    }
    pinDriverModules();
    return context;
}

void deleteGLContext(GLContextHandle context)
{
    if (context) {
        SDL_GL_DeleteContext(context);
    }
}

bool makeGLCurrent(WindowId window, GLContextHandle context)
{
    if (window == 0 && !context) {
        // SDL refuses to release when nothing is current; nothing to do then.
        return !SDL_GL_GetCurrentContext() || SDL_GL_MakeCurrent(nullptr, nullptr) == 0 || fail();
    }
    SDL_Window* found = windowOf(window);
    if (!found || !context) {
        lastError = !found ? "no such window" : "no context";
        return false;
    }
    return SDL_GL_MakeCurrent(found, context) == 0 || fail();
}

WindowId currentGLWindow()
{
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    return window ? SDL_GetWindowID(window) : 0;
}

GLContextHandle currentGLContext()
{
    return SDL_GL_GetCurrentContext();
}

PixelFormat describeCurrentFormat()
{
    PixelFormat format;
    if (!SDL_GL_GetCurrentContext()) {
        format.number = 0;
        return format;
    }
    format.number = 1;
    format.doubleBuffer = attribute(SDL_GL_DOUBLEBUFFER) != 0;
    format.accelerated = attribute(SDL_GL_ACCELERATED_VISUAL) == 1;
    format.colourBits = attribute(SDL_GL_RED_SIZE) + attribute(SDL_GL_GREEN_SIZE) + attribute(SDL_GL_BLUE_SIZE);
    format.alphaBits = attribute(SDL_GL_ALPHA_SIZE);
    format.depthBits = attribute(SDL_GL_DEPTH_SIZE);
    format.stencilBits = attribute(SDL_GL_STENCIL_SIZE);
    return format;
}

void swapGLWindow(WindowId window)
{
    if (SDL_Window* found = windowOf(window)) {
        SDL_GL_SwapWindow(found);
    }
}

bool setGLSwapInterval(int interval)
{
    return SDL_GL_SetSwapInterval(interval) == 0 || fail();
}

std::string windowSystemExtensions(WindowId window)
{
    SDL_Window* found = windowOf(window);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!found || !SDL_GetWindowWMInfo(found, &info)) {
        return {};
    }
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11) {
        using Query = const char* (*)(Display*, int);
        const auto query = reinterpret_cast<Query>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
        const char* names = query ? query(info.info.x11.display, DefaultScreen(info.info.x11.display)) : nullptr;
        return names ? names : "";
    }
#endif
    return {};
}

std::string glLastError()
{
    return lastError;
}

}
