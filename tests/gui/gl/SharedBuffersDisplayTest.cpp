#include "support/GLTestSupport.h"

#include "gui/gl/SharedBuffers.h"

#include <numeric>

namespace
{

using kestrel::BufferPlace;

// Blocks of distinct bytes placed in one shared buffer of 1024 bytes, read back from the driver.
class SharedBuffersDisplayTest : public GLDisplayTest
{
protected:
    void SetUp() override
    {
        GLDisplayTest::SetUp();
        kestrel::loadVBOExtensions();
        if (!kestrel::weHaveARBVertexBufferObjects) {
            GTEST_SKIP() << "no buffer objects";
        }
    }

    void TearDown() override { kestrel::resetGLProbes(); }

    static BufferPlace place(std::size_t bytes, std::uint8_t first)
    {
        std::vector<std::uint8_t> data(bytes);
        std::iota(data.begin(), data.end(), first);
        kestrel::BufferRequest request{GL_ARRAY_BUFFER_ARB};
        request.kind = 0x5EB;
        request.room = 1024;
        const BufferPlace placed = kestrel::placeInBuffer(request, data.data(), bytes);
        EXPECT_NE(placed.name, 0u);
        return placed;
    }

    // True when the place still holds the bytes counted up from first.
    static bool holds(const BufferPlace& p, std::uint8_t first)
    {
        std::vector<std::uint8_t> read(p.bytes);
        plat::GLFunctions& g = plat::gl();
        g.BindBufferARB(GL_ARRAY_BUFFER_ARB, p.name);
        g.GetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, p.offset, static_cast<GLsizeiptrARB>(p.bytes), read.data());
        g.BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        std::vector<std::uint8_t> expected(p.bytes);
        std::iota(expected.begin(), expected.end(), first);
        return read == expected;
    }
};

TEST_F(SharedBuffersDisplayTest, GivenBackRoomIsReusedAndJoinsTheRoomBesideIt)
{
    const BufferPlace a = place(100, 1);
    const BufferPlace b = place(200, 2);
    const BufferPlace c = place(100, 3);
    ASSERT_EQ(std::vector<std::int32_t>({a.offset, b.offset, c.offset}), std::vector<std::int32_t>({0, 100, 300}));
    EXPECT_FALSE(kestrel::releaseBuffer(b));
    const BufferPlace d = place(200, 4);
    EXPECT_EQ(d.name, a.name);
    EXPECT_EQ(d.offset, 100);
    EXPECT_FALSE(kestrel::releaseBuffer(a));
    EXPECT_FALSE(kestrel::releaseBuffer(d));
    // 300 bytes fit only where the two gaps became one.
    const BufferPlace e = place(300, 5);
    EXPECT_EQ(e.name, a.name);
    EXPECT_EQ(e.offset, 0);
    EXPECT_TRUE(holds(c, 3));
    EXPECT_TRUE(holds(e, 5));
    EXPECT_EQ(kestrel::bufferSpace().held, 400u);
    // The end given back shortens what the buffer holds.
    EXPECT_FALSE(kestrel::releaseBuffer(c));
    EXPECT_EQ(kestrel::bufferSpace().held, 300u);
    EXPECT_TRUE(kestrel::releaseBuffer(e));
    EXPECT_EQ(kestrel::bufferSpace().held, 0u);
}

}
