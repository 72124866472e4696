#include "gui/gl/GLcapabilities.h"

#include "base/Debug.h"
#include "gui/gl/GLclient.h"
#include "platform/GLFunctions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kestrel
{

bool weCanClampToEdge = false;
bool weCanClampToBorder = false;
bool weCanCompressTextures = false;
bool weHaveS3Compression = false;
bool weHaveAnisotropicControl = false;
bool weHaveARBVertexBufferObjects = false;
bool weHaveMultitexture = false;
std::int32_t textureUnitCount = 0;
bool weHaveCVA = false;
bool weHaveSeparateSpecular = false;
bool weHaveBGRA = false;
bool weHaveFramebufferObjects = false;
bool glLogging = false;

namespace
{

// The per-context probe state, cleared on every real context switch.
struct ProbeBlock
{
    bool textureDone = false;
    bool vboDone = false;
    bool multitextureDone = false;
    bool cvaDone = false;
    bool specularDone = false;
    bool framebufferDone = false;
};

ProbeBlock probes;
bool sniffed = false;
plat::WindowId sniffWindow = 0;

void progress(const char* text)
{
    if (glLogging) {
        heron::debug("%s", text);
    }
}

void progressFlag(const char* format, bool value)
{
    if (glLogging) {
        heron::debug(format, value ? 1 : 0);
    }
}

heron_string glText(GLenum name)
{
    const GLubyte* text = plat::gl().GetString(name);
    return heron_string(text ? reinterpret_cast<const char*>(text) : "");
}

GLint glInteger(GLenum name)
{
    GLint value = 0;
    plat::gl().GetIntegerv(name, &value);
    return value;
}

// Writes a blank-separated list one name to a line, in pieces that each fit one log message, so
// that a long list is not cut.
void printList(const heron_string& list)
{
    std::string lines(list.c_str(), list.length());
    std::replace(lines.begin(), lines.end(), ' ', '\n');
    constexpr std::size_t piece = heron::debugBufferSize / 2;
    std::size_t from = 0;
    while (lines.size() - from > piece) {
        std::size_t cut = lines.rfind('\n', from + piece);
        if (cut == std::string::npos || cut < from) {
            cut = from + piece - 1;     // one name longer than a piece
        }
        heron::debug("%s", lines.substr(from, cut + 1 - from).c_str());
        from = cut + 1;
    }
    heron::debug("%s\n", lines.c_str() + from);
}

// Makes the probe's context on a hidden window; the window stays as the context's home.
void makeProbeContext()
{
    if (!plat::startGLVideo()) {
        heron::debug("OpenGL probe: no display (%s)\n", plat::glLastError().c_str());
        return;
    }
    if (!setProgramPixelFormat()) {
        heron::debug("OpenGL probe: no pixel format with OpenGL found\n");
        return;
    }
    sniffWindow = plat::createHiddenGLWindow(10, 10);
    if (sniffWindow == 0) {
        heron::debug("OpenGL probe: window create failed (%s)\n", plat::glLastError().c_str());
        return;
    }
    const plat::GLContextHandle context = plat::createGLContext(sniffWindow);
    if (!context) {
        heron::debug("OpenGL probe: context create failed (%s)\n", plat::glLastError().c_str());
        return;
    }
    setSharedRenderContext(context);
    // The backend lets SDL's video go when it is destroyed at exit; the context must go before
    // that, so the backend is made first and this handler registered after it.
    plat::backend();
    std::atexit(releaseSharedContext);
    if (!plat::makeGLCurrent(sniffWindow, context) || !plat::loadGLFunctions()) {
        heron::debug("OpenGL probe: the context cannot be used (%s)\n", plat::glLastError().c_str());
        return;
    }
    GLcapabilities& record = getGLcapabilities();
    record.query();
    weHaveBGRA = record.hasExtension("GL_EXT_bgra");
    heron::debug("OpenGL probe: renderer \"%s\", version \"%s\"\n", record.renderer.c_str(), record.version.c_str());
    if (record.isSoftwareRenderer()) {
        heron::debug("OpenGL probe: the software renderer counts as accelerated\n");
    }
    plat::makeGLCurrent(0, nullptr);
}

}

bool hasExtensionWord(const char* list, const char* name)
{
    if (!list || !name || !*name) {
        return false;
    }
    const char* const found = std::strstr(list, name);
    if (!found) {
        return false;
    }
    const char after = found[std::strlen(name)];
    return after == '\0' || after == ' ';
}

void GLcapabilities::query()
{
    valid = false;
    if (!plat::currentGLContext()) {
        return;
    }
    valid = true;
    vendor = glText(GL_VENDOR);
    renderer = glText(GL_RENDERER);
    version = glText(GL_VERSION);
    extensions = glText(GL_EXTENSIONS);
    wglExtensions = heron_string(plat::windowSystemExtensions(plat::currentGLWindow()).c_str());
    // Every GL driver here counts, Mesa's software renderer too: the desktop has no generic
    // software format of its own.
    hardwareAccelerated = true;
    colourBits = glInteger(GL_RED_BITS) + glInteger(GL_GREEN_BITS) + glInteger(GL_BLUE_BITS);
    alphaBits = glInteger(GL_ALPHA_BITS);
    depthBits = glInteger(GL_DEPTH_BITS);
    stencilBits = glInteger(GL_STENCIL_BITS);
    textureUnits = 1;
    if (hasExtension("GL_ARB_multitexture")) {
        textureUnits = glInteger(GL_MAX_TEXTURE_UNITS_ARB);
    }
    maxAnisotropy = 1;
    if (hasExtension("GL_EXT_texture_filter_anisotropic")) {
        GLfloat maximum = 1.0f;
        plat::gl().GetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximum);
        maxAnisotropy = static_cast<std::int32_t>(maximum);
    }
}

