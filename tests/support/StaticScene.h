#pragma once

#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/GLtexture.h"
#include "gui/paint/Image.h"
#include "platform/GLFunctions.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/graph/Light.h"
#include "scene/graph/ViewCulledTraverser.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"
#include "scene/render/Viewer.h"
#include "SceneBuilders.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

// A static scene drawn two ways: through the engine (database, traverser, accumulator) and by a
// minimal GL program from one buffer object holding the same triangles. The scene benchmark times
// the two against each other; a display test checks that they draw the same picture.
namespace staticscene
{

// Unlit: vertex colours and the default material. Lit: normals, texture coordinates and one lit
// material with a texture.
enum class State
{
    Unlit,
    LitTextured,
};

// The tiles lie in the plane y = depth, seen from the viewer at the origin along +y.
constexpr float depth = 100.0f;
constexpr int textureSide = 256;
constexpr int groupSize = 10;
constexpr float background[4] = {0.1f, 0.1f, 0.2f, 1.0f};

// Stripes and a gradient, so that every mip level differs.
inline kestrel::Image texturePicture()
{
    kestrel::Image image(textureSide, textureSide);
    for (int y = 0; y < textureSide; ++y) {
        for (int x = 0; x < textureSide; ++x) {
            const std::uint32_t stripe = ((x / 16 + y / 16) % 2) != 0 ? 0xFFu : 0x40u;
            *image.pixelAt(x, y) = 0xFF000000u | stripe << 16 | std::uint32_t(x) << 8 | std::uint32_t(255 - y);
        }
    }
    return image;
}

inline heron::counted_ptr<finch::Material> litMaterial(const kestrel::Image& picture)
{
    finch::Material material(finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f});
    material.setLit(true);
    material.setSpecular(finch::RGBA{0.3f, 0.3f, 0.3f, 1.0f});
    material.setShininess(0.2f);
    heron::counted_ptr<finch::Texture> texture(new finch::Texture);
    texture->setImage(picture);
    material.setTexture(0, texture);
    return finch::Material::intern(material);
}

// The vertices of one tile.
struct TileVertices
{
    std::vector<finch::Vector3f> positions;
    std::vector<std::uint32_t> colours;
    std::vector<finch::Vector3f> normals;
    std::vector<finch::TexCoord> texCoords;
};

// A scene and the vertices of its tiles, in the order of the walk below.
struct Scene
{
    std::unique_ptr<finch::Database> db;
    std::vector<TileVertices> tiles;
};

// One tile: a strip of `triangles` (even) triangles from (x0, z0) to (x1, z1), facing the viewer.
// The normals lean with the tile's place (lean -1..1 each way) so that the light varies.
inline TileVertices tileVertices(float x0, float z0, float x1, float z1, int triangles, float leanX, float leanZ)
{
    const int rows = triangles / 2;
    TileVertices tile;
    for (int v = 0; v < triangles + 2; ++v) {
        const int row = v / 2;
        const bool right = v % 2 != 0;
        const float t = float(row) / float(rows);
        tile.positions.emplace_back(right ? x1 : x0, depth, z0 + (z1 - z0) * t);
        tile.colours.push_back(0xFF000000u | std::uint32_t(255.0f * t) << 8 | (right ? 0xFFu : 0x20u) |
                               std::uint32_t(128.0f + 127.0f * leanX) << 16);
        const float nx = 0.4f * leanX + (right ? 0.1f : -0.1f);
        const float nz = 0.4f * leanZ + 0.2f * t - 0.1f;
        const float length = std::sqrt(nx * nx + 1.0f + nz * nz);
        tile.normals.emplace_back(nx / length, -1.0f / length, nz / length);
        tile.texCoords.push_back(finch::TexCoord{right ? 1.0f : 0.0f, t});
    }
    return tile;
}

inline std::unique_ptr<finch::GeoBunch> tileBunch(State state, const TileVertices& tile,
                                                  const heron::counted_ptr<finch::Material>& material)
{
    auto bunch = std::make_unique<finch::GeoBunch>();
    bunch->setVertexData(scenebuild::stream<finch::vertex_data>(tile.positions), true);
    if (state == State::Unlit) {
        bunch->setColorData(scenebuild::stream<finch::color_data>(tile.colours));
    } else {
        bunch->setNormalData(scenebuild::stream<finch::normal_data>(tile.normals));
        bunch->setTexcoordData(scenebuild::stream<finch::texcoord_data>(tile.texCoords), 0);
        bunch->editSurface().setMaterial(material);
    }
    bunch->setStripData(scenebuild::stream<finch::strip_data>(std::vector<std::int32_t>{std::int32_t(tile.positions.size())}));
    return bunch;
}

// A viewer at the origin looking along +y into a window of width x height.
inline finch::Viewer viewerFor(int width, int height)
{
    finch::Viewer viewer;
    static_cast<void>(viewer.setSize(width, height));
    return viewer;
}

