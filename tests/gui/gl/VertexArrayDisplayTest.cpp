#include "support/GLTestSupport.h"
#include "support/LogCapture.h"

#include "gui/gl/VertexArray.h"
#include "gui/gl/VertexArrayInternals.h"

#include <algorithm>
#include <iterator>
#include <utility>

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

    static std::vector<std::uint32_t> draw(VertexArray& array)
    {
        const Image image = render(8, 8, [&](ImageBody&) {
            clearTo(0, 0, 0);
            array.draw();
        });
        return std::vector<std::uint32_t>(image.pixels(), image.pixels() + 64);
    }

    // The scene compiled with buffer objects, or as if the driver had none when buffers is false.
    static std::unique_ptr<VertexArray> compiledScene(bool buffers, bool dynamic = false)
    {
        auto array = makeScene();
        EXPECT_TRUE(kestrel::makeSharedContextCurrent());
        kestrel::loadVBOExtensions();
        kestrel::weHaveARBVertexBufferObjects = kestrel::weHaveARBVertexBufferObjects && buffers;
        array->compile(dynamic);
        kestrel::resetGLProbes();
        return array;
    }
};

TEST_F(VertexArrayDisplayTest, BufferObjectsClientArraysAndDisplayListsDrawTheSamePixels)
{
    auto clientArrays = makeScene();
    const std::vector<std::uint32_t> fromClient = draw(*clientArrays);
    for (const std::uint32_t colour : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}) {   // 0xAARRGGBB
        EXPECT_NE(std::find(fromClient.begin(), fromClient.end(), colour), fromClient.end()) << std::hex << colour;
    }
    auto buffered = compiledScene(true);
    ASSERT_NE(buffered->internals().arrayBuffer, 0u);
    auto listed = compiledScene(false);
    ASSERT_EQ(listed->internals().arrayBuffer, 0u);
    ASSERT_NE(listed->internals().displayList, 0u);
    // A compiled array keeps its triangle list: new indices and strips are refused.
    const std::vector<std::uint32_t> more(300, 0);
    const std::int32_t strips[] = {300};
    for (VertexArray* const array : {buffered.get(), listed.get()}) {
        const auto counts = [&] { return std::pair(array->internals().indexCount, array->internals().stripCount); };
        const auto before = counts();
        array->setIndices(more.data(), 300);
        array->setStripSizes(strips, 1);
        EXPECT_EQ(counts(), before);
    }
    EXPECT_EQ(draw(*buffered), fromClient);
    EXPECT_EQ(draw(*listed), fromClient);
}

TEST_F(VertexArrayDisplayTest, ADynamicArrayCompiledWithoutBufferObjectsTakesItsUpdates)
{
    auto dynamic = compiledScene(false, true);
    EXPECT_EQ(dynamic->internals().displayList, 0u);
    auto reference = makeScene();
    const std::vector<std::uint32_t> allRed(13, red);
    for (VertexArray* const array : {dynamic.get(), reference.get()}) {
        array->setColours(allRed.data());
    }
    const std::vector<std::uint32_t> pixels = draw(*dynamic);
    EXPECT_NE(std::find(pixels.begin(), pixels.end(), 0xFFFF0000u), pixels.end());   // 0xAARRGGBB: red
    EXPECT_EQ(pixels, draw(*reference));
}

TEST_F(VertexArrayDisplayTest, ColourEditsOfABufferedArrayReachItsBuffer)
{
    auto buffered = compiledScene(true, true);
    ASSERT_NE(buffered->internals().arrayBuffer, 0u);
    auto reference = makeScene();
    const std::vector<std::uint32_t> allRed(13, red);
    for (VertexArray* const array : {buffered.get(), reference.get()}) {
        array->setColours(allRed.data());
    }
    const std::vector<std::uint32_t> pixels = draw(*buffered);
    EXPECT_NE(std::find(pixels.begin(), pixels.end(), 0xFFFF0000u), pixels.end());   // 0xAARRGGBB: red
    EXPECT_EQ(pixels, draw(*reference));
}

TEST_F(VertexArrayDisplayTest, EditsOfAStaticBufferedArrayReachOnlyTheirOwnValues)
{
    // A static array's values are interleaved: each edit must land on its own values only. The
    // edited array follows another in their buffer.
    auto before = compiledScene(true);
    auto buffered = compiledScene(true);
    ASSERT_NE(buffered->internals().stride, 0);
    ASSERT_NE(buffered->internals().vertexBase, 0);
    auto reference = makeScene();
    const std::vector<std::uint32_t> allRed(13, red);
    std::vector<float> moved(reference->internals().positions.data(), reference->internals().positions.data() + 39);
    for (std::size_t i = 0; i < moved.size(); i += 3) {
        moved[i] -= 2.0f;
    }
    for (VertexArray* const array : {buffered.get(), reference.get()}) {
        array->setColours(allRed.data());
        array->setVertices(moved.data());
    }
    const std::vector<std::uint32_t> pixels = draw(*buffered);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), 0xFFFF0000u), 8);   // 0xAARRGGBB: red
    EXPECT_EQ(pixels, draw(*reference));
}