bool GLcapabilities::hasExtension(const char* name) const
{
    return hasExtensionWord(extensions.c_str(), name) || hasExtensionWord(wglExtensions.c_str(), name);
}

bool GLcapabilities::isSoftwareRenderer() const
{
    const char* const name = renderer.c_str();
    return std::strstr(name, "llvmpipe") || std::strstr(name, "softpipe") || std::strstr(name, "Software Rasterizer");
}

void GLcapabilities::print() const
{
    heron::debug("\n\nOpenGL info\n-----------\n");
    heron::debug("Vendor = %s\n", vendor.c_str());
    heron::debug("Renderer = %s\n", renderer.c_str());
    heron::debug("Version = %s\n", version.c_str());
    heron::debug("Hardware acceleration? %s\n", hardwareAccelerated ? "Yes" : "No");
    heron::debug("Color bits = %d\n", colourBits);
    heron::debug("Depth bits = %d\n", depthBits);
    heron::debug("Stencil bits = %d\n", stencilBits);
    heron::debug("Alpha bits = %d\n", alphaBits);
    heron::debug("Texture units = %d\n", textureUnits);
    heron::debug("Max anisotropic filter = %d\n", maxAnisotropy);
    heron::debug("\n\nSupported OpenGL extensions\n---------------------------\n");
    if (extensions.length() > 0) {
        printList(extensions);
    }
    if (wglExtensions.length() > 0) {
        heron::debug("\n\nSupported WGL extensions\n------------------------\n");
        printList(wglExtensions);
    }
    heron::debug("\n\n");
}

GLcapabilities& getGLcapabilities()
{
    static GLcapabilities record;
    if (!sniffed) {
        sniffed = true;
        glSniffer();
    }
    return record;
}

void glSniffer()
{
    sniffed = true;
    if (sharedRenderContext()) {
        return;
    }
    makeProbeContext();
}

plat::WindowId probeWindow()
{
    return sniffWindow;
}