// Columns of a grid of n tiles filling a width x height view: the divisor of n nearest to the square
// root of n times the aspect, so that the rows are full.
inline int columnsFor(int n, int width, int height)
{
    const int ideal = std::max(1, int(std::lround(std::sqrt(double(n) * width / height))));
    for (int d = 0; d < n; ++d) {
        for (const int columns : {ideal + d, ideal - d}) {
            if (columns >= 1 && columns <= n && n % columns == 0) {
                return columns;
            }
        }
    }
    return ideal;
}

// `bunches` tiles of `triangles` triangles each (rounded up to even), in groups of groupSize
// geometry branches, filling the view of a width x height window.
inline Scene build(State state, int bunches, int triangles, int width, int height,
                   const heron::counted_ptr<finch::Material>& material)
{
    Scene scene;
    triangles += triangles % 2;
    const finch::Viewer viewer = viewerFor(width, height);
    const float halfWidth = float(viewer.unitsPerPixel(depth)) * float(width) * 0.5f;
    const float halfHeight = halfWidth * float(height) / float(width);
    const int columns = columnsFor(bunches, width, height);
    const int rows = (bunches + columns - 1) / columns;
    const float w = 2.0f * halfWidth / float(columns);
    const float h = 2.0f * halfHeight / float(rows);
    auto root = std::make_unique<finch::GroupBranch>();
    std::unique_ptr<finch::GroupBranch> group;
    for (int i = 0; i < bunches; ++i) {
        if (!group) {
            group = std::make_unique<finch::GroupBranch>();
        }
        const float x0 = -halfWidth + w * float(i % columns);
        const float z0 = -halfHeight + h * float(i / columns);
        const float leanX = (x0 + 0.5f * w) / halfWidth;
        const float leanZ = (z0 + 0.5f * h) / halfHeight;
        scene.tiles.push_back(tileVertices(x0, z0, x0 + w, z0 + h, triangles, leanX, leanZ));
        scenebuild::add(*group, scenebuild::geometry("tile", tileBunch(state, scene.tiles.back(), material)));
        if (group->childCount() == groupSize || i + 1 == bunches) {
            scenebuild::add(*root, std::move(group));
        }
    }
    scene.db = scenebuild::database(std::move(root));
    return scene;
}

// The world's light, the same for both programs: light 0 from the viewer's side, seen from viewer.
inline void light(const finch::Viewer& viewer)
{
    finch::Light light;
    light.setDirection(finch::Vector3d(0.5, -1.0, 0.7));
    light.applyWithViewer(0, viewer);
    finch::LightModel().apply();
}

// One frame through the engine's normal path.
inline void engineFrame(finch::Database& db, finch::Viewer& viewer, finch::ViewCulledTraverser& traverser,
                        kestrel::ImageBody& target)
{
    kestrel::clearBuffers(background, kestrel::ClearColour | kestrel::ClearDepth);
    traverser.startWithViewer(viewer);
    db.traverse(traverser);
    traverser.accumulator().render(target);
}

// The same triangles as the engine draws, from one buffer object in one call, with the state set
// once by begin. The texture gets the engine's mip chain and the filters and format the engine
// chooses on a software renderer (plain, no anisotropy), so that the pictures can be compared.
class MinimalProgram
{
public:
    MinimalProgram(const Scene& scene, State state, const kestrel::Image& picture) : m_state(state)
    {
        auto tile = scene.tiles.begin();
        for (finch::Branch* group : static_cast<finch::GroupBranch*>(scene.db->mainObject()->root())->children()) {
            for (finch::Branch* leaf : static_cast<finch::GroupBranch*>(group)->children()) {
                for (finch::GeoBunch* bunch : static_cast<finch::GeometryBranch*>(leaf)->bunches()) {
                    Collect collect(*this, *tile++);
                    bunch->internals().forEachTriangle(collect);
                }
            }
        }
        upload();
        if (state == State::LitTextured) {
            makeTexture(picture);
        }
    }
    ~MinimalProgram()
    {
        plat::gl().DeleteBuffersARB(1, &m_buffer);
        plat::gl().DeleteTextures(1, &m_texture);
    }
    MinimalProgram(const MinimalProgram&) = delete;
    MinimalProgram& operator=(const MinimalProgram&) = delete;

