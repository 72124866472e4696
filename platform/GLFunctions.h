#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

// The OpenGL entry points the program calls, resolved through the context layer instead of being
// linked, so that every call can be redirected (tests install a recording table).
//
// Core entry points: resolved together by loadGLFunctions once a context exists.
#define PLAT_GL_CORE_FUNCTIONS(X)                                                                  \
    X(void, Enable, (GLenum))                                                                      \
    X(void, Disable, (GLenum))                                                                     \
    X(GLboolean, IsEnabled, (GLenum))                                                              \
    X(GLenum, GetError, ())                                                                        \
    X(const GLubyte*, GetString, (GLenum))                                                         \
    X(void, GetIntegerv, (GLenum, GLint*))                                                         \
    X(void, GetFloatv, (GLenum, GLfloat*))                                                         \
    X(void, GetDoublev, (GLenum, GLdouble*))                                                       \
    X(void, Viewport, (GLint, GLint, GLsizei, GLsizei))                                            \
    X(void, MatrixMode, (GLenum))                                                                  \
    X(void, LoadIdentity, ())                                                                      \
    X(void, LoadMatrixd, (const GLdouble*))                                                        \
    X(void, MultMatrixf, (const GLfloat*))                                                         \
    X(void, Ortho, (GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble))                   \
    X(void, Frustum, (GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble))                 \
    X(void, Rotatef, (GLfloat, GLfloat, GLfloat, GLfloat))                                         \
    X(void, Translatef, (GLfloat, GLfloat, GLfloat))                                               \
    X(void, PushMatrix, ())                                                                        \
    X(void, PopMatrix, ())                                                                         \
    X(void, ClearColor, (GLclampf, GLclampf, GLclampf, GLclampf))                                  \
    X(void, Clear, (GLbitfield))                                                                   \
    X(void, BlendFunc, (GLenum, GLenum))                                                           \
    X(void, CullFace, (GLenum))                                                                    \
    X(void, PolygonMode, (GLenum, GLenum))                                                         \
    X(void, TexEnvi, (GLenum, GLenum, GLint))                                                      \
    X(void, AlphaFunc, (GLenum, GLclampf))                                                         \
    X(void, PointSize, (GLfloat))                                                                  \
    X(void, DepthFunc, (GLenum))                                                                   \
    X(void, DepthRange, (GLclampd, GLclampd))                                                      \
    X(void, DepthMask, (GLboolean))                                                                \
    X(void, ColorMask, (GLboolean, GLboolean, GLboolean, GLboolean))                               \
    X(void, ShadeModel, (GLenum))                                                                  \
    X(void, TexGeni, (GLenum, GLenum, GLint))                                                      \
    X(void, LightModeli, (GLenum, GLint))                                                          \
    X(void, LightModelfv, (GLenum, const GLfloat*))                                                \
    X(void, Lightfv, (GLenum, GLenum, const GLfloat*))                                             \
    X(void, Lightf, (GLenum, GLenum, GLfloat))                                                     \
    X(void, Fogi, (GLenum, GLint))                                                                 \
    X(void, Fogf, (GLenum, GLfloat))                                                               \
    X(void, Fogfv, (GLenum, const GLfloat*))                                                       \
    X(void, Materialfv, (GLenum, GLenum, const GLfloat*))                                          \
    X(void, Materialf, (GLenum, GLenum, GLfloat))                                                  \
    X(void, ColorMaterial, (GLenum, GLenum))                                                       \
    X(void, Begin, (GLenum))                                                                       \
    X(void, End, ())                                                                               \
    X(void, Vertex3f, (GLfloat, GLfloat, GLfloat))                                                 \
    X(void, Vertex3fv, (const GLfloat*))                                                           \
    X(void, Vertex3dv, (const GLdouble*))                                                          \
    X(void, Color4fv, (const GLfloat*))                                                            \
    X(void, Color4ubv, (const GLubyte*))                                                           \
    X(void, Normal3fv, (const GLfloat*))                                                           \
    X(void, TexCoord2f, (GLfloat, GLfloat))                                                        \
    X(void, DrawArrays, (GLenum, GLint, GLsizei))                                                  \
    X(void, DrawElements, (GLenum, GLsizei, GLenum, const void*))                                  \
    X(void, VertexPointer, (GLint, GLenum, GLsizei, const void*))                                  \
    X(void, ColorPointer, (GLint, GLenum, GLsizei, const void*))                                   \
    X(void, NormalPointer, (GLenum, GLsizei, const void*))                                         \
    X(void, TexCoordPointer, (GLint, GLenum, GLsizei, const void*))                                \
    X(void, EnableClientState, (GLenum))                                                           \
    X(void, DisableClientState, (GLenum))                                                          \
    X(void, GenTextures, (GLsizei, GLuint*))                                                       \
    X(void, DeleteTextures, (GLsizei, const GLuint*))                                              \
    X(void, BindTexture, (GLenum, GLuint))                                                         \
    X(void, TexParameteri, (GLenum, GLenum, GLint))                                                \
    X(void, TexParameterf, (GLenum, GLenum, GLfloat))                                              \
    X(void, TexParameterfv, (GLenum, GLenum, const GLfloat*))                                      \
    X(void, TexImage2D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)) \
    X(void, GetTexLevelParameteriv, (GLenum, GLint, GLenum, GLint*))                               \
    X(void, GetTexParameteriv, (GLenum, GLenum, GLint*))                                           \
    X(void, GetTexImage, (GLenum, GLint, GLenum, GLenum, void*))                                   \
    X(void, PixelStorei, (GLenum, GLint))                                                          \
    X(void, ReadPixels, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*))                   \
    X(GLuint, GenLists, (GLsizei))                                                                 \
    X(void, NewList, (GLuint, GLenum))                                                             \
    X(void, EndList, ())                                                                           \
    X(void, CallList, (GLuint))                                                                    \
    X(void, DeleteLists, (GLuint, GLsizei))                                                        \
    X(void, Finish, ())

