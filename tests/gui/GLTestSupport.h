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
