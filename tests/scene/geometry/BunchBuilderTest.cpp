#include "scene/geometry/BunchBuilder.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/RawGeometryBuilder.h"
#include "scene/geometry/TriangleList.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <random>

namespace
{

using finch::Corner;
using finch::GeoBunch;
using finch::Material;
using finch::TexCoord;
using finch::Triangle;
using finch::TriangleList;
using finch::Vector3f;

struct Attributes
{
    bool colours = false;
    bool normals = false;
    bool texture = false;
};

finch::Surface surfaceWith(const Attributes& attributes)
{
    Material material(finch::RGBA{1, 1, 1, 1});
    material.setFlag32(attributes.colours);
    material.setFlag33(attributes.normals);
    if (attributes.texture) {
        material.setTexture(0, heron::counted_ptr<finch::Texture>(new finch::Texture));
    }
    finch::Surface surface;
    surface.setMaterial(Material::intern(material));
    return surface;
}

Corner corner(float x, float y, float z)
{
    return Corner{Vector3f(x, y, z)};
}

TriangleList listOf(const std::vector<Triangle>& triangles, const Attributes& attributes = {})
{
    TriangleList list;
    list.setSurface(surfaceWith(attributes));
    for (const Triangle& triangle : triangles) {
        list.add(triangle);
    }
    return list;
}

// Two triangles over the unit square sharing the edge (1, 0, 0) to (0, 1, 0); change edits the
// second triangle's copies of the shared corners.
std::vector<Triangle> squareOfTwo(const std::function<void(Corner&)>& change = {})
{
    Triangle a{corner(0, 0, 0), corner(1, 0, 0), corner(0, 1, 0)};
    Triangle b{corner(1, 0, 0), corner(1, 1, 0), corner(0, 1, 0)};
    if (change) {
        change(b[0]);
        change(b[2]);
    }
    return {a, b};
}

struct Built
{
    int vertices;
    int indices;
    int triangles;
};

Built build(const TriangleList& list)
{
    GeoBunch bunch;
    bunch.buildFromTriangles(list);
    const auto& indices = bunch.internals().indices();
    return {bunch.vertexCount(), indices ? int(indices->size()) : 0, bunch.triangleCount()};
}

TEST(BunchBuilderTest, CornersWeldOnlyWhereEveryAttributeAgrees)
{
    const float twoDegrees = 2.0f * 3.14159265f / 180.0f;
    const Triangle flat{corner(0, 0, 0), corner(1, 0, 0), corner(0, 1, 0)};
    const Triangle degenerate{corner(0, 0, 0), corner(1, 0, 0), corner(1, 0, 0)};
    // A model 10 units across (corner (10, 10, 0)) with a near pair at (5, 5, 0).
    const auto nearPair = [&](float apart) {
        Triangle a{corner(0, 0, 0), corner(5, 5, 0), corner(0, 10, 0)};
        Triangle b{corner(5 + apart, 5, 0), corner(10, 0, 0), corner(10, 10, 0)};
        return std::vector<Triangle>{a, b, {corner(10, 10, 0), corner(0, 10, 0), corner(5, 9, 0)}};
    };
    const struct
    {
        const char* what;
        std::vector<Triangle> triangles;
        Attributes attributes;
        Built expected;
    } cases[] = {
        {"degenerate triangle dropped", {flat, degenerate}, {}, {3, 3, 1}},
        {"shared edge, equal attributes", squareOfTwo(), {true, true, true}, {4, 6, 2}},
        {"shared edge, other colours", squareOfTwo([](Corner& c) { c.colour = 0xff0000ffu; }), {true}, {6, 6, 2}},
        {"other colours, colours unused", squareOfTwo([](Corner& c) { c.colour = 0xff0000ffu; }), {}, {4, 6, 2}},
        {"normals 2 degrees apart",
         squareOfTwo([&](Corner& c) { c.normal = Vector3f(std::sin(twoDegrees), 0, std::cos(twoDegrees)); }),
         {false, true},
         {6, 6, 2}},
        {"texture coordinates apart", squareOfTwo([](Corner& c) { c.texCoords[0] = {0.5f, 0.0f}; }), {false, false, true}, {6, 6, 2}},
        {"corners 1e-5 apart", nearPair(1e-5f), {}, {6, 9, 3}},
        {"corners 1e-3 apart", nearPair(1e-3f), {}, {7, 9, 3}},
    };
    for (const auto& c : cases) {
        const Built built = build(listOf(c.triangles, c.attributes));
        EXPECT_EQ(built.vertices, c.expected.vertices) << c.what;
        EXPECT_EQ(built.indices, c.expected.indices) << c.what;
        EXPECT_EQ(built.triangles, c.expected.triangles) << c.what;
    }
}

TEST(BunchBuilderTest, FarTiledTextureCoordinatesMoveByWholeTiles)
{
    const struct
    {
        std::array<float, 3> s;
        std::array<float, 3> expected;
    } cases[] = {
        {{100, 101, 102}, {0, 1, 2}},
        {{-30, -29, -28}, {20, 21, 22}},
        {{-25, 0, 25}, {-25, 0, 25}},
        {{20, 24, 30}, {20, 24, 30}},
    };
    for (const auto& c : cases) {
        Triangle triangle{corner(0, 0, 0), corner(1, 0, 0), corner(0, 1, 0)};
        for (int k = 0; k < 3; ++k) {
            triangle[std::size_t(k)].texCoords[0] = {c.s[std::size_t(k)], 0.0f};
        }
        GeoBunch bunch;
        bunch.buildFromTriangles(listOf({triangle}, {false, false, true}));
        const auto& emitted = bunch.internals().texCoords(0)->elements();
        ASSERT_EQ(emitted.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_FLOAT_EQ(emitted[std::size_t(k)].s, c.expected[std::size_t(k)]) << c.s[0];
        }
    }
}

// A random soup of triangles that are not degenerate over a grid of points 1 apart (8 deep, or
// flat: then every corner lies in the weld band of z), each corner moved by at most 1e-6 (far
// below the tolerance) and coloured from a small palette.
TriangleList gridSoup(unsigned seed, int triangles, bool flat)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> cell(0, 7);
    std::uniform_int_distribution<int> depth(0, flat ? 0 : 7);
    std::uniform_int_distribution<int> colour(0, 2);
    std::uniform_real_distribution<float> jitter(-1e-6f, 1e-6f);
    std::vector<Triangle> soup;
    while (int(soup.size()) < triangles) {
        std::array<std::array<int, 3>, 3> points;
        for (auto& p : points) {
            p = {cell(random), cell(random), depth(random)};
        }
        const std::array<int, 3> u{points[1][0] - points[0][0], points[1][1] - points[0][1], points[1][2] - points[0][2]};
        const std::array<int, 3> v{points[2][0] - points[0][0], points[2][1] - points[0][1], points[2][2] - points[0][2]};
        if (u[1] * v[2] == u[2] * v[1] && u[2] * v[0] == u[0] * v[2] && u[0] * v[1] == u[1] * v[0]) {
            continue;
        }
        Triangle triangle;
        for (std::size_t k = 0; k < 3; ++k) {
            triangle[k].position = Vector3f(float(points[k][0]) + jitter(random), float(points[k][1]) + jitter(random),
                                            float(points[k][2]) + jitter(random));
            triangle[k].colour = 0xff000000u | std::uint32_t(colour(random));
        }
        soup.push_back(triangle);
    }
    return listOf(soup, {true});
}

