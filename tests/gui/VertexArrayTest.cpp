#include "LogCapture.h"

#include "base/Debug.h"
#include "gui/GLstate.h"
#include "gui/GrowableArray.h"
#include "gui/VertexArray.h"
#include "gui/VertexArrayInternals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

template <typename Index>
std::vector<Index> toVector(const kestrel::GrowableArray<Index>& array)
{
    return std::vector<Index>(array.data(), array.data() + array.size());
}

const char* const stripError = "Error in strip sizes while compiling a vertex array!\n";

}

TEST(VertexArrayTest, StripsAndFansBecomeTrianglesWithOddStripTrianglesSwapped)
{
    // A strip of 4 and a fan of 5 over 9 indices, then 6 more: 2 + 3 + 2 = 7 triangles.
    const std::uint32_t indices[] = {10, 11, 12, 13, 20, 21, 22, 23, 24, 30, 31, 32, 33, 34, 35};
    const std::int32_t strips[] = {4, -5};
    kestrel::GrowableArray<std::uint32_t> out;
    LogCapture log;
    EXPECT_TRUE(kestrel::convertStrips(indices, 15, strips, 2, 40, out));
    const std::vector<std::uint32_t> expected = {10, 11, 12, 12, 11, 13, 20, 21, 22, 20, 22, 23, 20, 23, 24,
                                                 30, 31, 32, 33, 34, 35};
    EXPECT_EQ(toVector(out), expected);
    EXPECT_EQ(log.text(), "");
}

TEST(VertexArrayTest, WithoutAnIndexListStripsTakeConsecutiveVertices)
{
    const std::int32_t strips[] = {3, -4};
    kestrel::GrowableArray<std::uint16_t> out;
    EXPECT_TRUE(kestrel::convertStrips(static_cast<const std::uint16_t*>(nullptr), 0, strips, 2, 7, out));
    const std::vector<std::uint16_t> expected = {0, 1, 2, 3, 4, 5, 3, 5, 6};
    EXPECT_EQ(toVector(out), expected);
}

TEST(VertexArrayTest, ARemainderThatIsNotWholeTrianglesIsLoggedAndItsWholeTrianglesKept)
{
    const std::uint32_t indices[] = {0, 1, 2, 3, 4, 5, 6, 7};
    const std::int32_t strips[] = {4};
    kestrel::GrowableArray<std::uint32_t> out;
    LogCapture log;
    EXPECT_FALSE(kestrel::convertStrips(indices, 8, strips, 1, 8, out));
    EXPECT_EQ(log.text(), stripError);
    const std::vector<std::uint32_t> expected = {0, 1, 2, 2, 1, 3, 4, 5, 6};
    EXPECT_EQ(toVector(out), expected);
}

TEST(VertexArrayTest, StripsThatRunPastTheIndicesStopBeforeReadingAndAreLogged)
{
    struct Case
    {
        std::vector<std::int32_t> strips;
        std::size_t triangles;   // made before the bad strip
    };
    const Case cases[] = {
        {{4, 5}, 2},                  // the second strip needs 5 of the 2 left
        {{-7}, 0},                    // a fan longer than the list
        {{3, 3, -2147483647 - 1}, 2}, // the most negative size does not overflow
        {{2147483647}, 0},
    };
    const std::uint32_t indices[] = {0, 1, 2, 3, 4, 5};
    for (const Case& c : cases) {
        kestrel::GrowableArray<std::uint32_t> out;
        LogCapture log;
        EXPECT_FALSE(kestrel::convertStrips(indices, 6, c.strips.data(), static_cast<int>(c.strips.size()), 6, out));
        EXPECT_EQ(log.text(), stripError);
        EXPECT_EQ(out.size(), 3 * c.triangles);
    }
    // Without a list the vertex count is the bound.
    const std::int32_t tooLong[] = {5};
    kestrel::GrowableArray<std::uint16_t> out;
    LogCapture log;
    EXPECT_FALSE(kestrel::convertStrips(static_cast<const std::uint16_t*>(nullptr), 0, tooLong, 1, 4, out));
    EXPECT_TRUE(out.empty());
}

TEST(VertexArrayTest, ShortStripsTakeTheirIndicesButMakeNoTriangles)
{
    const std::uint32_t indices[] = {0, 1, 2, 3, 4, 5};
    const std::int32_t strips[] = {1, 2, 0};
    kestrel::GrowableArray<std::uint32_t> out;
    EXPECT_TRUE(kestrel::convertStrips(indices, 6, strips, 3, 6, out));
    const std::vector<std::uint32_t> expected = {3, 4, 5};
    EXPECT_EQ(toVector(out), expected);
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

TEST(VertexArrayTest, AnIndexOutsideTheVerticesDropsTheList)
{
    kestrel::VertexArray array(3);
    const std::uint32_t indices[] = {0, 1, 3};
    LogCapture log;
    array.setIndices(indices, 3);
    EXPECT_EQ(array.internals().indexCount, 0);
    EXPECT_NE(log.text().find("not below the vertex count"), std::string::npos);
    array.setIndices(indices, 2);
    EXPECT_EQ(array.internals().indexCount, 2);
}

TEST(VertexArrayTest, TextureSetsBeyondUnitOneAreIgnored)
{
    kestrel::VertexArray array(2);
    const float st[4] = {0, 0, 1, 1};
    array.setTexCoords(st, 2);
    array.setTexCoords(st, -1);
    EXPECT_TRUE(array.internals().texCoords[0].empty());
    EXPECT_TRUE(array.internals().texCoords[1].empty());
    array.setTexCoords(st, 1);
    EXPECT_EQ(array.internals().texCoords[1].size(), 4u);
}

TEST(VertexArrayTest, GrowableArraysGrowTo1024ThenDouble)
{
    kestrel::GrowableArray<int> array;
    array.append(1);
    EXPECT_EQ(array.capacity(), 1024u);
    for (int i = 1; i < 1025; ++i) {
        array.append(i);
    }
    EXPECT_EQ(array.capacity(), 2048u);
    EXPECT_EQ(array[1024], 1024);
    array.reserve(10);
    EXPECT_EQ(array.capacity(), 2048u);
    array.reserve(0);
    EXPECT_EQ(array.capacity(), 0u);
    EXPECT_TRUE(array.empty());
}

TEST(VertexArrayTest, DrawingRecordsTheProgressCodeOfItsPath)
{
    kestrel::VertexArray::endClientArrays();
    heron::progressCode = 0;
    kestrel::VertexArray array(3);
    const float positions[9] = {};
    array.setVertices(positions);
    array.draw();
    EXPECT_EQ(heron::progressCode, 30404);
    kestrel::VertexArray::endClientArrays();
}

TEST(VertexArrayTest, GrowableArraysRefuseSizesThatCannotBeAddressed)
{
    kestrel::GrowableArray<std::uint64_t> array;
    // The byte count would wrap around to 8.
    EXPECT_THROW(array.reserve(SIZE_MAX / 8 + 2), std::bad_alloc);
    EXPECT_TRUE(array.empty());
}
