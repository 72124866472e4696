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
enum GLStateId
{
    StateLighting = 0,
    StateBlending = 1,
    StateTexture2D = 2,
    StateFog = 3,
    StateAlphaTest = 4,
    StateDepthTest = 5,
    StateDepthWrites = 6,
    StateColourWrites = 7,
    StateSmoothShading = 8,
    StateSphereMap = 9,
    StateFaceCulling = 10,
};

void setZUp(bool flag);
// Identity, turned so that z is up when the Z-up switch is on.
void loadIdentity();
// loadIdentity, then multiplies by the 16 floats of m (column-major).
void loadMatrix(const float* m);
void translate(float x, float y, float z);
// Degrees about the axis (x, y, z).
void rotate(float degrees, float x, float y, float z);
// Pops the current matrix stack; a GL error is logged.
void popMatrix();
// bits: 1 colour (cleared to rgba), 2 depth, 4 stencil; nothing when no bit is set.
void clearBuffers(const float* rgba, int bits);
void setViewport(const Rect& rect);
// Orthographic projection of the six planes; model-view identity (Z-up aware).
void setOrthoProjection(double left, double right, double bottom, double top, double near, double far);

void enableState(int state);
void disableState(int state);
// 0 zero, 1 one, 2 source alpha, 3 one minus source alpha; other values give (one, zero).
void setBlendFunc(int source, int destination);
void setCullFace(bool back);
// face 0 front, 1 back, else both; mode 0 points, 1 lines, else fill.
void setPolygonMode(int face, int mode);
// 0 blend, 1 modulate, 2 decal, else add.
void setTexEnvMode(int mode);
// t < 0 always passes; t = 0 passes alpha not 0; t > 0 passes alpha above t.
void setAlphaThreshold(float threshold);
void setPointSize(float size);
// 0 always, 1 never, 2 equal, 3 not equal, 4 less, 5 less or equal, 6 greater, 7 greater or
// equal; other values are ignored.
void setDepthFunc(int function);
void setDepthRange(float near, float far);
// Texture matrix := translation (s, t, 0); the matrix mode goes back to model-view.
void setTextureOffset(float s, float t);
// Primitives 0..9: points, lines, line strip, line loop, triangles, triangle strip, triangle fan,
// quads, quad strip, polygon; other values are ignored.
void beginPrimitive(int primitive);
void endPrimitive();
void drawArrays(int primitive, int first, int count);
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
