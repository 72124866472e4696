#include "support/LogCapture.h"

#include "gui/gl/GrowableArray.h"
#include "gui/gl/VertexArray.h"
#include "gui/gl/VertexArrayInternals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(VertexArrayTest, StripsAndFansBecomeTrianglesAndBadSizesStopBeforeReadingPastTheIndices)
{
    struct Case
    {
        std::vector<std::uint32_t> indices;   // empty: strips take consecutive vertices
        std::vector<std::int32_t> strips;
        int vertices;
        bool ok;
        std::vector<std::uint32_t> triangles;
    };
    const std::vector<std::uint32_t> six = {0, 1, 2, 3, 4, 5};
    const Case cases[] = {
        // A strip of 4 and a fan of 5, then plain triangles; odd strip triangles are swapped.
        {{10, 11, 12, 13, 20, 21, 22, 23, 24, 30, 31, 32, 33, 34, 35}, {4, -5}, 40, true,
         {10, 11, 12, 12, 11, 13, 20, 21, 22, 20, 22, 23, 20, 23, 24, 30, 31, 32, 33, 34, 35}},
        {{}, {3, -4}, 7, true, {0, 1, 2, 3, 4, 5, 3, 5, 6}},
        {six, {1, 2, 0}, 6, true, {3, 4, 5}},   // short strips take indices but make no triangles
        // A remainder that is not whole triangles: its whole triangles are kept.
        {{0, 1, 2, 3, 4, 5, 6, 7}, {4}, 8, false, {0, 1, 2, 2, 1, 3, 4, 5, 6}},
        {six, {4, 5}, 6, false, {0, 1, 2, 2, 1, 3}},   // the second strip needs 5 of the 2 left
        {six, {-7}, 6, false, {}},
        {six, {3, 3, -2147483647 - 1}, 6, false, six},   // the most negative size does not overflow
        {six, {2147483647}, 6, false, {}},
        {{}, {5}, 4, false, {}},   // without a list the vertex count is the bound
    };
    for (const Case& c : cases) {
        kestrel::GrowableArray<std::uint32_t> out;
        LogCapture log;
        const std::uint32_t* const list = c.indices.empty() ? nullptr : c.indices.data();
        EXPECT_EQ(kestrel::convertStrips(list, static_cast<int>(c.indices.size()), c.strips.data(),
                                         static_cast<int>(c.strips.size()), c.vertices, out),
                  c.ok)
            << c.strips[0];
        EXPECT_EQ(std::vector<std::uint32_t>(out.data(), out.data() + out.size()), c.triangles) << c.strips[0];
        EXPECT_EQ(log.text(), c.ok ? "" : "Error in strip sizes while compiling a vertex array!\n") << c.strips[0];
    }
}

TEST(VertexArrayTest, IndicesNarrowTo16BitsOnlyBelow65536Vertices)
{
    const std::uint32_t indices[] = {0, 1, 2};
    LogCapture log;
    for (const int vertices : {65535, 70000}) {
        kestrel::VertexArray array(vertices);
        std::vector<float> positions(3 * static_cast<std::size_t>(vertices), 0.0f);
        array.setVertices(positions.data());
        array.setIndices(indices, 3);
        array.compile(false);
        EXPECT_EQ(array.internals().indices16bit, vertices == 65535) << vertices;
        EXPECT_EQ(array.internals().indexCount, 3);
    }
}

TEST(VertexArrayTest, AnIndexOutsideTheVerticesDropsTheListAndTextureSetsBeyondUnitOneAreIgnored)
{
    kestrel::VertexArray array(3);
    const std::uint32_t indices[] = {0, 1, 3};
    LogCapture log;
    array.setIndices(indices, 3);
    EXPECT_EQ(array.internals().indexCount, 0);
    EXPECT_NE(log.text().find("not below the vertex count"), std::string::npos);
    array.setIndices(indices, 2);
    EXPECT_EQ(array.internals().indexCount, 2);
    const float st[6] = {0, 0, 1, 1, 0, 1};
    array.setTexCoords(st, 2);
    array.setTexCoords(st, -1);
    EXPECT_TRUE(array.internals().texCoords[0].empty());
    EXPECT_TRUE(array.internals().texCoords[1].empty());
    array.setTexCoords(st, 1);
    EXPECT_EQ(array.internals().texCoords[1].size(), 6u);
}

TEST(VertexArrayTest, GrowableArraysGrowAndRefuseSizesThatCannotBeAddressed)
{
    kestrel::GrowableArray<std::uint64_t> array;
    for (int i = 0; i < 1025; ++i) {
        array.append(i);
    }
    // The byte count would wrap around to 8; the contents stay.
    EXPECT_THROW(array.reserve(SIZE_MAX / 8 + 2), std::bad_alloc);
    EXPECT_EQ(array.size(), 1025u);
    EXPECT_EQ(array[1024], 1024u);
}