    // Sets the program's state: projection and view of the viewer, arrays, lighting, texture.
    void begin(finch::Viewer& viewer, kestrel::ImageBody& target, const finch::Material& material)
    {
        plat::GLFunctions& g = plat::gl();
        viewer.setWindowSize(target);
        viewer.view().loadGL();
        g.BindBufferARB(GL_ARRAY_BUFFER_ARB, m_buffer);
        g.EnableClientState(GL_VERTEX_ARRAY);
        g.VertexPointer(3, GL_FLOAT, 0, nullptr);
        if (m_state == State::Unlit) {
            g.Disable(GL_LIGHTING);
            g.Disable(GL_TEXTURE_2D);
            kestrel::color4ub(0xFFFFFFFFu);
            g.EnableClientState(GL_COLOR_ARRAY);
            g.ColorPointer(4, GL_UNSIGNED_BYTE, 0, offset(m_colourOffset));
            return;
        }
        g.EnableClientState(GL_NORMAL_ARRAY);
        g.NormalPointer(GL_FLOAT, 0, offset(m_normalOffset));
        g.EnableClientState(GL_TEXTURE_COORD_ARRAY);
        g.TexCoordPointer(2, GL_FLOAT, 0, offset(m_texCoordOffset));
        g.Disable(GL_COLOR_MATERIAL);
        g.Enable(GL_LIGHTING);
        g.Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, material.ambient().data());
        g.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, material.diffuse().data());
        g.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material.specular().data());
        g.Materialfv(GL_FRONT_AND_BACK, GL_EMISSION, material.emission().data());
        g.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess() * 128.0f);
        g.Enable(GL_TEXTURE_2D);
        g.BindTexture(GL_TEXTURE_2D, m_texture);
        g.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    void frame()
    {
        kestrel::clearBuffers(background, kestrel::ClearColour | kestrel::ClearDepth);
        plat::gl().DrawArrays(GL_TRIANGLES, 0, m_vertexCount);
    }
    // Leaves the client arrays and texturing off, as the engine expects to find them.
    void end()
    {
        plat::GLFunctions& g = plat::gl();
        for (const GLenum array : {GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY}) {
            g.DisableClientState(array);
        }
        g.BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        g.Disable(GL_TEXTURE_2D);
    }

private:
    // Appends the walked triangles' vertices of one tile.
    struct Collect : finch::GeoBunch::TriangleProcessor
    {
        Collect(MinimalProgram& program, const TileVertices& tile) : program(program), tile(tile) {}
        void process(finch::GeoBunch&, std::uint32_t a, std::uint32_t b, std::uint32_t c) override
        {
            for (const std::uint32_t i : {a, b, c}) {
                const finch::Vector3f& p = tile.positions[i];
                program.m_positions.insert(program.m_positions.end(), {p.x, p.y, p.z});
                if (program.m_state == State::Unlit) {
                    program.m_colours.push_back(tile.colours[i]);
                    continue;
                }
                const finch::Vector3f& n = tile.normals[i];
                program.m_normals.insert(program.m_normals.end(), {n.x, n.y, n.z});
                program.m_texCoords.insert(program.m_texCoords.end(), {tile.texCoords[i].s, tile.texCoords[i].t});
            }
        }
        MinimalProgram& program;
        const TileVertices& tile;
    };

    static const void* offset(std::size_t bytes) { return reinterpret_cast<const void*>(bytes); }

    template <class T>
    void place(const std::vector<T>& data, std::size_t& at, std::size_t& offsetOut)
    {
        offsetOut = at;
        plat::gl().BufferSubDataARB(GL_ARRAY_BUFFER_ARB, GLintptrARB(at), GLsizeiptrARB(data.size() * sizeof(T)), data.data());
        at += data.size() * sizeof(T);
    }

    void upload()
    {
        kestrel::loadVBOExtensions();
        plat::GLFunctions& g = plat::gl();
        const std::size_t bytes = (m_positions.size() + m_normals.size() + m_texCoords.size()) * sizeof(float) +
                                  m_colours.size() * sizeof(std::uint32_t);
        g.GenBuffersARB(1, &m_buffer);
        g.BindBufferARB(GL_ARRAY_BUFFER_ARB, m_buffer);
        g.BufferDataARB(GL_ARRAY_BUFFER_ARB, GLsizeiptrARB(bytes), nullptr, GL_STATIC_DRAW_ARB);
        std::size_t at = 0;
        std::size_t positions = 0;
        place(m_positions, at, positions);
        place(m_colours, at, m_colourOffset);
        place(m_normals, at, m_normalOffset);
        place(m_texCoords, at, m_texCoordOffset);
        g.BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        m_vertexCount = GLsizei(m_positions.size() / 3);
        m_positions = {};
        m_colours = {};
        m_normals = {};
        m_texCoords = {};
    }

    void makeTexture(const kestrel::Image& picture)
    {
        struct Plain : kestrel::MipmapperInfo
        {
            bool wantsCompression() const override { return false; }
            bool wantsMipmaps() const override { return true; }
            bool wantsFade() const override { return false; }
        };
        plat::gl().GenTextures(1, &m_texture);
        plat::gl().BindTexture(GL_TEXTURE_2D, m_texture);
        kestrel::buildTexture(picture, Plain());
    }

    State m_state;
    std::vector<float> m_positions;
    std::vector<std::uint32_t> m_colours;
    std::vector<float> m_normals;
    std::vector<float> m_texCoords;
    std::size_t m_colourOffset = 0;
    std::size_t m_normalOffset = 0;
    std::size_t m_texCoordOffset = 0;
    GLsizei m_vertexCount = 0;
    GLuint m_buffer = 0;
    GLuint m_texture = 0;
};

// Pixels of the current frame, bottom row first, bytes R, G, B, A.
inline std::vector<std::uint32_t> readFrame(int width, int height)
{
    std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
    plat::gl().PixelStorei(GL_PACK_ALIGNMENT, 4);
    plat::gl().ReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

inline int differingPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    int count = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        count += a[i] != b[i] ? 1 : 0;
    }
    return count;
}

}
