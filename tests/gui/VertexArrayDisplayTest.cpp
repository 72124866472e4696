#include "GLRecorder.h"
#include "GLTestSupport.h"
#include "LogCapture.h"

#include "gui/VertexArray.h"
#include "gui/VertexArrayInternals.h"

#include <algorithm>
#include <string>
#include <vector>

namespace
{

using kestrel::Image;
using kestrel::ImageBody;
using kestrel::VertexArray;

constexpr std::uint32_t red = 0xFF0000FF;     // packed R, G, B, A bytes
constexpr std::uint32_t green = 0xFF00FF00;
constexpr std::uint32_t blue = 0xFFFF0000;

// An 8 x 8 scene: a strip of 4 (red, lower left), a fan of 5 (green, lower right) and two plain
// triangles (blue, upper half).
std::unique_ptr<VertexArray> makeScene()
{
    const float positions[] = {
        0, 0, 0, 4, 0, 0, 0, 4, 0, 4, 4, 0,             // strip
        6, 2, 0, 4, 0, 0, 8, 0, 0, 8, 4, 0, 4, 4, 0,    // fan
        0, 4, 0, 8, 4, 0, 8, 8, 0, 0, 8, 0,             // triangles
    };
    const std::uint32_t colours[] = {red, red, red, red, green, green, green, green, green, blue, blue, blue, blue};
    const float normals[13 * 3] = {};
    const float texCoords[13 * 2] = {};
    const std::uint32_t indices[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 9, 11, 12};
    const std::int32_t strips[] = {4, -5};
    auto array = std::make_unique<VertexArray>(13);
    array->setVertices(positions);
    array->setColours(colours);
    array->setNormals(normals);
    array->setTexCoords(texCoords, 0);
    array->setIndices(indices, 15);
    array->setStripSizes(strips, 2);
    return array;
}

}

class VertexArrayDisplayTest : public GLDisplayTest
{
protected:
    void TearDown() override { kestrel::resetGLProbes(); }

    static Image draw(VertexArray& array)
    {
        return render(8, 8, [&](ImageBody&) {
            const float black[4] = {0, 0, 0, 1};
            kestrel::clearBuffers(black, 3);
            array.draw();
        });
    }


    // Compiles the array into a display list instead of buffer objects.
    static void compileToList(VertexArray& array)
    {
        ASSERT_TRUE(kestrel::makeSharedContextCurrent());
        kestrel::loadVBOExtensions();
        kestrel::weHaveARBVertexBufferObjects = false;
        array.compile(false);
        kestrel::resetGLProbes();
    }
};

TEST_F(VertexArrayDisplayTest, BufferObjectsClientArraysAndDisplayListsDrawTheSamePixels)
{
    auto clientArrays = makeScene();
    const Image fromClient = draw(*clientArrays);

    auto buffered = makeScene();
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    buffered->compile(false);
    ASSERT_NE(buffered->internals().arrayBuffer, 0u);
    EXPECT_TRUE(buffered->internals().indices16bit);
    EXPECT_EQ(buffered->internals().indexCount, 21);
    const Image fromBuffers = draw(*buffered);

    auto listed = makeScene();
    compileToList(*listed);
    ASSERT_EQ(listed->internals().arrayBuffer, 0u);
    ASSERT_NE(listed->internals().displayList, 0u);
    const Image fromList = draw(*listed);

    const std::uint32_t* const pixels = fromClient.pixels();
    for (const std::uint32_t colour : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}) {   // 0xAARRGGBB
        EXPECT_NE(std::find(pixels, pixels + 64, colour), pixels + 64) << std::hex << colour;
    }
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(fromBuffers.pixels()[i], fromClient.pixels()[i]) << i;
        EXPECT_EQ(fromList.pixels()[i], fromClient.pixels()[i]) << i;
    }
}

TEST_F(VertexArrayDisplayTest, ClientArraysAreLockedAsCompiledArraysWhileDrawn)
{
    auto array = makeScene();
    GLRecorder recorder;
    draw(*array);
    const int lock = recorder.indexOf("LockArraysEXT(0,13)");
    const int firstDraw = recorder.indexOf("DrawElements(5,4,");
    const int unlock = recorder.indexOf("UnlockArraysEXT(");
    ASSERT_GE(lock, 0);
    EXPECT_LT(lock, firstDraw);
    EXPECT_LT(recorder.indexOf("DrawElements(6,5,"), unlock);
    EXPECT_LT(recorder.indexOf("DrawElements(4,6,"), unlock);
}

