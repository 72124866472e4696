#include "support/GLTestSupport.h"
#include "support/LogCapture.h"

#include "gui/gl/GLwindow.h"

namespace
{

using kestrel::ImageBody;

// A GL window that clears to its colour and keeps the pixel it drew at (1, 1).
class ClearingWindow : public kestrel::GLwindow
{
public:
    explicit ClearingWindow(const float* rgba) : m_rgba(rgba) { setSize(32, 24); }

    void paintGL(ImageBody& target) override
    {
        ++paints;
        width = target.width();
        height = target.height();
        kestrel::clearBuffers(m_rgba, kestrel::ClearColour | kestrel::ClearDepth);
        if (texture) {
            kestrel::GLclient::setPixelProjection(target);
            texture->bind();
            texturedQuad(0, 0, 4, 4, 0, 1);
        }
        plat::gl().ReadPixels(1, 1, 1, 1, GL_BGRA_EXT, GL_UNSIGNED_BYTE, &drawn);
        context = plat::currentGLContext();
    }

    const float* m_rgba;
    kestrel::GLtexture* texture = nullptr;
    int paints = 0;
    int width = 0;
    int height = 0;
    std::uint32_t drawn = 0;
    plat::GLContextHandle context = nullptr;
};

const float red[4] = {1, 0, 0, 1};
const float green[4] = {0, 1, 0, 1};

}

TEST_F(GLDisplayTest, TwoGLWindowsShareOneContextAndItsTexturesAndOnlyARealSwitchResetsState)
{
    ClearingWindow first(red);
    ClearingWindow second(green);
    first.create();
    second.create();
    ASSERT_TRUE(first.isOpen());
    ASSERT_TRUE(second.isOpen());
    first.swapBuffers();
    EXPECT_EQ(std::tuple(first.paints, first.width, first.height, first.drawn), std::tuple(1, 32, 24, 0xFFFF0000u));

    // A texture made while the first window is bound draws in the second.
    const std::uint32_t blue[4] = {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF};
    kestrel::GLtexture texture;
    texture.setFilters(1, 1);
    ASSERT_TRUE(first.bindGL(first));
    texture.setImage(kestrel::Image(2, 2, blue));
    second.texture = &texture;
    second.swapBuffers();
    EXPECT_EQ(second.drawn, 0xFF0000FFu);
    EXPECT_EQ(std::pair(first.context, second.context),
              std::pair(kestrel::sharedRenderContext(), kestrel::sharedRenderContext()));

    // Binding the bound window again does nothing; a real switch resets state and the probes.
    ASSERT_TRUE(first.bindGL(first));
    {
        GLRecorder recorder;
        ASSERT_TRUE(first.bindGL(first));
        EXPECT_TRUE(recorder.calls().empty());
    }
    LogCapture log;
    GLRecorder recorder;
    ASSERT_TRUE(second.bindGL(second));
    EXPECT_GE(recorder.count(GLRecorder::call("Enable", {GL_NORMALIZE})), 1);
    kestrel::GLtexture other;
    other.bind();
    EXPECT_NE(log.text().find("Binding the render context...\n"), std::string::npos);
    EXPECT_NE(log.text().find("Looking for texture mapping extensions...\n"), std::string::npos);
}

TEST_F(GLDisplayTest, RenderToImageReturnsTheDrawnPixelsAndRefusesEmptyTargets)
{
    const kestrel::Image image = render(5, 3, [](ImageBody&) {
        kestrel::clearBuffers(green, kestrel::ClearColour | kestrel::ClearDepth);
        kestrel::disableState(kestrel::GLStateId::Texture2D);
        const float white[4] = {1, 1, 1, 1};
        kestrel::color4fv(white);
        kestrel::beginPrimitive(kestrel::Primitive::Points);
        kestrel::vertex3f(4, 2, 0);
        kestrel::endPrimitive();
    });
    EXPECT_EQ(pixel(image, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(image, 4, 2), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(image, 3, 2), 0xFF00FF00u);
    kestrel::Image empty;
    LambdaClient client([](ImageBody&) {});
    EXPECT_FALSE(kestrel::renderToImage(empty, client));
}

TEST_F(GLDisplayTest, OnlyOpenNonEmptyWindowsPresentAndASwapIntervalRefusalIsLoggedNotFatal)
{
    ClearingWindow window(red);
    window.swapBuffers();
    EXPECT_EQ(window.paints, 0);
    window.create();
    window.setBounds(0, 0, 0, 24);
    window.swapBuffers();
    EXPECT_EQ(window.paints, 0);
    window.setBounds(0, 0, 32, 24);
    ASSERT_TRUE(window.bindGL(window));
    LogCapture log;
    if (!kestrel::setSwapInterval(1)) {
        EXPECT_NE(log.text().find("swap interval"), std::string::npos);
    }
    window.paintNow();
    window.swapBuffers();
    EXPECT_EQ(window.paints, 2);
}
