#pragma once

#include "base/heron_string.h"
#include "platform/GLContext.h"

#include <cstdint>

namespace kestrel
{

// What the OpenGL driver of the current context can do. Main thread only.
class GLcapabilities
{
public:
    // Fills the record from the current context; with none current only `valid` is cleared.
    void query();
    // True when name is a whole word of `extensions` or `wglExtensions` (first occurrence only).
    bool hasExtension(const char* name) const;
    // Writes the record into the debug log.
    void print() const;
    // True for a software rasteriser (Mesa's), which the record counts as accelerated all the same.
    bool isSoftwareRenderer() const;

    bool valid = false;
    bool hardwareAccelerated = false;
    heron_string vendor;
    heron_string renderer;
    heron_string version;
    heron_string extensions;
    heron_string wglExtensions;     // the window system's extensions (GLX here)
    std::int32_t colourBits = 0;
    std::int32_t depthBits = 0;
    std::int32_t alphaBits = 0;
    std::int32_t stencilBits = 0;
    std::int32_t maxAnisotropy = 0;
    std::int32_t textureUnits = 0;
};

// The word test on one blank-separated list: name's first occurrence ends the list or is
// followed by a blank. The character before it is not looked at.
bool hasExtensionWord(const char* list, const char* name);

// The global record; the first call runs glSniffer, later calls only return it.
GLcapabilities& getGLcapabilities();
// Probes the driver from a hidden window, fills the global record and makes the shared context.
void glSniffer();

// Switches set by the probes; read by the texture, vertex-array and state code.
extern bool weCanClampToEdge;
extern bool weCanClampToBorder;
extern bool weCanCompressTextures;
extern bool weHaveS3Compression;
extern bool weHaveAnisotropicControl;
extern bool weHaveARBVertexBufferObjects;
extern bool weHaveMultitexture;
extern std::int32_t textureUnitCount;
extern bool weHaveCVA;
extern bool weHaveSeparateSpecular;
extern bool weHaveBGRA;
extern bool weHaveFramebufferObjects;
// Gates the probes' progress lines; every GLclient::bind switches it on.
extern bool glLogging;

// One-time probes in the current context; each returns at once once done.
void loadTextureExtensions();
void loadVBOExtensions();
void loadMultiTextureExtensions();
// Resolves the framebuffer-object entry points (off-screen rendering); once per context.
void loadFramebufferExtensions();
// Forgets every per-context probe, so each runs again (and resolves again) in a new context.
void resetGLProbes();

// Compiled-vertex-array lock over count vertices from first; the first call probes.
void lockArrays(int first, int count);
void unlockArrays();
// Separate specular colour when the driver has it, else single colour; the first call probes.
void setSeparateSpecular();
// Sets the swap interval of the current context (0 off, 1 vertical sync); a refusal is logged.
bool setSwapInterval(int interval);
// The hidden probe window, kept as the shared context's home drawable; 0 before glSniffer ran
// or when it failed.
plat::WindowId probeWindow();

}
