#pragma once

// Capturing one frame of the game's drawing and drawing it again with a minimal GL program.
//
// The capture puts a table of its own in front of the driver's (plat::setGLFunctions) for one frame.
// At every draw it reads the state that decides the picture back from the driver (matrices, depth,
// blending, alpha test, culling, fog, the bound texture) and fetches the drawn vertices from the
// arrays and buffers bound at the time, so it sees what GL drew whatever path the engine took. Each
// vertex is moved to eye space with the draw's model-view matrix (and, when the draw's projection
// is not the frame's, to the eye space of the frame's projection), and keeps its colour and texture
// coordinates; the textures are read back from the driver.
//
// The minimal program holds the captured triangles in one vertex buffer object (and one index
// buffer) per texture and draws them in the engine's order, setting only the state that changes
// between draws.

#include "platform/GLFunctions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace gameframe
{

// One vertex as the minimal program draws it: eye-space position and normal, texture coordinates,
// colour.
struct Vertex
{
    float position[4];
    float texCoord[2];
    float colour[4];
    float normal[3];
};

using Colour = std::array<double, 4>;

// One light as GL keeps it: position and spot direction in eye space.
struct Light
{
    std::array<double, 4> position{};
    Colour ambient{};
    Colour diffuse{};
    Colour specular{};
    std::array<double, 3> spotDirection{};
    double spotExponent = 0.0;
    double spotCutoff = 180.0;
    std::array<double, 3> attenuation{1.0, 0.0, 0.0};

    bool operator==(const Light&) const = default;
};

// The fixed-function lighting of a draw: front material, light model and the lights that are on.
struct Lighting
{
    Colour ambient{};
    Colour diffuse{};
    Colour specular{};
    Colour emission{};
    double shininess = 0.0;
    // GL_NONE when the colour material is off, else the front material values the vertex colour sets.
    GLenum colourMaterial = GL_NONE;
    Colour modelAmbient{};
    bool localViewer = false;
    bool separateSpecular = false;
    bool normalize = false;
    std::vector<Light> lights;

    bool operator==(const Lighting&) const = default;
};

// The state of one draw that the minimal program sets.
struct DrawState
{
    GLuint texture = 0;    // 0: untextured
    GLint textureEnv = GL_MODULATE;
    bool depthTest = false;
    GLint depthFunc = GL_LESS;
    bool depthMask = true;
    bool blend = false;
    GLint blendSource = GL_ONE;
    GLint blendDestination = GL_ZERO;
    bool alphaTest = false;
    GLint alphaFunc = GL_ALWAYS;
    float alphaReference = 0.0f;
    bool cullFace = false;
    GLint cullMode = GL_BACK;
    GLint frontFace = GL_CCW;
    bool fog = false;
    GLint fogMode = GL_EXP;
    float fogStart = 0.0f;
    float fogEnd = 1.0f;
    float fogDensity = 1.0f;
    std::array<float, 4> fogColour{};
    bool colourWrites = true;
    bool smooth = true;
    float pointSize = 1.0f;
    std::array<GLint, 4> viewport{};
    std::array<double, 2> depthRange{0.0, 1.0};
    std::array<double, 16> projection{};
    std::optional<Lighting> lighting;

    bool operator==(const DrawState&) const = default;
};

// A clear of the frame's buffers.
struct Clear
{
    GLbitfield mask = 0;
    std::array<float, 4> colour{};
};

// One step of the frame in the engine's order: a clear, or triangles (or points) of one texture
// group drawn with one state (the indices first .. first + count of the group's index list).
struct Step
{
    std::optional<Clear> clear;
    std::size_t state = 0;
    std::size_t group = 0;
    GLenum mode = GL_TRIANGLES;
    GLint first = 0;
    GLsizei count = 0;
};

// A texture as the engine made it: its levels (read back compressed when the driver keeps it so)
// and parameters.
struct TextureCopy
{
    struct Level
    {
        GLint width = 0;
        GLint height = 0;
        GLint internalFormat = GL_RGBA;
        bool compressed = false;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Level> levels;
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLint magFilter = GL_LINEAR;
    GLint wrapS = GL_REPEAT;
    GLint wrapT = GL_REPEAT;
};

// What the engine's calls in the frame were, for the report.
struct CallCounts
{
    int drawCalls = 0;
    int immediateDraws = 0;
    int displayListCalls = 0;
    int skippedPrimitives = 0;    // lines
    int litDraws = 0;
    int twoSidedDraws = 0;
    int textureGenDraws = 0;
    int secondUnitDraws = 0;
    int textureBinds = 0;
    int stateChanges = 0;
    int bufferUploads = 0;
};

// The captured frame.
struct Frame
{
    std::vector<DrawState> states;
    // Per texture group: its texture (0 untextured), its distinct vertices and the indices of its
    // triangles (and points).
    std::vector<GLuint> groupTextures;
    std::vector<std::vector<Vertex>> groupVertices;
    std::vector<std::vector<GLuint>> groupIndices;
    std::vector<Step> steps;
    std::map<GLuint, TextureCopy> textures;
    std::array<double, 16> projection{};
    CallCounts calls;

    std::size_t triangleCount() const;
    // One line: triangles, steps, textures and the engine's call counts.
    std::string summary() const;
};

struct CapturedFrame
{
    Frame frame;
    std::vector<std::uint32_t> pixels;
};

// Captures what paint draws; paint returns the picture it painted. Nothing when the driver lacks an
// entry point the capture reads with. Display-list calls and lines are counted but not captured.
inline std::optional<CapturedFrame> capture(const std::function<std::vector<std::uint32_t>()>& paint);

// The captured frame drawn from buffer objects, one per texture group.
class MinimalProgram
{
public:
    explicit MinimalProgram(const Frame& frame);
    ~MinimalProgram();
    MinimalProgram(const MinimalProgram&) = delete;
    MinimalProgram& operator=(const MinimalProgram&) = delete;

    // Saves the engine's GL state and sets the program's fixed one (matrices, arrays).
    void begin();
    // Draws the frame.
    void draw();
    // Gives the engine its GL state back.
    void end();

private:
    void apply(const DrawState& state);
    void light(const Lighting& lighting);
    void bindGroup(std::size_t group);

    const Frame& m_frame;
    std::vector<GLuint> m_buffers;
    std::vector<GLuint> m_indexBuffers;
    std::map<GLuint, GLuint> m_textures;
    std::optional<std::size_t> m_state;
    std::optional<std::size_t> m_group;
};

namespace detail
{

// Every entry point of the table, numbered for the call counts.
enum class Call
{
#define GAMEFRAME_CALL(ret, name, params) name,
    PLAT_GL_CORE_FUNCTIONS(GAMEFRAME_CALL) PLAT_GL_EXTENSION_FUNCTIONS(GAMEFRAME_CALL)
#undef GAMEFRAME_CALL
    count
};


using Matrix = std::array<double, 16>;

// Entry points the engine's table does not hold, resolved once.
struct Queries
{
    void (*GetPointerv)(GLenum, void**) = nullptr;
    void (*GetTexEnviv)(GLenum, GLenum, GLint*) = nullptr;
    void (*GetCompressedTexImage)(GLenum, GLint, void*) = nullptr;
    void (*PushAttrib)(GLbitfield) = nullptr;
    void (*PopAttrib)() = nullptr;
    void (*PushClientAttrib)(GLbitfield) = nullptr;
    void (*PopClientAttrib)() = nullptr;
    void (*FrontFace)(GLenum) = nullptr;
    void (*GetLightfv)(GLenum, GLenum, GLfloat*) = nullptr;
    void (*GetMaterialfv)(GLenum, GLenum, GLfloat*) = nullptr;
    void (*CompressedTexImage2D)(GLenum, GLint, GLenum, GLsizei, GLsizei, GLint, GLsizei, const void*) = nullptr;

    bool resolve()
    {
        bool all = plat::resolveGLFunction(GetPointerv, "glGetPointerv");
        all = plat::resolveGLFunction(GetTexEnviv, "glGetTexEnviv") && all;
        all = plat::resolveGLFunction(GetCompressedTexImage, "glGetCompressedTexImageARB") && all;
        all = plat::resolveGLFunction(PushAttrib, "glPushAttrib") && all;
        all = plat::resolveGLFunction(PopAttrib, "glPopAttrib") && all;
        all = plat::resolveGLFunction(PushClientAttrib, "glPushClientAttrib") && all;
        all = plat::resolveGLFunction(PopClientAttrib, "glPopClientAttrib") && all;
        all = plat::resolveGLFunction(FrontFace, "glFrontFace") && all;
        all = plat::resolveGLFunction(GetLightfv, "glGetLightfv") && all;
        all = plat::resolveGLFunction(GetMaterialfv, "glGetMaterialfv") && all;
        return plat::resolveGLFunction(CompressedTexImage2D, "glCompressedTexImage2DARB") && all;
    }
};

inline Queries& queries()
{
    static Queries q;
    return q;
}

// What a draw needs besides its state to place its vertices: the model-view and texture matrices and
// its lighting.
struct DrawSetup
{
    DrawState state;
    Matrix modelView{};
    Matrix normalMatrix{};    // transposed inverse of the model-view
    Matrix texture{};
    bool textureMatrix = false;
};

// A draw as captured: its state, or a clear, and its triangles' vertices in eye space.
struct CapturedDraw
{
    std::optional<Clear> clear;
    GLenum mode = GL_TRIANGLES;
    DrawState state;
    std::vector<Vertex> vertices;
};

// One array of the fixed-function vertex arrays, as bound at a draw.
struct ArrayRead
{
    bool on = false;
    GLint size = 0;
    GLenum type = GL_FLOAT;
    GLsizei stride = 0;
    const std::uint8_t* base = nullptr;
    std::size_t limit = SIZE_MAX;    // bytes readable from base (a buffer's size less the offset)
};

struct Recorder
{
    std::vector<CapturedDraw> draws;
    std::array<int, std::size_t(Call::count)> calls{};
    CallCounts counts;
    std::map<GLuint, std::vector<std::uint8_t>> buffers;
    // The primitive between Begin and End.
    GLenum immediateMode = 0;
    DrawSetup immediateSetup;
    std::vector<Vertex> immediateVertices;
    std::array<float, 4> currentColour{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 4> currentTexCoord{0.0f, 0.0f, 0.0f, 1.0f};
    std::array<float, 3> currentNormal{0.0f, 0.0f, 1.0f};
};

inline Recorder*& active()
{
    static Recorder* recorder = nullptr;
    return recorder;
}

inline plat::GLFunctions& driver()
{
    return plat::glDriver();
}

// Forwards a call to the driver, counted.
template <typename F>
struct Forward;

template <typename R, typename... A>
struct Forward<R (*)(A...)>
{
    template <R (*plat::GLFunctions::*member)(A...), Call call>
    static R to(A... arguments)
    {
        ++active()->calls[std::size_t(call)];
        return (driver().*member)(arguments...);
    }
};

inline void tally(Call call)
{
    ++active()->calls[std::size_t(call)];
}

inline bool enabled(GLenum capability)
{
    return driver().IsEnabled(capability) == GL_TRUE;
}

inline GLint integer(GLenum name)
{
    GLint value = 0;
    driver().GetIntegerv(name, &value);
    return value;
}

inline float real(GLenum name)
{
    GLfloat value = 0.0f;
    driver().GetFloatv(name, &value);
    return value;
}

inline Matrix matrix(GLenum name)
{
    Matrix m{};
    driver().GetDoublev(name, m.data());
    return m;
}

inline bool isIdentity(const Matrix& m)
{
    for (int i = 0; i < 16; ++i) {
        if (m[std::size_t(i)] != (i % 5 == 0 ? 1.0 : 0.0)) {
            return false;
        }
    }
    return true;
}

// m (column major) times v.
inline std::array<double, 4> transform(const Matrix& m, const std::array<double, 4>& v)
{
    std::array<double, 4> out{};
    for (std::size_t row = 0; row < 4; ++row) {
        out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    }
    return out;
}

inline Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix out{};
    for (std::size_t column = 0; column < 4; ++column) {
        const std::array<double, 4> c = transform(a, {b[column * 4], b[column * 4 + 1], b[column * 4 + 2], b[column * 4 + 3]});
        std::copy(c.begin(), c.end(), out.begin() + std::ptrdiff_t(column * 4));
    }
    return out;
}

// The inverse of m by Gauss-Jordan elimination with partial pivoting; identity when m is singular.
inline Matrix inverse(const Matrix& m)
{
    double a[4][8] = {};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            a[row][column] = m[std::size_t(column * 4 + row)];
        }
        a[row][4 + row] = 1.0;
    }
    for (int column = 0; column < 4; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 4; ++row) {
            pivot = std::abs(a[row][column]) > std::abs(a[pivot][column]) ? row : pivot;
        }
        if (a[pivot][column] == 0.0) {
            return Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        }
        std::swap(a[pivot], a[column]);
        const double scale = a[column][column];
        for (double& value : a[column]) {
            value /= scale;
        }
        for (int row = 0; row < 4; ++row) {
            const double factor = row == column ? 0.0 : a[row][column];
            for (int k = 0; k < 8; ++k) {
                a[row][k] -= factor * a[column][k];
            }
        }
    }
    Matrix out{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            out[std::size_t(column * 4 + row)] = a[row][4 + column];
        }
    }
    return out;
}