// Extension entry points: null until the probe that needs them resolves them in the current context.
#define PLAT_GL_EXTENSION_FUNCTIONS(X)                                                             \
    X(void, GenBuffersARB, (GLsizei, GLuint*))                                                     \
    X(void, DeleteBuffersARB, (GLsizei, const GLuint*))                                            \
    X(void, BindBufferARB, (GLenum, GLuint))                                                       \
    X(void, BufferDataARB, (GLenum, GLsizeiptrARB, const void*, GLenum))                           \
    X(void, BufferSubDataARB, (GLenum, GLintptrARB, GLsizeiptrARB, const void*))                   \
    X(void, GetBufferSubDataARB, (GLenum, GLintptrARB, GLsizeiptrARB, void*))                      \
    X(void*, MapBufferARB, (GLenum, GLenum))                                                       \
    X(GLboolean, UnmapBufferARB, (GLenum))                                                         \
    X(void, GetBufferParameterivARB, (GLenum, GLenum, GLint*))                                     \
    X(void, GetBufferPointervARB, (GLenum, GLenum, void**))                                        \
    X(void, ActiveTextureARB, (GLenum))                                                            \
    X(void, ClientActiveTextureARB, (GLenum))                                                      \
    X(void, MultiTexCoord2fARB, (GLenum, GLfloat, GLfloat))                                        \
    X(void, MultiTexCoord2fvARB, (GLenum, const GLfloat*))                                         \
    X(void, LockArraysEXT, (GLint, GLsizei))                                                       \
    X(void, UnlockArraysEXT, ())                                                                   \
    X(void, CompressedTexImage2DARB, (GLenum, GLint, GLenum, GLsizei, GLsizei, GLint, GLsizei, const void*)) \
    X(void, GenFramebuffersEXT, (GLsizei, GLuint*))                                                \
    X(void, DeleteFramebuffersEXT, (GLsizei, const GLuint*))                                       \
    X(void, BindFramebufferEXT, (GLenum, GLuint))                                                  \
    X(GLenum, CheckFramebufferStatusEXT, (GLenum))                                                 \
    X(void, GenRenderbuffersEXT, (GLsizei, GLuint*))                                               \
    X(void, DeleteRenderbuffersEXT, (GLsizei, const GLuint*))                                      \
    X(void, BindRenderbufferEXT, (GLenum, GLuint))                                                 \
    X(void, RenderbufferStorageEXT, (GLenum, GLenum, GLsizei, GLsizei))                            \
    X(void, FramebufferRenderbufferEXT, (GLenum, GLenum, GLenum, GLuint))

namespace plat
{

// One pointer per entry point, named without the "gl" prefix. In the driver's table a core entry
// point that is not resolved does nothing (and returns 0); an extension entry point is null.
struct GLFunctions
{
#define PLAT_GL_MEMBER(ret, name, params) ret(*name) params = nullptr;
    PLAT_GL_CORE_FUNCTIONS(PLAT_GL_MEMBER)
    PLAT_GL_EXTENSION_FUNCTIONS(PLAT_GL_MEMBER)
#undef PLAT_GL_MEMBER
};

// The table calls go through: the installed one, else the driver's. Main thread only.
GLFunctions& gl();
// The table resolved from the driver; probes write their extension entry points here.
GLFunctions& glDriver();
// Makes calls go through table (not owned); null returns to the driver's table.
void setGLFunctions(GLFunctions* table);

// The address of a named entry point in the current GL library, null when it has none.
void* glProcAddress(const char* name);

// Resolves one entry point into slot; true when it resolved.
template <typename F>
bool resolveGLFunction(F& slot, const char* name)
{
    slot = reinterpret_cast<F>(glProcAddress(name));
    return slot != nullptr;
}

// Enables or disables a capability (glEnable / glDisable) or a client array.
void glSwitch(GLenum capability, bool on);
void glClientSwitch(GLenum array, bool on);
// Reads (and so clears) the GL error; true when there was one.
bool glErrorPending();
// True when the current context's extension string contains name anywhere (plain substring
// search, not the word test); false without a context.
bool glExtensionStringHas(const char* name);

// Resolves every core entry point into the driver's table; false when one is missing (that one
// keeps doing nothing). Needs a loaded GL library (a GL window or context exists).
[[nodiscard]] bool loadGLFunctions();

}