TEST_F(VertexArrayDisplayTest, AnArrayWithNeitherIndicesNorStripsDrawsNothing)
{
    const float positions[] = {-1, -1, 0, 20, -1, 0, -1, 20, 0};
    const std::uint32_t colours[] = {red, red, red};
    auto plain = std::make_unique<VertexArray>(3);
    auto buffered = std::make_unique<VertexArray>(3);
    for (VertexArray* const array : {plain.get(), buffered.get()}) {
        array->setVertices(positions);
        array->setColours(colours);
    }
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    buffered->compile(false);
    ASSERT_NE(buffered->internals().arrayBuffer, 0u);
    for (VertexArray* const array : {plain.get(), buffered.get()}) {
        const std::vector<std::uint32_t> pixels = draw(*array);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF000000u), 64);
    }
}

TEST_F(VertexArrayDisplayTest, ClientArraysAreLockedWhileDrawnAndBufferRedrawsSkipRedundantCalls)
{
    auto array = makeScene();
    GLRecorder recorder;
    draw(*array);
    const int unlock = recorder.indexOf("UnlockArraysEXT(");
    ASSERT_GE(recorder.indexOf("LockArraysEXT(0,13)"), 0);
    EXPECT_LT(recorder.indexOf("LockArraysEXT(0,13)"), recorder.indexOf("DrawElements(5,4,"));
    EXPECT_LT(recorder.indexOf("DrawElements(6,5,"), unlock);
    EXPECT_LT(recorder.indexOf("DrawElements(4,6,"), unlock);

    auto buffered = compiledScene(true);
    std::vector<std::string> secondDraw;
    render(8, 8, [&](ImageBody&) {
        buffered->draw();
        recorder.clear();
        buffered->draw();
        secondDraw = recorder.calls();
    });
    // One draw of 21 16-bit indices, nothing bound or set again.
    EXPECT_EQ(secondDraw, std::vector<std::string>{"DrawElements(4,21,5123,_)"});
}

