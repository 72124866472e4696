#pragma once

#include "gui/GLcapabilities.h"
#include "gui/GLclient.h"
#include "gui/GLstate.h"
#include "gui/GLtexture.h"
#include "gui/Image.h"
#include "platform/GLFunctions.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

// What a texture upload asks for, as given.
class MipmapOptions : public kestrel::MipmapperInfo
{
public:
    MipmapOptions(bool mipmaps, bool fade) : m_mipmaps(mipmaps), m_fade(fade) {}
    bool wantsCompression() const override { return false; }
    bool wantsMipmaps() const override { return m_mipmaps; }
    bool wantsFade() const override { return m_fade; }

private:
    bool m_mipmaps;
    bool m_fade;
};

// A GL client that draws with a function.
class LambdaClient : public kestrel::GLclient
{
public:
    explicit LambdaClient(std::function<void(kestrel::ImageBody&)> paint) : m_paint(std::move(paint)) {}
    void paintGL(kestrel::ImageBody& target) override { m_paint(target); }

private:
    std::function<void(kestrel::ImageBody&)> m_paint;
};

// A copy of the driver's table, installed while it lives: tests replace entry points in it.
class ScopedGLTable : public plat::GLFunctions
{
public:
    ScopedGLTable() : plat::GLFunctions(plat::glDriver()) { plat::setGLFunctions(this); }
    ~ScopedGLTable() { plat::setGLFunctions(nullptr); }
    ScopedGLTable(const ScopedGLTable&) = delete;
    ScopedGLTable& operator=(const ScopedGLTable&) = delete;
};

// Clears colour and depth to the opaque colour.
inline void clearTo(float r, float g, float b)
{
    const float colour[4] = {r, g, b, 1.0f};
    kestrel::clearBuffers(colour, 3);
}

// Draws the bound texture on a quad from (x0, y0) to (x1, y1) with texture coordinates from s0
// to s1 on both axes.
inline void texturedQuad(float x0, float y0, float x1, float y1, float s0, float s1)
{
    kestrel::enableState(kestrel::StateTexture2D);
    kestrel::beginPrimitive(7);
    kestrel::texCoord2f(s0, s0);
    kestrel::vertex3f(x0, y0, 0.0f);
    kestrel::texCoord2f(s1, s0);
    kestrel::vertex3f(x1, y0, 0.0f);
    kestrel::texCoord2f(s1, s1);
    kestrel::vertex3f(x1, y1, 0.0f);
    kestrel::texCoord2f(s0, s1);
    kestrel::vertex3f(x0, y1, 0.0f);
    kestrel::endPrimitive();
}

// Display tests that need the shared context: skipped when the driver cannot be probed.
class GLDisplayTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!kestrel::getGLcapabilities().valid) {
            GTEST_SKIP() << "no OpenGL display";
        }
        ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    }

public:
    // Renders the function into a width x height image through the off-screen path.
    static kestrel::Image render(int width, int height, std::function<void(kestrel::ImageBody&)> paint)
    {
        kestrel::Image image(width, height);
        LambdaClient client(std::move(paint));
        EXPECT_TRUE(kestrel::renderToImage(image, client));
        return image;
    }

    // The pixel at (x, y) from the bottom-left, as 0xAARRGGBB.
    static std::uint32_t pixel(const kestrel::Image& image, int x, int y) { return *image.pixelAt(x, y); }
};