// Runs read with texture unit `unit` active (server and client side), then restores the units.
template <typename Read>
void onUnit(int unit, Read read)
{
    plat::GLFunctions& d = driver();
    if (d.ActiveTextureARB == nullptr) {
        read();
        return;
    }
    const GLint server = integer(GL_ACTIVE_TEXTURE_ARB);
    const GLint client = integer(GL_CLIENT_ACTIVE_TEXTURE_ARB);
    d.ActiveTextureARB(GL_TEXTURE0_ARB + unit);
    d.ClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
    read();
    d.ActiveTextureARB(GLenum(server));
    d.ClientActiveTextureARB(GLenum(client));
}

inline void readTextureState(DrawSetup& setup)
{
    DrawState& s = setup.state;
    onUnit(0, [&] {
        s.texture = enabled(GL_TEXTURE_2D) ? GLuint(integer(GL_TEXTURE_BINDING_2D)) : 0;
        queries().GetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &s.textureEnv);
        setup.texture = matrix(GL_TEXTURE_MATRIX);
        setup.textureMatrix = !isIdentity(setup.texture);
        if (enabled(GL_TEXTURE_GEN_S) || enabled(GL_TEXTURE_GEN_T)) {
            ++active()->counts.textureGenDraws;
        }
    });
    if (s.texture == 0) {
        s.textureEnv = GL_MODULATE;
    }
    onUnit(1, [&] {
        if (enabled(GL_TEXTURE_2D)) {
            ++active()->counts.secondUnitDraws;
        }
    });
}