void resetGLProbes()
{
    probes = ProbeBlock{};
    weHaveARBVertexBufferObjects = false;
    weHaveMultitexture = false;
    weHaveCVA = false;
    weHaveSeparateSpecular = false;
    weHaveFramebufferObjects = false;
}

void loadTextureExtensions()
{
    if (probes.textureDone) {
        return;
    }
    GLcapabilities record;
    record.query();
    probes.textureDone = true;
    progress("Looking for texture mapping extensions...\n");
    weCanClampToEdge = record.hasExtension("EXT_texture_edge_clamp");
    progressFlag("weCanClampToEdge=%d\n", weCanClampToEdge);
    weCanClampToBorder = record.hasExtension("ARB_texture_border_clamp");
    progressFlag("weCanClampToBorder=%d\n", weCanClampToBorder);
    weCanCompressTextures = record.hasExtension("ARB_texture_compression");
    progressFlag("weCanCompressTextures=%d\n", weCanCompressTextures);
    if (weCanCompressTextures) {
        weHaveS3Compression = record.hasExtension("EXT_texture_compression_s3tc");
        progressFlag("weHaveS3Compression=%d\n", weHaveS3Compression);
    }
    weHaveAnisotropicControl = record.hasExtension("EXT_texture_filter_anisotropic");
    progressFlag("weHaveAnisotropicControl=%d\n", weHaveAnisotropicControl);
    progress("Finished looking for texture mapping extensions...\n");
}

void loadVBOExtensions()
{
    if (probes.vboDone) {
        return;
    }
    progress("Looking for VBO extensions...\n");
    GLcapabilities record;
    record.query();
    weHaveARBVertexBufferObjects = record.hasExtension("ARB_vertex_buffer_object");
    progressFlag("weHaveARBVertexBufferObjects=%d\n", weHaveARBVertexBufferObjects);
    if (weHaveARBVertexBufferObjects) {
        plat::GLFunctions& d = plat::glDriver();
        // Buffer objects are used only when every entry point that is called resolved.
        bool used = plat::resolveGLFunction(d.GenBuffersARB, "glGenBuffersARB");
        used = plat::resolveGLFunction(d.DeleteBuffersARB, "glDeleteBuffersARB") && used;
        used = plat::resolveGLFunction(d.BindBufferARB, "glBindBufferARB") && used;
        used = plat::resolveGLFunction(d.BufferDataARB, "glBufferDataARB") && used;
        used = plat::resolveGLFunction(d.BufferSubDataARB, "glBufferSubDataARB") && used;
        plat::resolveGLFunction(d.GetBufferSubDataARB, "glGetBufferSubDataARB");
        plat::resolveGLFunction(d.MapBufferARB, "glMapBufferARB");
        plat::resolveGLFunction(d.UnmapBufferARB, "glUnmapBufferARB");
        plat::resolveGLFunction(d.GetBufferParameterivARB, "glGetBufferParameterivARB");
        plat::resolveGLFunction(d.GetBufferPointervARB, "glGetBufferPointervARB");
        weHaveARBVertexBufferObjects = used;
    }
    progress("Finished loading VBO extensions...\n");
    probes.vboDone = true;
    loadMultiTextureExtensions();
}

