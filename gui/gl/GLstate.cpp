#include "gui/gl/GLstate.h"

#include "base/Debug.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLclient.h"
#include "gui/paint/Image.h"
#include "gui/gl/VertexArray.h"
#include "platform/GLFunctions.h"

namespace kestrel
{

bool zUp = false;
bool enableFog = true;
bool useDisplayLists = true;

namespace
{

constexpr GLenum primitives[] = {GL_POINTS,         GL_LINES,        GL_LINE_STRIP, GL_LINE_LOOP,  GL_TRIANGLES,
                                 GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_QUADS,      GL_QUAD_STRIP, GL_POLYGON};
constexpr GLenum blendFactors[] = {GL_ZERO, GL_ONE, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
constexpr GLenum depthFunctions[] = {GL_ALWAYS, GL_NEVER, GL_EQUAL, GL_NOTEQUAL, GL_LESS, GL_LEQUAL, GL_GREATER, GL_GEQUAL};

void setState(GLStateId state, bool on)
{
    plat::GLFunctions& g = plat::gl();
    const GLboolean flag = on ? GL_TRUE : GL_FALSE;
    switch (state) {
    case GLStateId::Lighting: plat::glSwitch(GL_LIGHTING, on); break;
    case GLStateId::Blending: plat::glSwitch(GL_BLEND, on); break;
    case GLStateId::Texture2D: plat::glSwitch(GL_TEXTURE_2D, on); break;
    case GLStateId::Fog:
        if (enableFog) {
            plat::glSwitch(GL_FOG, on);
        }
        break;
    case GLStateId::AlphaTest: plat::glSwitch(GL_ALPHA_TEST, on); break;
    case GLStateId::DepthTest: plat::glSwitch(GL_DEPTH_TEST, on); break;
    case GLStateId::DepthWrites: g.DepthMask(flag); break;
    case GLStateId::ColourWrites: g.ColorMask(flag, flag, flag, flag); break;
    case GLStateId::SmoothShading: g.ShadeModel(on ? GL_SMOOTH : GL_FLAT); break;
    case GLStateId::SphereMap:
        if (on) {
            g.TexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
            g.TexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        }
        plat::glSwitch(GL_TEXTURE_GEN_S, on);
        plat::glSwitch(GL_TEXTURE_GEN_T, on);
        break;
    case GLStateId::FaceCulling: plat::glSwitch(GL_CULL_FACE, on); break;
    default: break;
    }
}

// The index of an enumerated value into a table of count entries, or -1 outside it.
template <typename Enum>
int tableIndex(Enum value, int count)
{
    const int index = static_cast<int>(value);
    return index >= 0 && index < count ? index : -1;
}

const char* errorName(GLenum error)
{
    switch (error) {
    case GL_INVALID_ENUM: return "Invalid enum";
    case GL_INVALID_VALUE: return "Invalid value";
    case GL_INVALID_OPERATION: return "Invalid operation";
    case GL_STACK_OVERFLOW: return "Stack overflow";
    case GL_STACK_UNDERFLOW: return "Stack underflow";
    case GL_OUT_OF_MEMORY: return "Out of memory";
    default: return "";
    }
}

// Ends the buffer-object state, then points the array at pointer and enables it, or disables it
// for null.
template <typename SetPointer>
void setClientArray(GLenum array, const void* pointer, SetPointer setPointer)
{
    VertexArray::endClientArrays();
    if (pointer) {
        setPointer();
    }
    plat::glClientSwitch(array, pointer != nullptr);
}

}

void setZUp(bool flag)
{
    zUp = flag;
}

void loadIdentity()
{
    plat::gl().LoadIdentity();
    if (zUp) {
        plat::gl().Rotatef(90.0f, -1.0f, 0.0f, 0.0f);
    }
}

void loadMatrix(const float* m)
{
    loadIdentity();
    plat::gl().MultMatrixf(m);
}

void translate(float x, float y, float z)
{
    plat::gl().Translatef(x, y, z);
}

void rotate(float degrees, float x, float y, float z)
{
    plat::gl().Rotatef(degrees, x, y, z);
}

void pushMatrix()
{
    plat::gl().PushMatrix();
}

void popMatrix()
{
    plat::gl().PopMatrix();
    const GLenum error = plat::gl().GetError();
    if (error != GL_NO_ERROR) {
        heron::debug("GL had an error %d during popMatrix()\n", static_cast<int>(error));
    }
}

void clearBuffers(const float* rgba, int bits)
{
    GLbitfield mask = 0;
    if (bits & ClearColour) {
        plat::gl().ClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (bits & ClearDepth) {
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (bits & ClearStencil) {
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (mask != 0) {
        plat::gl().Clear(mask);
    }
}

void setViewport(const Rect& rect)
{
    plat::gl().Viewport(rect.x, rect.y, rect.width, rect.height);
}

void setOrthoProjection(double left, double right, double bottom, double top, double near, double far)
{
    plat::GLFunctions& g = plat::gl();
    g.MatrixMode(GL_PROJECTION);
    g.LoadIdentity();
    g.Ortho(left, right, bottom, top, near, far);
    g.MatrixMode(GL_MODELVIEW);
    loadIdentity();
}

void enableState(GLStateId state)
{
    setState(state, true);
}

void disableState(GLStateId state)
{
    setState(state, false);
}

void setBlendFunc(BlendFactor source, BlendFactor destination)
{
    const int from = tableIndex(source, 4);
    const int to = tableIndex(destination, 4);
    if (from < 0 || to < 0) {
        plat::gl().BlendFunc(GL_ONE, GL_ZERO);
        return;
    }
    plat::gl().BlendFunc(blendFactors[from], blendFactors[to]);
}

void setCullFace(bool back)
{
    plat::gl().CullFace(back ? GL_BACK : GL_FRONT);
}

void setPolygonMode(PolygonFace face, PolygonFill fill)
{
    const GLenum faces = face == PolygonFace::Front  ? GL_FRONT
                         : face == PolygonFace::Back ? GL_BACK
                                                     : GL_FRONT_AND_BACK;
    const GLenum mode = fill == PolygonFill::Points  ? GL_POINT
                        : fill == PolygonFill::Lines ? GL_LINE
                                                     : GL_FILL;
    plat::gl().PolygonMode(faces, mode);
}

void setTexEnvMode(TexEnvMode mode)
{
    constexpr GLint modes[] = {GL_BLEND, GL_MODULATE, GL_DECAL};
    const int index = tableIndex(mode, 3);
    plat::gl().TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, index >= 0 ? modes[index] : GL_ADD);
}

void setAlphaThreshold(float threshold)
{
    if (threshold < 0.0f) {
        plat::gl().AlphaFunc(GL_ALWAYS, 0.0f);
    } else if (threshold == 0.0f) {
        plat::gl().AlphaFunc(GL_NOTEQUAL, 0.0f);
    } else {
        plat::gl().AlphaFunc(GL_GREATER, threshold);
    }
}

void setPointSize(float size)
{
    plat::gl().PointSize(size);
}

void setDepthFunc(DepthFunc function)
{
    const int index = tableIndex(function, 8);
    if (index >= 0) {
        plat::gl().DepthFunc(depthFunctions[index]);
    }
}

void setDepthRange(float near, float far)
{
    plat::gl().DepthRange(near, far);
}

void setTextureOffset(float s, float t)
{
    plat::GLFunctions& g = plat::gl();
    g.MatrixMode(GL_TEXTURE);
    g.LoadIdentity();
    g.Translatef(s, t, 0.0f);
    g.MatrixMode(GL_MODELVIEW);
}

void beginPrimitive(Primitive primitive)
{
    const int index = tableIndex(primitive, 10);
    if (index >= 0) {
        plat::gl().Begin(primitives[index]);
    }
}

void endPrimitive()
{
    plat::gl().End();
}

void drawArrays(Primitive primitive, int first, int count)
{
    const int index = tableIndex(primitive, 10);
    if (index >= 0) {
        plat::gl().DrawArrays(primitives[index], first, count);
    }
}

void drawElements(Primitive primitive, int count, const std::uint32_t* indices)
{
    const int index = tableIndex(primitive, 10);
    if (index >= 0) {
        plat::gl().DrawElements(primitives[index], count, GL_UNSIGNED_INT, indices);
    }
}

void vertex3f(float x, float y, float z)
{
    plat::gl().Vertex3f(x, y, z);
}

void vertex3fv(const float* v)
{
    plat::gl().Vertex3fv(v);
}

void vertex3dv(const double* v)
{
    plat::gl().Vertex3dv(v);
}

void color4fv(const float* rgba)
{
    plat::gl().Color4fv(rgba);
}

void color4ub(std::uint32_t packed)
{
    plat::gl().Color4ubv(reinterpret_cast<const GLubyte*>(&packed));
}

void normal3fv(const float* n)
{
    plat::gl().Normal3fv(n);
}

void texCoord2f(float s, float t)
{
    plat::gl().TexCoord2f(s, t);
}

void setVertexArray(const void* pointer, int stride)
{
    setClientArray(GL_VERTEX_ARRAY, pointer, [&] { plat::gl().VertexPointer(3, GL_FLOAT, stride, pointer); });
}

void setVertexArray2(const void* pointer, int stride)
{
    setClientArray(GL_VERTEX_ARRAY, pointer, [&] { plat::gl().VertexPointer(2, GL_FLOAT, stride, pointer); });
}

void setColorArray(const void* pointer, int stride)
{
    setClientArray(GL_COLOR_ARRAY, pointer, [&] { plat::gl().ColorPointer(4, GL_UNSIGNED_BYTE, stride, pointer); });
}

void setNormalArray(const void* pointer, int stride)
{
    setClientArray(GL_NORMAL_ARRAY, pointer, [&] { plat::gl().NormalPointer(GL_FLOAT, stride, pointer); });
}

void setTexCoordArray(const void* pointer, int stride)
{
    setClientArray(GL_TEXTURE_COORD_ARRAY, pointer, [&] { plat::gl().TexCoordPointer(2, GL_FLOAT, stride, pointer); });
}

namespace
{

// Runs the multitexture probe when needed; true when unit can be selected.
bool unitAvailable(int unit)
{
    loadMultiTextureExtensions();
    return weHaveMultitexture && unit >= 0 && unit < textureUnitCount;
}

}

bool activeTexture(int unit)
{
    if (!unitAvailable(unit)) {
        return false;
    }
    plat::gl().ActiveTextureARB(GL_TEXTURE0_ARB + unit);
    return true;
}

bool clientActiveTexture(int unit)
{
    if (!unitAvailable(unit)) {
        return false;
    }
    plat::gl().ClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
    return true;
}

void multiTexCoord2fv(int unit, const float* st)
{
    if (unitAvailable(unit)) {
        plat::gl().MultiTexCoord2fvARB(GL_TEXTURE0_ARB + unit, st);
    }
}

bool checkGLError(int label)
{
    const GLenum error = plat::gl().GetError();
    if (error == GL_NO_ERROR) {
        if (label >= 0) {
            heron::debug("No OpenGL error at label %d\n", label);
        }
        return false;
    }
    heron::debug("OpenGL error \"%s\"", errorName(error));
    if (label >= 0) {
        heron::debug(" at label %d\n", label);
    } else {
        heron::debug("\n");
    }
    return true;
}

void resetGLState()
{
    plat::GLFunctions& g = plat::gl();
    VertexArray::endClientArrays();
    disableState(GLStateId::Lighting);
    disableState(GLStateId::Blending);
    int unit = 0;
    for (; activeTexture(unit); ++unit) {
        g.Disable(GL_TEXTURE_2D);
        clientActiveTexture(unit);
        g.DisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (unit == 0) {
        g.Disable(GL_TEXTURE_2D);
        g.DisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    activeTexture(0);
    clientActiveTexture(0);
    disableState(GLStateId::Fog);
    enableState(GLStateId::AlphaTest);
    enableState(GLStateId::DepthTest);
    enableState(GLStateId::DepthWrites);
    enableState(GLStateId::ColourWrites);
    enableState(GLStateId::SmoothShading);
    disableState(GLStateId::SphereMap);
    enableState(GLStateId::FaceCulling);
    setAlphaThreshold(0.0f);
    g.Enable(GL_NORMALIZE);
    g.EnableClientState(GL_VERTEX_ARRAY);
    g.DisableClientState(GL_COLOR_ARRAY);
    g.DisableClientState(GL_NORMAL_ARRAY);
}

}

namespace kestrel
{

namespace
{

// The framebuffer object of off-screen rendering, kept for the next image of the same size.
struct OffscreenTarget
{
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    int width = 0;
    int height = 0;

    ~OffscreenTarget() { release(); }

    void release()
    {
        if (framebuffer != 0 && makeSharedContextCurrent()) {
            plat::GLFunctions& g = plat::gl();
            g.DeleteFramebuffersEXT(1, &framebuffer);
            const GLuint buffers[2] = {colour, depth};
            g.DeleteRenderbuffersEXT(2, buffers);
        }
        framebuffer = colour = depth = 0;
        width = height = 0;
    }

    // Binds a complete framebuffer of the size; false when the driver cannot make one.
    bool bind(int w, int h)
    {
        plat::GLFunctions& g = plat::gl();
        if (framebuffer != 0 && (w != width || h != height)) {
            heron::debug("Creating a new %dx%dbitmap...\n", w, h);
            release();
        }
        if (framebuffer == 0) {
            heron::debug("Creating a bitmap render context...\n");
            g.GenFramebuffersEXT(1, &framebuffer);
            g.GenRenderbuffersEXT(1, &colour);
            g.GenRenderbuffersEXT(1, &depth);
            g.BindRenderbufferEXT(GL_RENDERBUFFER_EXT, colour);
            g.RenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, w, h);
            g.BindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth);
            g.RenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, w, h);
            g.BindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
            width = w;
            height = h;
            heron::debug("Created a %dx%d bitmap, handle=%u\n", w, h, framebuffer);
        }
        g.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
        g.FramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, colour);
        g.FramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depth);
        if (g.CheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT) {
            heron::debug("The bitmap framebuffer is not complete\n");
            g.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
            release();
            return false;
        }
        return true;
    }
};

OffscreenTarget& offscreenTarget()
{
    static OffscreenTarget target;
    return target;
}

double milliseconds(double from, double to)
{
    return (to - from) * 1000.0;
}

}

bool renderToImage(Image& target, GLclient& client)
{
    if (target.width() < 1 || target.height() < 1) {
        return false;
    }
    target.pixels();
    heron::debug("Rendering a bitmap...\n");
    const double start = heron::getTime();
    getGLcapabilities();
    heron::debug("Calling wglMakeCurrent()...\n");
    if (!makeSharedContextCurrent()) {
        heron::debug("No render context for a bitmap\n");
        target.fillNoise(12345);
        return false;
    }
    heron::debug("wglMakeCurrent() worked, rendering...\n");
    loadFramebufferExtensions();
    const int width = target.width();
    const int height = target.height();
    if (!weHaveFramebufferObjects || !offscreenTarget().bind(width, height)) {
        target.fillNoise(12345);
        return false;
    }
    heron::debug("Let's render a bitmap...\n");
    const double created = heron::getTime();
    ImageBody& body = *target.body();
    GLclient::setPixelProjection(body);
    resetGLState();
    client.paintGL(body);
    heron::debug("Finished rendering...\n");
    const double rendered = heron::getTime();
    heron::debug("Reading back the image data...\n");
    plat::GLFunctions& g = plat::gl();
    g.PixelStorei(GL_PACK_ALIGNMENT, 4);
    g.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    g.ReadPixels(0, 0, width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, target.pixels());
    g.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    // The next window bind must be a real switch, so that it sets its own state again.
    plat::makeGLCurrent(0, nullptr);
    heron::debug("Image data read ok...\n");
    if (glLogging) {
        const double done = heron::getTime();
        heron::debug("Bitmap render took %.3f ms  (create=%.3f, render=%.3f, read=%.3f)\n", milliseconds(start, done),
                     milliseconds(start, created), milliseconds(created, rendered), milliseconds(rendered, done));
    }
    return true;
}

}