TEST_F(VertexArrayDisplayTest, BufferObjectsAndDisplayListsAreDeletedWithTheirArray)
{
    GLuint buffers[2] = {0, 0};
    GLuint list = 0;
    {
        auto buffered = compiledScene(true);
        buffers[0] = buffered->internals().arrayBuffer;
        buffers[1] = buffered->internals().elementBuffer;
        auto listed = compiledScene(false);
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

TEST_F(VertexArrayDisplayTest, StaticArraysOfOneLayoutDrawOneAfterAnotherWithOneCallEach)
{
    // The second array draws only the upper half, from indices of its own.
    const auto upperHalf = [] {
        const std::uint32_t indices[] = {9, 10, 11, 9, 11, 12};
        auto array = makeScene();
        array->internals().stripSizes.reserve(0);
        array->internals().stripCount = 0;
        array->setIndices(indices, 6);
        return array;
    };
    auto first = compiledScene(true);
    auto second = upperHalf();
    second->compile(false);
    auto dynamic = compiledScene(true, true);
    const auto& a = first->internals();
    const auto& b = second->internals();
    ASSERT_NE(a.arrayBuffer, 0u);
    EXPECT_EQ(b.arrayBuffer, a.arrayBuffer);
    EXPECT_EQ(b.elementBuffer, a.elementBuffer);
    EXPECT_NE(b.vertexBase, a.vertexBase);
    EXPECT_NE(dynamic->internals().arrayBuffer, a.arrayBuffer);
    const std::vector<std::uint32_t> expected = draw(*upperHalf());
    std::vector<std::string> secondDraw;
    GLRecorder recorder;
    const Image image = render(8, 8, [&](ImageBody&) {
        first->draw();
        clearTo(0, 0, 0);
        recorder.clear();
        second->draw();
        secondDraw = recorder.calls();
    });
    EXPECT_EQ(std::vector<std::uint32_t>(image.pixels(), image.pixels() + 64), expected);
    EXPECT_EQ(secondDraw, std::vector<std::string>{"DrawElements(4,6,5123,_)"});
    EXPECT_EQ(draw(*first), draw(*makeScene()));
}

TEST_F(VertexArrayDisplayTest, ASharedBufferIsDeletedWithItsLastArray)
{
    auto first = compiledScene(true);
    auto second = compiledScene(true);
    const GLuint shared = first->internals().arrayBuffer;
    const auto bufferSize = [shared] {
        EXPECT_TRUE(kestrel::makeSharedContextCurrent());
        GLint size = -1;
        plat::gl().BindBufferARB(GL_ARRAY_BUFFER_ARB, shared);
        plat::gl().GetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
        plat::gl().BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        return size;
    };
    first.reset();
    EXPECT_GT(bufferSize(), 0);
    EXPECT_EQ(draw(*second), draw(*makeScene()));
    second.reset();
    EXPECT_EQ(bufferSize(), 0);
}

// A scene that stays while a new generation of ten arrays is compiled and the last one freed,
// forty times over (like bunches rebuilt again and again).
TEST_F(VertexArrayDisplayTest, SharedBuffersHoldLittleMoreThanTheirLiveArraysAfterManyRebuilds)
{
    const auto survivor = compiledScene(true);
    ASSERT_NE(survivor->internals().arrayBuffer, 0u);
    std::vector<std::unique_ptr<VertexArray>> generation;
    for (int round = 0; round < 40; ++round) {
        std::vector<std::unique_ptr<VertexArray>> next;
        for (int i = 0; i < 10; ++i) {
            next.push_back(compiledScene(true));
        }
        generation = std::move(next);
        const kestrel::BufferSpace space = kestrel::bufferSpace();
        ASSERT_LE(space.held, 3 * space.live) << "round " << round;
    }
    EXPECT_EQ(draw(*generation.back()), draw(*makeScene()));
    generation.clear();
    EXPECT_EQ(draw(*survivor), draw(*makeScene()));
}

namespace
{

bool uploadFailed = false;   // set by a buffer upload, reported once by GetError as out of memory

}

TEST_F(VertexArrayDisplayTest, ABufferTheDriverCannotFillLeavesTheArrayOnClientArrays)
{
    auto reference = makeScene();
    auto array = makeScene();
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    kestrel::loadVBOExtensions();
    LogCapture log;
    {
        ScopedGLTable table;
        table.BufferDataARB = [](GLenum target, GLsizeiptrARB size, const void* data, GLenum usage) {
            plat::glDriver().BufferDataARB(target, size, data, usage);
            uploadFailed = true;
        };
        table.GetError = [] {
            const GLenum error = plat::glDriver().GetError();
            return std::exchange(uploadFailed, false) ? static_cast<GLenum>(GL_OUT_OF_MEMORY) : error;
        };
        array->compile(false);
    }
    EXPECT_EQ(array->internals().arrayBuffer, 0u);
    EXPECT_NE(log.text().find("Failed to create/bind a VBO!\n"), std::string::npos);
    EXPECT_EQ(draw(*array), draw(*reference));
}

TEST_F(VertexArrayDisplayTest, ABatchJoinsOnlyDrawsWhoseIndicesFollowTheHeldOnes)
{
    // Two static arrays compiled in a row lie back to back in the shared buffers; a dynamic one
    // has a buffer of its own.
    auto first = compiledScene(true);
    auto second = compiledScene(true);
    auto dynamic = compiledScene(true, true);
    const std::string one = "DrawElements(4,21,5123,_)";
    const struct
    {
        const char* order;
        std::vector<VertexArray*> arrays;
        std::vector<std::string> draws;
    } cases[] = {
        {"compile order", {first.get(), second.get()}, {"DrawElements(4,42,5123,_)"}},
        {"reversed", {second.get(), first.get()}, {one, one}},
        {"one array twice", {first.get(), first.get()}, {one, one}},
        {"another buffer between", {first.get(), dynamic.get(), second.get()}, {one, one, one}},
    };
    const std::vector<std::uint32_t> expected = draw(*makeScene());
    for (const auto& c : cases) {
        GLRecorder recorder;
        std::vector<std::string> draws;
        const Image image = render(8, 8, [&](ImageBody&) {
            clearTo(0, 0, 0);
            recorder.clear();
            {
                const kestrel::DrawBatch batch;
                for (VertexArray* array : c.arrays) {
                    array->draw();
                }
            }
            std::copy_if(recorder.calls().begin(), recorder.calls().end(), std::back_inserter(draws),
                         [](const std::string& call) { return call.starts_with("Draw"); });
        });
        EXPECT_EQ(draws, c.draws) << c.order;
        EXPECT_EQ(std::vector<std::uint32_t>(image.pixels(), image.pixels() + 64), expected) << c.order;
    }
}

TEST_F(VertexArrayDisplayTest, AHeldDrawIsSentBeforeItsArrayIsEdited)
{
    auto array = compiledScene(true);
    const std::vector<std::uint32_t> expected = draw(*makeScene());
    const std::vector<std::uint32_t> allRed(13, red);
    const Image image = render(8, 8, [&](ImageBody&) {
        clearTo(0, 0, 0);
        const kestrel::DrawBatch batch;
        array->draw();
        array->setColours(allRed.data());
    });
    EXPECT_EQ(std::vector<std::uint32_t>(image.pixels(), image.pixels() + 64), expected);
}