inline void readFog(DrawState& s)
{
    s.fog = enabled(GL_FOG);
    if (!s.fog) {
        return;
    }
    s.fogMode = integer(GL_FOG_MODE);
    s.fogStart = real(GL_FOG_START);
    s.fogEnd = real(GL_FOG_END);
    s.fogDensity = real(GL_FOG_DENSITY);
    driver().GetFloatv(GL_FOG_COLOR, s.fogColour.data());
}

inline void readFragmentState(DrawState& s)
{
    s.depthTest = enabled(GL_DEPTH_TEST);
    s.depthFunc = integer(GL_DEPTH_FUNC);
    s.depthMask = integer(GL_DEPTH_WRITEMASK) != 0;
    s.blend = enabled(GL_BLEND);
    s.blendSource = s.blend ? integer(GL_BLEND_SRC) : GL_ONE;
    s.blendDestination = s.blend ? integer(GL_BLEND_DST) : GL_ZERO;
    s.alphaTest = enabled(GL_ALPHA_TEST);
    s.alphaFunc = s.alphaTest ? integer(GL_ALPHA_TEST_FUNC) : GL_ALWAYS;
    s.alphaReference = s.alphaTest ? real(GL_ALPHA_TEST_REF) : 0.0f;
    s.cullFace = enabled(GL_CULL_FACE);
    s.cullMode = s.cullFace ? integer(GL_CULL_FACE_MODE) : GL_BACK;
    s.frontFace = s.cullFace ? integer(GL_FRONT_FACE) : GL_CCW;
    GLint mask[4] = {};
    driver().GetIntegerv(GL_COLOR_WRITEMASK, mask);
    s.colourWrites = mask[0] != 0 || mask[1] != 0 || mask[2] != 0;
    driver().GetIntegerv(GL_VIEWPORT, s.viewport.data());
    s.pointSize = real(GL_POINT_SIZE);
    s.smooth = integer(GL_SHADE_MODEL) != GL_FLAT;
    driver().GetDoublev(GL_DEPTH_RANGE, s.depthRange.data());
    readFog(s);
}

inline Colour colourOf(const GLfloat* c)
{
    return Colour{c[0], c[1], c[2], c[3]};
}

inline Colour materialValue(GLenum name)
{
    GLfloat value[4] = {};
    queries().GetMaterialfv(GL_FRONT, name, value);
    return colourOf(value);
}

inline Light readLight(GLenum name)
{
    Light light;
    GLfloat v[4] = {};
    const auto read = [&](GLenum property) {
        queries().GetLightfv(name, property, v);
        return colourOf(v);
    };
    light.position = read(GL_POSITION);
    light.ambient = read(GL_AMBIENT);
    light.diffuse = read(GL_DIFFUSE);
    light.specular = read(GL_SPECULAR);
    const Colour spot = read(GL_SPOT_DIRECTION);
    light.spotDirection = {spot[0], spot[1], spot[2]};
    light.spotExponent = read(GL_SPOT_EXPONENT)[0];
    light.spotCutoff = read(GL_SPOT_CUTOFF)[0];
    light.attenuation = {read(GL_CONSTANT_ATTENUATION)[0], read(GL_LINEAR_ATTENUATION)[0],
                         read(GL_QUADRATIC_ATTENUATION)[0]};
    return light;
}

inline Lighting readLighting()
{
    Lighting lighting;
    lighting.ambient = materialValue(GL_AMBIENT);
    lighting.diffuse = materialValue(GL_DIFFUSE);
    lighting.specular = materialValue(GL_SPECULAR);
    lighting.emission = materialValue(GL_EMISSION);
    lighting.shininess = materialValue(GL_SHININESS)[0];
    if (enabled(GL_COLOR_MATERIAL)) {
        lighting.colourMaterial = GLenum(integer(GL_COLOR_MATERIAL_PARAMETER));
    }
    driver().GetDoublev(GL_LIGHT_MODEL_AMBIENT, lighting.modelAmbient.data());
    lighting.localViewer = integer(GL_LIGHT_MODEL_LOCAL_VIEWER) != 0;
    lighting.separateSpecular = integer(GL_LIGHT_MODEL_COLOR_CONTROL) == GL_SEPARATE_SPECULAR_COLOR;
    lighting.normalize = enabled(GL_NORMALIZE) || enabled(GL_RESCALE_NORMAL);
    for (GLenum light = GL_LIGHT0; light < GL_LIGHT0 + 8; ++light) {
        if (enabled(light)) {
            lighting.lights.push_back(readLight(light));
        }
    }
    if (integer(GL_LIGHT_MODEL_TWO_SIDE) != 0) {
        ++active()->counts.twoSidedDraws;
    }
    return lighting;
}

inline Matrix transposed(const Matrix& m)
{
    Matrix out{};
    for (std::size_t row = 0; row < 4; ++row) {
        for (std::size_t column = 0; column < 4; ++column) {
            out[column * 4 + row] = m[row * 4 + column];
        }
    }
    return out;
}

inline DrawSetup readSetup()
{
    DrawSetup setup;
    readTextureState(setup);
    readFragmentState(setup.state);
    setup.state.projection = matrix(GL_PROJECTION_MATRIX);
    setup.modelView = matrix(GL_MODELVIEW_MATRIX);
    setup.normalMatrix = transposed(inverse(setup.modelView));
    if (enabled(GL_LIGHTING)) {
        ++active()->counts.litDraws;
        setup.state.lighting = readLighting();
    }
    return setup;
}

// The bytes of a buffer object as they are now, read back once per change.
inline const std::vector<std::uint8_t>& bufferBytes(GLuint name)
{
    std::vector<std::uint8_t>& bytes = active()->buffers[name];
    if (!bytes.empty()) {
        return bytes;
    }
    plat::GLFunctions& d = driver();
    const GLint bound = integer(GL_ARRAY_BUFFER_BINDING_ARB);
    d.BindBufferARB(GL_ARRAY_BUFFER_ARB, name);
    GLint size = 0;
    d.GetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
    bytes.resize(std::size_t(std::max(size, 0)));
    d.GetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, size, bytes.data());
    d.BindBufferARB(GL_ARRAY_BUFFER_ARB, GLuint(bound));
    return bytes;
}

// Points source at the buffer object or client memory that a bound pointer names.
inline void locate(ArrayRead& array, GLuint buffer, const void* pointer)
{
    if (buffer == 0) {
        array.base = static_cast<const std::uint8_t*>(pointer);
        return;
    }
    const std::vector<std::uint8_t>& bytes = bufferBytes(buffer);
    const std::size_t offset = reinterpret_cast<std::uintptr_t>(pointer);
    array.limit = offset <= bytes.size() ? bytes.size() - offset : 0;
    array.base = bytes.data() + std::min(offset, bytes.size());
}

struct ArrayNames
{
    GLenum array;
    GLenum size;    // 0: three components
    GLenum type;
    GLenum stride;
    GLenum pointer;
    GLenum buffer;
};