TEST(BunchBuilderTest, WeldingMatchesPairwiseComparison)
{
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        const TriangleList list = gridSoup(seed, 600, seed > 2);
        GeoBunch bunch;
        bunch.buildFromTriangles(list);
        std::vector<const Corner*> kept;
        for (const Triangle& triangle : list.triangles()) {
            for (const Corner& k : triangle) {
                kept.push_back(&k);
            }
        }
        const auto& indices = bunch.internals().indices()->elements();
        ASSERT_EQ(indices.size(), kept.size()) << seed;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            for (std::size_t j = i + 1; j < kept.size(); ++j) {
                const float dx = kept[i]->position.x - kept[j]->position.x;
                const float dy = kept[i]->position.y - kept[j]->position.y;
                const float dz = kept[i]->position.z - kept[j]->position.z;
                const bool same = dx * dx + dy * dy + dz * dz < 1e-6f && kept[i]->colour == kept[j]->colour;
                ASSERT_EQ(indices[i] == indices[j], same) << "seed " << seed << " corners " << i << ", " << j;
            }
        }
    }
}

// A corner of a height field whose attributes follow from its grid point.
Corner gridCorner(int x, int y)
{
    Corner c = corner(float(x), float(y), float((x * y) % 3) * 0.5f);
    c.colour = 0xff000000u | std::uint32_t(x * 16 + y);
    c.normal = Vector3f(0, float(x % 2) * 0.6f, x % 2 == 0 ? 1.0f : 0.8f);
    c.texCoords[0] = {float(x) * 0.25f, float(y) * 0.5f};
    return c;
}

TEST(BunchBuilderTest, ExtractedTrianglesEqualTheBuiltOnes)
{
    std::vector<Triangle> triangles;
    for (int x = 0; x < 6; ++x) {
        for (int y = 0; y < 6; ++y) {
            triangles.push_back({gridCorner(x, y), gridCorner(x + 1, y), gridCorner(x, y + 1)});
            triangles.push_back({gridCorner(x + 1, y), gridCorner(x + 1, y + 1), gridCorner(x, y + 1)});
        }
    }
    const TriangleList list = listOf(triangles, {true, true, true});
    GeoBunch bunch;
    bunch.buildFromTriangles(list);
    ASSERT_EQ(bunch.vertexCount(), 49);
    TempLog log;
    const auto extracted = finch::extractTriangles(bunch);
    EXPECT_EQ(extracted->triangles(), list.triangles());
    EXPECT_EQ(extracted->surface(), list.surface());
    EXPECT_NE(log.text().find("72 triangles extracted\n"), std::string::npos);
}

TEST(BunchBuilderTest, ExtractionSkipsTrianglesWithBadIndices)
{
    GeoBunch bunch;
    bunch.buildFromTriangles(listOf(squareOfTwo()));
    bunch.internals().indices()->elements()[4] = 9;
    TempLog log;
    const auto extracted = finch::extractTriangles(bunch);
    EXPECT_EQ(extracted->size(), 1u);
    EXPECT_NE(log.text().find("Bad index\n"), std::string::npos);
}

TEST(BunchBuilderTest, LongestAxisSplitSortsHalves)
{
    TriangleList list;
    for (const float x : {4.0f, 0.0f, 3.0f, 1.0f, 2.0f}) {
        list.add({corner(x * 10, 0, 0), corner(x * 10 + 1, 0, 0), corner(x * 10, 2, 0)});
    }
    TriangleList first;
    TriangleList second;
    list.splitLongestAxis(first, second);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(first.triangles()[0][0].position.x, 0.0f);
    EXPECT_EQ(first.triangles()[1][0].position.x, 10.0f);
    EXPECT_EQ(second.triangles()[0][0].position.x, 20.0f);
    EXPECT_EQ(second.triangles()[2][0].position.x, 40.0f);
}

}