TEST_F(VertexArrayDisplayTest, RepeatedBufferObjectDrawsSkipRedundantCalls)
{
    auto array = makeScene();
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    array->compile(false);
    GLRecorder recorder;
    int secondDrawCalls = -1;
    render(8, 8, [&](ImageBody&) {
        array->draw();
        recorder.clear();
        array->draw();
        secondDrawCalls = static_cast<int>(recorder.calls().size());
        EXPECT_EQ(recorder.count("BindBufferARB"), 0);
        EXPECT_EQ(recorder.count("VertexPointer"), 0);
        EXPECT_EQ(recorder.count("ColorPointer"), 0);
        EXPECT_EQ(recorder.count("DrawElements(4,21,5123,"), 1);
    });
    EXPECT_EQ(secondDrawCalls, 1);
}

TEST_F(VertexArrayDisplayTest, BufferObjectsAndDisplayListsAreDeletedWithTheirArray)
{
    GLuint buffers[2] = {0, 0};
    GLuint list = 0;
    {
        auto buffered = makeScene();
        ASSERT_TRUE(kestrel::makeSharedContextCurrent());
        buffered->compile(false);
        buffers[0] = buffered->internals().arrayBuffer;
        buffers[1] = buffered->internals().elementBuffer;
        auto listed = makeScene();
        compileToList(*listed);
        list = listed->internals().displayList;
        ASSERT_NE(buffers[0], 0u);
        ASSERT_NE(buffers[1], 0u);
        ASSERT_TRUE(glIsList(list));
    }
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    EXPECT_FALSE(glIsList(list));
    // A deleted name is no buffer any more: binding it makes a fresh, empty one.
    for (const GLuint buffer : buffers) {
        GLint size = -1;
        plat::gl().BindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
        plat::gl().GetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
        plat::gl().BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        EXPECT_EQ(size, 0) << buffer;
    }
}

TEST_F(VertexArrayDisplayTest, ACompiledArrayKeepsItsTriangleList)
{
    auto array = makeScene();
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    array->compile(false);
    ASSERT_NE(array->internals().elementBuffer, 0u);
    std::vector<std::uint32_t> more(300, 0);
    array->setIndices(more.data(), 300);
    const std::int32_t strips[] = {300};
    array->setStripSizes(strips, 1);
    EXPECT_EQ(array->internals().indexCount, 21);
    EXPECT_EQ(array->internals().stripCount, 0);
}

namespace
{

// Passes buffer uploads on to the driver but reports them out of memory.
bool uploadFailed = false;

void failingBufferData(GLenum target, GLsizeiptrARB size, const void* data, GLenum usage)
{
    plat::glDriver().BufferDataARB(target, size, data, usage);
    uploadFailed = true;
}

GLenum reportFailedUpload()
{
    const GLenum error = plat::glDriver().GetError();
    if (uploadFailed) {
        uploadFailed = false;
        return GL_OUT_OF_MEMORY;
    }
    return error;
}

}

TEST_F(VertexArrayDisplayTest, ABufferTheDriverCannotFillLeavesTheArrayOnClientArrays)
{
    auto reference = makeScene();
    const Image expected = draw(*reference);

    auto array = makeScene();
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    kestrel::loadVBOExtensions();
    LogCapture log;
    {
        ScopedGLTable table;
        table.BufferDataARB = &failingBufferData;
        table.GetError = &reportFailedUpload;
        array->compile(false);
    }
    EXPECT_EQ(array->internals().arrayBuffer, 0u);
    EXPECT_FALSE(array->internals().positions.empty());
    EXPECT_FALSE(array->internals().colours.empty());
    EXPECT_NE(log.text().find("Failed to create/bind a VBO!\n"), std::string::npos);
    const Image drawn = draw(*array);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(drawn.pixels()[i], expected.pixels()[i]) << i;
    }
}