inline ArrayRead readArray(const ArrayNames& names)
{
    ArrayRead array;
    array.on = enabled(names.array);
    if (!array.on) {
        return array;
    }
    array.size = names.size != 0 ? integer(names.size) : 3;
    array.type = GLenum(integer(names.type));
    array.stride = integer(names.stride);
    void* pointer = nullptr;
    queries().GetPointerv(names.pointer, &pointer);
    locate(array, GLuint(integer(names.buffer)), pointer);
    return array;
}

inline std::size_t typeSize(GLenum type)
{
    switch (type) {
    case GL_BYTE:
    case GL_UNSIGNED_BYTE: return 1;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT: return 2;
    case GL_DOUBLE: return 8;
    default: return 4;
    }
}

// Component c of element i; fallback when it lies outside what can be read.
inline double component(const ArrayRead& array, std::size_t i, int c, double fallback)
{
    if (!array.on || c >= array.size || array.base == nullptr) {
        return fallback;
    }
    const std::size_t size = typeSize(array.type);
    const std::size_t step = array.stride != 0 ? std::size_t(array.stride) : size * std::size_t(array.size);
    const std::size_t at = i * step + std::size_t(c) * size;
    if (at + size > array.limit) {
        return fallback;
    }
    const std::uint8_t* p = array.base + at;
    switch (array.type) {
    case GL_UNSIGNED_BYTE: return double(*p) / 255.0;
    case GL_BYTE: return double(*reinterpret_cast<const std::int8_t*>(p));
    case GL_SHORT: return double(*reinterpret_cast<const std::int16_t*>(p));
    case GL_UNSIGNED_SHORT: return double(*reinterpret_cast<const std::uint16_t*>(p));
    case GL_INT: return double(*reinterpret_cast<const std::int32_t*>(p));
    case GL_DOUBLE: return *reinterpret_cast<const double*>(p);
    default: return double(*reinterpret_cast<const float*>(p));
    }
}

// The arrays a draw reads: positions, colours, normals and the first unit's texture coordinates.
struct DrawArrays
{
    ArrayRead positions;
    ArrayRead colours;
    ArrayRead normals;
    ArrayRead texCoords;
};

inline DrawArrays readArrays()
{
    DrawArrays arrays;
    arrays.positions = readArray({GL_VERTEX_ARRAY, GL_VERTEX_ARRAY_SIZE, GL_VERTEX_ARRAY_TYPE, GL_VERTEX_ARRAY_STRIDE,
                                  GL_VERTEX_ARRAY_POINTER, GL_VERTEX_ARRAY_BUFFER_BINDING_ARB});
    arrays.colours = readArray({GL_COLOR_ARRAY, GL_COLOR_ARRAY_SIZE, GL_COLOR_ARRAY_TYPE, GL_COLOR_ARRAY_STRIDE,
                                GL_COLOR_ARRAY_POINTER, GL_COLOR_ARRAY_BUFFER_BINDING_ARB});
    arrays.normals = readArray({GL_NORMAL_ARRAY, 0, GL_NORMAL_ARRAY_TYPE, GL_NORMAL_ARRAY_STRIDE,
                                GL_NORMAL_ARRAY_POINTER, GL_NORMAL_ARRAY_BUFFER_BINDING_ARB});
    onUnit(0, [&] {
        arrays.texCoords = readArray({GL_TEXTURE_COORD_ARRAY, GL_TEXTURE_COORD_ARRAY_SIZE, GL_TEXTURE_COORD_ARRAY_TYPE,
                                      GL_TEXTURE_COORD_ARRAY_STRIDE, GL_TEXTURE_COORD_ARRAY_POINTER,
                                      GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING_ARB});
    });
    return arrays;
}

using Vector = std::array<double, 3>;

// A vertex in eye space from its object-space position, normal and attributes.
inline Vertex placed(const DrawSetup& setup, const std::array<double, 4>& position, const Vector& normal,
                     const std::array<float, 4>& colour, const std::array<double, 4>& texCoord)
{
    Vertex v{};
    const std::array<double, 4> eye = transform(setup.modelView, position);
    const std::array<double, 4> n = transform(setup.normalMatrix, {normal[0], normal[1], normal[2], 0.0});
    for (std::size_t i = 0; i < 3; ++i) {
        v.normal[i] = float(n[i]);
    }
    const std::array<double, 4> st = setup.textureMatrix ? transform(setup.texture, texCoord) : texCoord;
    for (std::size_t i = 0; i < 4; ++i) {
        v.position[i] = float(eye[i]);
        v.colour[i] = colour[i];
    }
    v.texCoord[0] = float(st[0] / st[3]);
    v.texCoord[1] = float(st[1] / st[3]);
    return v;
}

inline Vertex arrayVertex(const DrawSetup& setup, const DrawArrays& arrays, std::size_t i)
{
    const Recorder& r = *active();
    const std::array<double, 4> position{component(arrays.positions, i, 0, 0.0), component(arrays.positions, i, 1, 0.0),
                                         component(arrays.positions, i, 2, 0.0), component(arrays.positions, i, 3, 1.0)};
    std::array<float, 4> colour{};
    for (int c = 0; c < 4; ++c) {
        colour[std::size_t(c)] = float(component(arrays.colours, i, c, c == 3 ? 1.0 : r.currentColour[std::size_t(c)]));
    }
    const std::array<double, 4> texCoord{component(arrays.texCoords, i, 0, r.currentTexCoord[0]),
                                         component(arrays.texCoords, i, 1, r.currentTexCoord[1]),
                                         component(arrays.texCoords, i, 2, r.currentTexCoord[2]),
                                         component(arrays.texCoords, i, 3, r.currentTexCoord[3])};
    const Vector normal{component(arrays.normals, i, 0, r.currentNormal[0]), component(arrays.normals, i, 1, r.currentNormal[1]),
                        component(arrays.normals, i, 2, r.currentNormal[2])};
    return placed(setup, position, normal, colour, texCoord);
}

// The colour and texture coordinates a vertex takes when no array gives them.
inline void readCurrentAttributes()
{
    Recorder& r = *active();
    driver().GetFloatv(GL_CURRENT_COLOR, r.currentColour.data());
    driver().GetFloatv(GL_CURRENT_NORMAL, r.currentNormal.data());
    onUnit(0, [&] { driver().GetFloatv(GL_CURRENT_TEXTURE_COORDS, r.currentTexCoord.data()); });
}

// Appends the triangles of a primitive of the vertices given, each in the order GL takes it and
// ending with the vertex whose colour flat shading gives the triangle.
inline bool appendTriangles(GLenum mode, const std::vector<Vertex>& v, std::vector<Vertex>& out)
{
    const std::size_t n = v.size();
    const auto triangle = [&](std::size_t a, std::size_t b, std::size_t c) {
        out.push_back(v[a]);
        out.push_back(v[b]);
        out.push_back(v[c]);
    };
    switch (mode) {
    case GL_TRIANGLES:
        for (std::size_t i = 0; i + 2 < n; i += 3) {
            triangle(i, i + 1, i + 2);
        }
        return true;
    case GL_TRIANGLE_STRIP:
        for (std::size_t i = 0; i + 2 < n; ++i) {
            if (i % 2 == 0) {
                triangle(i, i + 1, i + 2);
            } else {
                triangle(i + 1, i, i + 2);
            }
        }
        return true;
    case GL_QUAD_STRIP:
        for (std::size_t i = 0; i + 3 < n; i += 2) {
            triangle(i, i + 1, i + 3);
            triangle(i + 2, i, i + 3);
        }
        return true;
    case GL_TRIANGLE_FAN:
        for (std::size_t i = 1; i + 1 < n; ++i) {
            triangle(0, i, i + 1);
        }
        return true;
    case GL_POLYGON:
        for (std::size_t i = 1; i + 1 < n; ++i) {
            triangle(i, i + 1, 0);
        }
        return true;
    case GL_QUADS:
        for (std::size_t i = 0; i + 3 < n; i += 4) {
            triangle(i, i + 1, i + 3);
            triangle(i + 1, i + 2, i + 3);
        }
        return true;
    default: return false;
    }
}

