#pragma once

#include "gui/paint/Rect.h"

#include <cstdint>

// Thin helpers the scene engine calls instead of OpenGL itself. Each acts on the current context
// of the main thread and keeps no cache: every call reaches OpenGL.
namespace kestrel
{

class GLclient;
class Image;

// Process-wide switches: the world is z up (set by the main routine); the video settings
// "Enable fog" and "Use display lists" (buffer objects, BGRA uploads, compiling).
extern bool zUp;
extern bool enableFog;
extern bool useDisplayLists;

// States of enableState and disableState.
enum class GLStateId
{
    Lighting = 0,
    Blending = 1,
    Texture2D = 2,
    Fog = 3,                // switched only while enableFog is on
    AlphaTest = 4,
    DepthTest = 5,
    DepthWrites = 6,
    ColourWrites = 7,
    SmoothShading = 8,      // disabling gives flat shading
    SphereMap = 9,          // sphere-map generation of S and T
    FaceCulling = 10,
};

// Blend factors of setBlendFunc; stored materials keep them as these numbers.
enum class BlendFactor
{
    Zero = 0,
    One = 1,
    SourceAlpha = 2,
    OneMinusSourceAlpha = 3,
};

enum class PolygonFace
{
    Front = 0,
    Back = 1,
    Both = 2,
};

enum class PolygonFill
{
    Points = 0,
    Lines = 1,
    Solid = 2,
};

enum class TexEnvMode
{
    Blend = 0,
    Modulate = 1,
    Decal = 2,
    Add = 3,
};

enum class DepthFunc
{
    Always = 0,
    Never = 1,
    Equal = 2,
    NotEqual = 3,
    Less = 4,
    LessOrEqual = 5,
    Greater = 6,
    GreaterOrEqual = 7,
};

enum class Primitive
{
    Points = 0,
    Lines = 1,
    LineStrip = 2,
    LineLoop = 3,
    Triangles = 4,
    TriangleStrip = 5,
    TriangleFan = 6,
    Quads = 7,
    QuadStrip = 8,
    Polygon = 9,
};

// Buffers of clearBuffers, combined with |.
enum ClearBits : int
{
    ClearColour = 1,
    ClearDepth = 2,
    ClearStencil = 4,
};

void setZUp(bool flag);
// Identity, turned so that z is up when the Z-up switch is on.
void loadIdentity();
// loadIdentity, then multiplies by the 16 floats of m (column-major).
void loadMatrix(const float* m);
void translate(float x, float y, float z);
// Degrees about the axis (x, y, z).
void rotate(float degrees, float x, float y, float z);
// Pushes the current matrix stack.
void pushMatrix();
// Pops the current matrix stack; a GL error is logged.
void popMatrix();
// The colour buffer is cleared to rgba; nothing when no bit is set.
void clearBuffers(const float* rgba, int bits);
void setViewport(const Rect& rect);
// Orthographic projection of the six planes; model-view identity (Z-up aware).
void setOrthoProjection(double left, double right, double bottom, double top, double near, double far);

void enableState(GLStateId state);
void disableState(GLStateId state);
// A factor outside the enumeration (from stored data) gives (one, zero).
void setBlendFunc(BlendFactor source, BlendFactor destination);
void setCullFace(bool back);
// Values outside the enumerations act as Both and Solid.
void setPolygonMode(PolygonFace face, PolygonFill fill);
// Values outside the enumeration act as Add.
void setTexEnvMode(TexEnvMode mode);
// t < 0 always passes; t = 0 passes alpha not 0; t > 0 passes alpha above t.
void setAlphaThreshold(float threshold);
void setPointSize(float size);
// Values outside the enumeration are ignored.
void setDepthFunc(DepthFunc function);
void setDepthRange(float near, float far);
// Texture matrix := translation (s, t, 0); the matrix mode goes back to model-view.
void setTextureOffset(float s, float t);
// Primitives outside the enumeration are ignored.
void beginPrimitive(Primitive primitive);
void endPrimitive();
void drawArrays(Primitive primitive, int first, int count);
// count 32-bit indices from the client array at indices.
void drawElements(Primitive primitive, int count, const std::uint32_t* indices);
void vertex3f(float x, float y, float z);
void vertex3fv(const float* v);
void vertex3dv(const double* v);
void color4fv(const float* rgba);
// Four bytes R, G, B, A in memory order.
void color4ub(std::uint32_t packed);
void normal3fv(const float* n);
void texCoord2f(float s, float t);

// Client arrays: end the buffer-object state first; a non-null pointer sets and enables the
// array (3 floats, 2 floats, 4 bytes, 3 floats, 2 floats per vertex), null disables it.
void setVertexArray(const void* pointer, int stride);
void setVertexArray2(const void* pointer, int stride);
void setColorArray(const void* pointer, int stride);
void setNormalArray(const void* pointer, int stride);
void setTexCoordArray(const void* pointer, int stride);

// Select texture unit n (0 <= n < textureUnitCount) when multitexture is on; else false.
bool activeTexture(int unit);
bool clientActiveTexture(int unit);
void multiTexCoord2fv(int unit, const float* st);

// Reads the GL error; logs it (and "No OpenGL error at label %d" when label >= 0 and none).
// True when there was one.
bool checkGLError(int label);
// The toolkit's default GL state, set after every context switch and before off-screen painting.
void resetGLState();
// Renders client into target (its size) through a framebuffer object in the shared context and
// reads the pixels back. False (and the target filled with noise) when that cannot be done.
bool renderToImage(Image& target, GLclient& client);

}