void loadMultiTextureExtensions()
{
    if (probes.multitextureDone) {
        return;
    }
    progress("Looking for multitexture extensions...\n");
    if (plat::glErrorPending()) {
        heron::debug("GL had an error at the start of loadMultiTextureExtensions()\n");
    }
    GLcapabilities record;
    record.query();
    textureUnitCount = record.textureUnits;
    plat::GLFunctions& d = plat::glDriver();
    d.ActiveTextureARB = nullptr;
    d.ClientActiveTextureARB = nullptr;
    d.MultiTexCoord2fARB = nullptr;
    d.MultiTexCoord2fvARB = nullptr;
    weHaveMultitexture = false;
    if (textureUnitCount < 2) {
        progress("Not enough texture units...!\n");
    } else {
        bool all = plat::resolveGLFunction(d.ActiveTextureARB, "glActiveTextureARB");
        all = plat::resolveGLFunction(d.ClientActiveTextureARB, "glClientActiveTextureARB") && all;
        all = plat::resolveGLFunction(d.MultiTexCoord2fARB, "glMultiTexCoord2fARB") && all;
        all = plat::resolveGLFunction(d.MultiTexCoord2fvARB, "glMultiTexCoord2fvARB") && all;
        weHaveMultitexture = all;
        progress("Finished loading multitexture extensions...\n");
    }
    probes.multitextureDone = true;
    if (plat::glErrorPending()) {
        heron::debug("A GL error occurred during loadMultiTextureExtensions()\n");
    }
}

void loadFramebufferExtensions()
{
    if (probes.framebufferDone) {
        return;
    }
    probes.framebufferDone = true;
    GLcapabilities record;
    record.query();
    plat::GLFunctions& d = plat::glDriver();
    bool all = record.hasExtension("GL_EXT_framebuffer_object");
    all = plat::resolveGLFunction(d.GenFramebuffersEXT, "glGenFramebuffersEXT") && all;
    all = plat::resolveGLFunction(d.DeleteFramebuffersEXT, "glDeleteFramebuffersEXT") && all;
    all = plat::resolveGLFunction(d.BindFramebufferEXT, "glBindFramebufferEXT") && all;
    all = plat::resolveGLFunction(d.CheckFramebufferStatusEXT, "glCheckFramebufferStatusEXT") && all;
    all = plat::resolveGLFunction(d.GenRenderbuffersEXT, "glGenRenderbuffersEXT") && all;
    all = plat::resolveGLFunction(d.DeleteRenderbuffersEXT, "glDeleteRenderbuffersEXT") && all;
    all = plat::resolveGLFunction(d.BindRenderbufferEXT, "glBindRenderbufferEXT") && all;
    all = plat::resolveGLFunction(d.RenderbufferStorageEXT, "glRenderbufferStorageEXT") && all;
    all = plat::resolveGLFunction(d.FramebufferRenderbufferEXT, "glFramebufferRenderbufferEXT") && all;
    weHaveFramebufferObjects = all;
    progressFlag("weHaveFramebufferObjects=%d\n", weHaveFramebufferObjects);
}

void lockArrays(int first, int count)
{
    if (!probes.cvaDone) {
        probes.cvaDone = true;
        progress("Looking for CVA extensions...\n");
        if (plat::glErrorPending()) {
            heron::debug("GL had an error at the start of lockArrays()\n");
        }
        plat::GLFunctions& d = plat::glDriver();
        const bool lock = plat::resolveGLFunction(d.LockArraysEXT, "glLockArraysEXT");
        weHaveCVA = plat::resolveGLFunction(d.UnlockArraysEXT, "glUnlockArraysEXT") && lock;
    }
    if (weHaveCVA) {
        plat::gl().LockArraysEXT(first, count);
    }
    if (plat::glErrorPending()) {
        heron::debug("GL had an error during lockArrays()\n");
    }
}

void unlockArrays()
{
    if (weHaveCVA) {
        plat::gl().UnlockArraysEXT();
    }
}

void setSeparateSpecular()
{
    if (!probes.specularDone) {
        probes.specularDone = true;
        weHaveSeparateSpecular = plat::glExtensionStringHas("EXT_separate_specular_color");
    }
    plat::gl().LightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, weHaveSeparateSpecular ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
}

bool setSwapInterval(int interval)
{
    if (plat::setGLSwapInterval(interval)) {
        return true;
    }
    heron::debug("The swap interval cannot be set to %d (%s); frames are not synchronised\n", interval,
                 plat::glLastError().c_str());
    return false;
}

}