inline void addPrimitive(GLenum mode, const DrawSetup& setup, const std::vector<Vertex>& vertices)
{
    Recorder& r = *active();
    CapturedDraw draw;
    draw.state = setup.state;
    if (mode == GL_POINTS) {
        draw.mode = GL_POINTS;
        draw.vertices = vertices;
    } else if (!appendTriangles(mode, vertices, draw.vertices)) {
        ++r.counts.skippedPrimitives;
        return;
    }
    r.draws.push_back(std::move(draw));
}

inline void recordIndexed(GLenum mode, const std::vector<std::size_t>& indices)
{
    ++active()->counts.drawCalls;
    readCurrentAttributes();
    const DrawSetup setup = readSetup();
    const DrawArrays arrays = readArrays();
    std::vector<Vertex> vertices;
    vertices.reserve(indices.size());
    for (const std::size_t i : indices) {
        vertices.push_back(arrayVertex(setup, arrays, i));
    }
    addPrimitive(mode, setup, vertices);
}

inline std::vector<std::size_t> readIndices(GLsizei count, GLenum type, const void* indices)
{
    ArrayRead list;
    list.on = true;
    list.size = 1;
    list.type = type;
    locate(list, GLuint(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB)), indices);
    const bool bytes = type == GL_UNSIGNED_BYTE;
    std::vector<std::size_t> out;
    out.reserve(std::size_t(std::max(count, 0)));
    for (GLsizei i = 0; i < count; ++i) {
        const double value = component(list, std::size_t(i), 0, 0.0);
        out.push_back(std::size_t(bytes ? value * 255.0 + 0.5 : value));
    }
    return out;
}

inline void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    tally(Call::DrawElements);
    recordIndexed(mode, readIndices(count, type, indices));
    driver().DrawElements(mode, count, type, indices);
}

inline void drawArrays(GLenum mode, GLint first, GLsizei count)
{
    tally(Call::DrawArrays);
    std::vector<std::size_t> indices;
    for (GLsizei i = 0; i < count; ++i) {
        indices.push_back(std::size_t(first + i));
    }
    recordIndexed(mode, indices);
    driver().DrawArrays(mode, first, count);
}

inline void begin(GLenum mode)
{
    tally(Call::Begin);
    Recorder& r = *active();
    readCurrentAttributes();
    r.immediateSetup = readSetup();
    r.immediateMode = mode;
    r.immediateVertices.clear();
    driver().Begin(mode);
}

inline void end()
{
    tally(Call::End);
    Recorder& r = *active();
    driver().End();
    ++r.counts.drawCalls;
    ++r.counts.immediateDraws;
    addPrimitive(r.immediateMode, r.immediateSetup, r.immediateVertices);
}

inline void immediateVertex(double x, double y, double z)
{
    Recorder& r = *active();
    const std::array<double, 4> texCoord{r.currentTexCoord[0], r.currentTexCoord[1], r.currentTexCoord[2],
                                         r.currentTexCoord[3]};
    const Vector normal{r.currentNormal[0], r.currentNormal[1], r.currentNormal[2]};
    r.immediateVertices.push_back(placed(r.immediateSetup, {x, y, z, 1.0}, normal, r.currentColour, texCoord));
}

inline void vertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    tally(Call::Vertex3f);
    immediateVertex(x, y, z);
    driver().Vertex3f(x, y, z);
}

inline void vertex3fv(const GLfloat* v)
{
    tally(Call::Vertex3fv);
    immediateVertex(v[0], v[1], v[2]);
    driver().Vertex3fv(v);
}

inline void vertex3dv(const GLdouble* v)
{
    tally(Call::Vertex3dv);
    immediateVertex(v[0], v[1], v[2]);
    driver().Vertex3dv(v);
}

inline void normal3fv(const GLfloat* n)
{
    tally(Call::Normal3fv);
    std::copy(n, n + 3, active()->currentNormal.begin());
    driver().Normal3fv(n);
}

inline void color4fv(const GLfloat* c)
{
    tally(Call::Color4fv);
    std::copy(c, c + 4, active()->currentColour.begin());
    driver().Color4fv(c);
}

inline void color4ubv(const GLubyte* c)
{
    tally(Call::Color4ubv);
    for (std::size_t i = 0; i < 4; ++i) {
        active()->currentColour[i] = float(c[i]) / 255.0f;
    }
    driver().Color4ubv(c);
}

inline void texCoord2f(GLfloat s, GLfloat t)
{
    tally(Call::TexCoord2f);
    active()->currentTexCoord = {s, t, 0.0f, 1.0f};
    driver().TexCoord2f(s, t);
}

inline void multiTexCoord2f(GLenum unit, GLfloat s, GLfloat t)
{
    tally(Call::MultiTexCoord2fARB);
    if (unit == GL_TEXTURE0_ARB) {
        active()->currentTexCoord = {s, t, 0.0f, 1.0f};
    }
    driver().MultiTexCoord2fARB(unit, s, t);
}

inline void multiTexCoord2fv(GLenum unit, const GLfloat* st)
{
    tally(Call::MultiTexCoord2fvARB);
    if (unit == GL_TEXTURE0_ARB) {
        active()->currentTexCoord = {st[0], st[1], 0.0f, 1.0f};
    }
    driver().MultiTexCoord2fvARB(unit, st);
}

inline void clear(GLbitfield mask)
{
    tally(Call::Clear);
    CapturedDraw step;
    step.clear = Clear{mask, {}};
    driver().GetFloatv(GL_COLOR_CLEAR_VALUE, step.clear->colour.data());
    active()->draws.push_back(std::move(step));
    driver().Clear(mask);
}

inline void callList(GLuint list)
{
    tally(Call::CallList);
    ++active()->counts.displayListCalls;
    driver().CallList(list);
}

// Buffer contents change: what was read back is stale.
inline void bufferData(GLenum target, GLsizeiptrARB size, const void* data, GLenum usage)
{
    tally(Call::BufferDataARB);
    active()->buffers.clear();
    driver().BufferDataARB(target, size, data, usage);
}

inline void bufferSubData(GLenum target, GLintptrARB offset, GLsizeiptrARB size, const void* data)
{
    tally(Call::BufferSubDataARB);
    active()->buffers.clear();
    driver().BufferSubDataARB(target, offset, size, data);
}

inline void* mapBuffer(GLenum target, GLenum access)
{
    tally(Call::MapBufferARB);
    active()->buffers.clear();
    return driver().MapBufferARB(target, access);
}

// The table of the capture: every entry point counted and forwarded, the drawing ones recorded.
inline plat::GLFunctions recordingTable()
{
    plat::GLFunctions table;
    const plat::GLFunctions& d = driver();
#define GAMEFRAME_FORWARD(ret, name, params)                                                       \
    if (d.name != nullptr) {                                                                       \
        table.name = &Forward<decltype(d.name)>::to<&plat::GLFunctions::name, Call::name>;          \
    }
    PLAT_GL_CORE_FUNCTIONS(GAMEFRAME_FORWARD)
    PLAT_GL_EXTENSION_FUNCTIONS(GAMEFRAME_FORWARD)
#undef GAMEFRAME_FORWARD
    table.DrawElements = &drawElements;
    table.DrawArrays = &drawArrays;
    table.Begin = &begin;
    table.End = &end;
    table.Vertex3f = &vertex3f;
    table.Vertex3fv = &vertex3fv;
    table.Vertex3dv = &vertex3dv;
    table.Color4fv = &color4fv;
    table.Normal3fv = &normal3fv;
    table.Color4ubv = &color4ubv;
    table.TexCoord2f = &texCoord2f;
    table.Clear = &clear;
    table.CallList = &callList;
    if (d.MultiTexCoord2fARB != nullptr) {
        table.MultiTexCoord2fARB = &multiTexCoord2f;
        table.MultiTexCoord2fvARB = &multiTexCoord2fv;
    }
    if (d.BufferDataARB != nullptr) {
        table.BufferDataARB = &bufferData;
        table.BufferSubDataARB = &bufferSubData;
        table.MapBufferARB = &mapBuffer;
    }
    return table;
}

// The calls that change state rather than draw, fetch or query.
inline bool changesState(Call call)
{
    switch (call) {
    case Call::Enable:
    case Call::Disable:
    case Call::BlendFunc:
    case Call::CullFace:
    case Call::TexEnvi:
    case Call::AlphaFunc:
    case Call::DepthFunc:
    case Call::DepthRange:
    case Call::DepthMask:
    case Call::ColorMask:
    case Call::ShadeModel:
    case Call::TexGeni:
    case Call::LightModeli:
    case Call::LightModelfv:
    case Call::Lightfv:
    case Call::Lightf:
    case Call::Fogi:
    case Call::Fogf:
    case Call::Fogfv:
    case Call::Materialfv:
    case Call::Materialf:
    case Call::ColorMaterial:
    case Call::MatrixMode:
    case Call::LoadIdentity:
    case Call::LoadMatrixd:
    case Call::MultMatrixf:
    case Call::PushMatrix:
    case Call::PopMatrix:
    case Call::Viewport:
    case Call::ActiveTextureARB: return true;
    default: return false;
    }
}

inline TextureCopy::Level readLevel(GLint level)
{
    TextureCopy::Level copy;
    plat::GLFunctions& d = driver();
    d.GetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &copy.width);
    d.GetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &copy.height);
    d.GetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_INTERNAL_FORMAT, &copy.internalFormat);
    GLint compressed = 0;
    d.GetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_COMPRESSED_ARB, &compressed);
    copy.compressed = compressed != 0;
    if (copy.width <= 0 || copy.height <= 0) {
        return copy;
    }
    if (copy.compressed) {
        GLint bytes = 0;
        d.GetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &bytes);
        copy.bytes.resize(std::size_t(std::max(bytes, 0)));
        queries().GetCompressedTexImage(GL_TEXTURE_2D, level, copy.bytes.data());
        return copy;
    }
    copy.bytes.resize(std::size_t(copy.width) * std::size_t(copy.height) * 4);
    d.PixelStorei(GL_PACK_ALIGNMENT, 4);
    d.GetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, copy.bytes.data());
    return copy;
}

inline TextureCopy readTexture(GLuint name)
{
    TextureCopy copy;
    onUnit(0, [&] {
        plat::GLFunctions& d = driver();
        const GLint bound = integer(GL_TEXTURE_BINDING_2D);
        d.BindTexture(GL_TEXTURE_2D, name);
        for (GLint level = 0; level < 16; ++level) {
            TextureCopy::Level one = readLevel(level);
            if (one.width <= 0 || one.height <= 0) {
                break;
            }
            copy.levels.push_back(std::move(one));
        }
        d.GetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &copy.minFilter);
        d.GetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &copy.magFilter);
        d.GetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &copy.wrapS);
        d.GetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &copy.wrapT);
        d.BindTexture(GL_TEXTURE_2D, GLuint(bound));
    });
    return copy;
}

// The projection most triangles were drawn with.
inline Matrix mainProjection(const std::vector<CapturedDraw>& draws)
{
    std::map<Matrix, std::size_t> triangles;
    for (const CapturedDraw& draw : draws) {
        if (!draw.clear) {
            triangles[draw.state.projection] += draw.vertices.size();
        }
    }
    Matrix best{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::size_t most = 0;
    for (const auto& [projection, count] : triangles) {
        if (count > most) {
            best = projection;
            most = count;
        }
    }
    return best;
}

// Moves a draw's vertices from the eye space of its projection to that of the frame's, so that the
// frame's projection puts them where the draw's put them.
inline void reproject(CapturedDraw& draw, const Matrix& frameProjection, const Matrix& toFrame)
{
    if (draw.clear || draw.state.projection == frameProjection) {
        return;
    }
    const Matrix m = multiply(toFrame, draw.state.projection);
    for (Vertex& v : draw.vertices) {
        const std::array<double, 4> p = transform(m, {v.position[0], v.position[1], v.position[2], v.position[3]});
        for (std::size_t i = 0; i < 4; ++i) {
            v.position[i] = float(p[i]);
        }
    }
    draw.state.projection = frameProjection;
}

template <typename T>
std::size_t indexOf(std::vector<T>& list, const T& value)
{
    const auto found = std::find(list.begin(), list.end(), value);
    if (found != list.end()) {
        return std::size_t(found - list.begin());
    }
    list.push_back(value);
    return list.size() - 1;
}

// The distinct vertices of each group so far, by their bytes.
using VertexIndex = std::vector<std::map<std::string, GLuint>>;

// Appends the vertices of a draw to a group: each new one to its vertices, the index of each to its
// index list.
inline void addToGroup(Frame& frame, VertexIndex& known, std::size_t group, const std::vector<Vertex>& vertices)
{
    std::vector<Vertex>& distinct = frame.groupVertices[group];
    for (const Vertex& v : vertices) {
        const std::string bytes(reinterpret_cast<const char*>(&v), sizeof v);
        const auto [place, added] = known[group].try_emplace(bytes, GLuint(distinct.size()));
        if (added) {
            distinct.push_back(v);
        }
        frame.groupIndices[group].push_back(place->second);
    }
}

// Appends one captured draw to the frame: its vertices to its texture's group, and a step, or more
// indices for the last step when it draws the same group with the same state right before them.
inline void appendDraw(Frame& frame, VertexIndex& known, CapturedDraw& draw)
{
    if (draw.clear) {
        Step step;
        step.clear = draw.clear;
        frame.steps.push_back(step);
        return;
    }
    if (draw.vertices.empty()) {
        return;
    }
    const std::size_t group = indexOf(frame.groupTextures, draw.state.texture);
    frame.groupVertices.resize(frame.groupTextures.size());
    frame.groupIndices.resize(frame.groupTextures.size());
    known.resize(frame.groupTextures.size());
    const std::size_t state = indexOf(frame.states, draw.state);
    const GLint first = GLint(frame.groupIndices[group].size());
    addToGroup(frame, known, group, draw.vertices);
    Step* last = frame.steps.empty() ? nullptr : &frame.steps.back();
    if (last != nullptr && !last->clear && last->group == group && last->state == state && last->mode == draw.mode &&
        last->first + last->count == first) {
        last->count += GLsizei(draw.vertices.size());
        return;
    }
    Step step;
    step.state = state;
    step.group = group;
    step.mode = draw.mode;
    step.first = first;
    step.count = GLsizei(draw.vertices.size());
    frame.steps.push_back(step);
}

inline Frame assemble(Recorder& r)
{
    Frame frame;
    frame.projection = mainProjection(r.draws);
    const Matrix toFrame = inverse(frame.projection);
    VertexIndex known;
    for (CapturedDraw& draw : r.draws) {
        reproject(draw, frame.projection, toFrame);
        appendDraw(frame, known, draw);
    }
    for (const GLuint texture : frame.groupTextures) {
        if (texture != 0) {
            frame.textures[texture] = readTexture(texture);
        }
    }
    frame.calls = r.counts;
    for (std::size_t i = 0; i < r.calls.size(); ++i) {
        frame.calls.stateChanges += changesState(Call(i)) ? r.calls[i] : 0;
    }
    frame.calls.textureBinds = r.calls[std::size_t(Call::BindTexture)];
    frame.calls.bufferUploads = r.calls[std::size_t(Call::BufferDataARB)] + r.calls[std::size_t(Call::BufferSubDataARB)];
    return frame;
}

}

inline std::optional<CapturedFrame> capture(const std::function<std::vector<std::uint32_t>()>& paint)
{
    if (!detail::queries().resolve()) {
        return std::nullopt;
    }
    detail::Recorder recorder;
    plat::GLFunctions table = detail::recordingTable();
    detail::active() = &recorder;
    plat::setGLFunctions(&table);
    CapturedFrame captured;
    captured.pixels = paint();
    plat::setGLFunctions(nullptr);
    captured.frame = detail::assemble(recorder);
    detail::active() = nullptr;
    return captured;
}

inline std::size_t Frame::triangleCount() const
{
    std::size_t corners = 0;
    for (const Step& step : steps) {
        corners += !step.clear && step.mode == GL_TRIANGLES ? std::size_t(step.count) : 0;
    }
    return corners / 3;
}

inline std::string Frame::summary() const
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "%zu triangles, %zu textures, %zu steps; the game's frame: %d draw calls (%d immediate, %d display "
                  "lists, %d lines), %d lit (%d two-sided), %d texgen, %d second-unit, %d texture binds, %d state calls, %d "
                  "buffer uploads",
                  triangleCount(), textures.size(), steps.size(), calls.drawCalls, calls.immediateDraws,
                  calls.displayListCalls, calls.skippedPrimitives, calls.litDraws, calls.twoSidedDraws, calls.textureGenDraws,
                  calls.secondUnitDraws, calls.textureBinds, calls.stateChanges, calls.bufferUploads);
    return text;
}

inline MinimalProgram::MinimalProgram(const Frame& frame) : m_frame(frame)
{
    plat::GLFunctions& g = plat::gl();
    m_buffers.resize(frame.groupVertices.size());
    m_indexBuffers.resize(frame.groupIndices.size());
    g.GenBuffersARB(GLsizei(m_buffers.size()), m_buffers.data());
    g.GenBuffersARB(GLsizei(m_indexBuffers.size()), m_indexBuffers.data());
    for (std::size_t i = 0; i < m_buffers.size(); ++i) {
        const std::vector<Vertex>& vertices = frame.groupVertices[i];
        const std::vector<GLuint>& indices = frame.groupIndices[i];
        g.BindBufferARB(GL_ARRAY_BUFFER_ARB, m_buffers[i]);
        g.BufferDataARB(GL_ARRAY_BUFFER_ARB, GLsizeiptrARB(vertices.size() * sizeof(Vertex)), vertices.data(),
                        GL_STATIC_DRAW_ARB);
        g.BindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, m_indexBuffers[i]);
        g.BufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, GLsizeiptrARB(indices.size() * sizeof(GLuint)), indices.data(),
                        GL_STATIC_DRAW_ARB);
    }
    g.BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    g.BindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    for (const auto& [name, copy] : frame.textures) {
        GLuint texture = 0;
        g.GenTextures(1, &texture);
        g.BindTexture(GL_TEXTURE_2D, texture);
        g.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
        for (std::size_t level = 0; level < copy.levels.size(); ++level) {
            const TextureCopy::Level& l = copy.levels[level];
            if (l.compressed) {
                detail::queries().CompressedTexImage2D(GL_TEXTURE_2D, GLint(level), GLenum(l.internalFormat), l.width,
                                                       l.height, 0, GLsizei(l.bytes.size()), l.bytes.data());
            } else {
                g.TexImage2D(GL_TEXTURE_2D, GLint(level), l.internalFormat, l.width, l.height, 0, GL_RGBA,
                             GL_UNSIGNED_BYTE, l.bytes.data());
            }
        }
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(copy.levels.size()) - 1);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, copy.minFilter);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, copy.magFilter);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, copy.wrapS);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, copy.wrapT);
        m_textures[name] = texture;
    }
    g.BindTexture(GL_TEXTURE_2D, 0);
}

inline MinimalProgram::~MinimalProgram()
{
    plat::GLFunctions& g = plat::gl();
    g.DeleteBuffersARB(GLsizei(m_buffers.size()), m_buffers.data());
    g.DeleteBuffersARB(GLsizei(m_indexBuffers.size()), m_indexBuffers.data());
    for (const auto& [name, texture] : m_textures) {
        g.DeleteTextures(1, &texture);
    }
}

inline void MinimalProgram::begin()
{
    plat::GLFunctions& g = plat::gl();
    detail::queries().PushAttrib(GL_ALL_ATTRIB_BITS);
    detail::queries().PushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    if (g.ActiveTextureARB != nullptr) {
        g.ActiveTextureARB(GL_TEXTURE1_ARB);
        g.Disable(GL_TEXTURE_2D);
        g.ActiveTextureARB(GL_TEXTURE0_ARB);
        g.ClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
    g.MatrixMode(GL_TEXTURE);
    g.PushMatrix();
    g.LoadIdentity();
    g.MatrixMode(GL_PROJECTION);
    g.PushMatrix();
    g.LoadMatrixd(m_frame.projection.data());
    g.MatrixMode(GL_MODELVIEW);
    g.PushMatrix();
    g.LoadIdentity();
    for (const GLenum off : {GL_LIGHTING, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_COLOR_MATERIAL, GL_SCISSOR_TEST,
                             GL_STENCIL_TEST, GL_POLYGON_OFFSET_FILL}) {
        g.Disable(off);
    }
    g.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    g.EnableClientState(GL_NORMAL_ARRAY);
    g.EnableClientState(GL_VERTEX_ARRAY);
    g.EnableClientState(GL_COLOR_ARRAY);
    g.EnableClientState(GL_TEXTURE_COORD_ARRAY);
    m_state.reset();
    m_group.reset();
}

inline void MinimalProgram::end()
{
    plat::GLFunctions& g = plat::gl();
    g.MatrixMode(GL_TEXTURE);
    g.PopMatrix();
    g.MatrixMode(GL_PROJECTION);
    g.PopMatrix();
    g.MatrixMode(GL_MODELVIEW);
    g.PopMatrix();
    detail::queries().PopClientAttrib();
    detail::queries().PopAttrib();
}

inline void MinimalProgram::bindGroup(std::size_t group)
{
    if (m_group == group) {
        return;
    }
    m_group = group;
    plat::GLFunctions& g = plat::gl();
    g.BindBufferARB(GL_ARRAY_BUFFER_ARB, m_buffers[group]);
    g.BindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, m_indexBuffers[group]);
    g.VertexPointer(4, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, position)));
    g.TexCoordPointer(2, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, texCoord)));
    g.ColorPointer(4, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, colour)));
    g.NormalPointer(GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, normal)));
}

inline void MinimalProgram::light(const Lighting& l)
{
    plat::GLFunctions& g = plat::gl();
    const auto floats = [](const auto& values) {
        std::array<GLfloat, 4> out{};
        for (std::size_t i = 0; i < values.size() && i < 4; ++i) {
            out[i] = GLfloat(values[i]);
        }
        return out;
    };
    plat::glSwitch(GL_COLOR_MATERIAL, false);
    g.Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, floats(l.ambient).data());
    g.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, floats(l.diffuse).data());
    g.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, floats(l.specular).data());
    g.Materialfv(GL_FRONT_AND_BACK, GL_EMISSION, floats(l.emission).data());
    g.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, GLfloat(l.shininess));
    if (l.colourMaterial != GL_NONE) {
        g.ColorMaterial(GL_FRONT_AND_BACK, l.colourMaterial);
        plat::glSwitch(GL_COLOR_MATERIAL, true);
    }
    g.LightModelfv(GL_LIGHT_MODEL_AMBIENT, floats(l.modelAmbient).data());
    g.LightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, l.localViewer ? GL_TRUE : GL_FALSE);
    g.LightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, l.separateSpecular ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
    plat::glSwitch(GL_NORMALIZE, l.normalize);
    for (std::size_t i = 0; i < 8; ++i) {
        const GLenum name = GLenum(GL_LIGHT0 + i);
        plat::glSwitch(name, i < l.lights.size());
        if (i >= l.lights.size()) {
            continue;
        }
        const Light& one = l.lights[i];
        g.Lightfv(name, GL_POSITION, floats(one.position).data());
        g.Lightfv(name, GL_AMBIENT, floats(one.ambient).data());
        g.Lightfv(name, GL_DIFFUSE, floats(one.diffuse).data());
        g.Lightfv(name, GL_SPECULAR, floats(one.specular).data());
        g.Lightfv(name, GL_SPOT_DIRECTION, floats(one.spotDirection).data());
        g.Lightf(name, GL_SPOT_EXPONENT, GLfloat(one.spotExponent));
        g.Lightf(name, GL_SPOT_CUTOFF, GLfloat(one.spotCutoff));
        g.Lightf(name, GL_CONSTANT_ATTENUATION, GLfloat(one.attenuation[0]));
        g.Lightf(name, GL_LINEAR_ATTENUATION, GLfloat(one.attenuation[1]));
        g.Lightf(name, GL_QUADRATIC_ATTENUATION, GLfloat(one.attenuation[2]));
    }
}

inline void MinimalProgram::apply(const DrawState& s)
{
    plat::GLFunctions& g = plat::gl();
    const DrawState* before = m_state ? &m_frame.states[*m_state] : nullptr;
    const auto differs = [&](auto member) { return before == nullptr || before->*member != s.*member; };
    if (differs(&DrawState::texture)) {
        plat::glSwitch(GL_TEXTURE_2D, s.texture != 0);
        const auto found = m_textures.find(s.texture);
        if (found != m_textures.end()) {
            g.BindTexture(GL_TEXTURE_2D, found->second);
        }
    }
    if (differs(&DrawState::textureEnv)) {
        g.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, s.textureEnv);
    }
    if (differs(&DrawState::depthTest)) {
        plat::glSwitch(GL_DEPTH_TEST, s.depthTest);
    }
    if (differs(&DrawState::depthFunc)) {
        g.DepthFunc(GLenum(s.depthFunc));
    }
    if (differs(&DrawState::depthMask)) {
        g.DepthMask(s.depthMask ? GL_TRUE : GL_FALSE);
    }
    if (differs(&DrawState::blend)) {
        plat::glSwitch(GL_BLEND, s.blend);
    }
    if (differs(&DrawState::blendSource) || differs(&DrawState::blendDestination)) {
        g.BlendFunc(GLenum(s.blendSource), GLenum(s.blendDestination));
    }
    if (differs(&DrawState::alphaTest)) {
        plat::glSwitch(GL_ALPHA_TEST, s.alphaTest);
    }
    if (differs(&DrawState::alphaFunc) || differs(&DrawState::alphaReference)) {
        g.AlphaFunc(GLenum(s.alphaFunc), s.alphaReference);
    }
    if (differs(&DrawState::cullFace)) {
        plat::glSwitch(GL_CULL_FACE, s.cullFace);
    }
    if (differs(&DrawState::cullMode)) {
        g.CullFace(GLenum(s.cullMode));
    }
    if (differs(&DrawState::frontFace)) {
        detail::queries().FrontFace(GLenum(s.frontFace));
    }
    if (differs(&DrawState::fog)) {
        plat::glSwitch(GL_FOG, s.fog);
    }
    if (differs(&DrawState::fogMode)) {
        g.Fogi(GL_FOG_MODE, s.fogMode);
    }
    if (differs(&DrawState::fogStart)) {
        g.Fogf(GL_FOG_START, s.fogStart);
    }
    if (differs(&DrawState::fogEnd)) {
        g.Fogf(GL_FOG_END, s.fogEnd);
    }
    if (differs(&DrawState::fogDensity)) {
        g.Fogf(GL_FOG_DENSITY, s.fogDensity);
    }
    if (differs(&DrawState::fogColour)) {
        g.Fogfv(GL_FOG_COLOR, s.fogColour.data());
    }
    if (differs(&DrawState::colourWrites)) {
        const GLboolean on = s.colourWrites ? GL_TRUE : GL_FALSE;
        g.ColorMask(on, on, on, on);
    }
    if (differs(&DrawState::lighting)) {
        plat::glSwitch(GL_LIGHTING, s.lighting.has_value());
        if (s.lighting) {
            light(*s.lighting);
        }
    }
    if (differs(&DrawState::smooth)) {
        g.ShadeModel(s.smooth ? GL_SMOOTH : GL_FLAT);
    }
    if (differs(&DrawState::pointSize)) {
        g.PointSize(s.pointSize);
    }
    if (differs(&DrawState::viewport)) {
        g.Viewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    }
    if (differs(&DrawState::depthRange)) {
        g.DepthRange(s.depthRange[0], s.depthRange[1]);
    }
}

inline void MinimalProgram::draw()
{
    plat::GLFunctions& g = plat::gl();
    for (const Step& step : m_frame.steps) {
        if (step.clear) {
            g.ClearColor(step.clear->colour[0], step.clear->colour[1], step.clear->colour[2], step.clear->colour[3]);
            g.Clear(step.clear->mask);
            continue;
        }
        if (m_state != step.state) {
            apply(m_frame.states[step.state]);
            m_state = step.state;
        }
        bindGroup(step.group);
        g.DrawElements(step.mode, step.count, GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(std::size_t(step.first) * sizeof(GLuint)));
    }
}

}
