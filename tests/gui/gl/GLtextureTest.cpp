#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLtextureInternals.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

TEST(GLtextureTest, SidesAndAnisotropyFollowTheDriverMaximum)
{
    // Sides are clamped to the maximum and rounded down to powers of two.
    const int sides[][3] = {
        {300, 256, 256}, {200, 256, 128}, {256, 256, 256}, {1, 2048, 1}, {0, 2048, 1}, {-5, 2048, 1},
        {3, 2048, 2},    {1025, 4096, 1024}, {5000, 4096, 4096}, {64, 0, 1},
    };
    for (const auto& c : sides) {
        EXPECT_EQ(kestrel::textureSide(c[0], c[1]), c[2]) << c[0] << " at most " << c[1];
    }
    EXPECT_EQ(kestrel::anisotropyLevel(0, 16), 4);
    EXPECT_EQ(kestrel::anisotropyLevel(0, 8), 2);
    EXPECT_EQ(kestrel::anisotropyLevel(8, 16), 8);
}

TEST(GLtextureTest, UploadFormatFollowsComponentsAndCompression)
{
    struct Case
    {
        int components;
        int width;
        bool allowed;
        bool available;
        int internalFormat;
        int uploaded;   // components after grey expansion
        bool expandGrey;
        bool halve;
    };
    const Case cases[] = {
        {1, 64, false, true, GL_LUMINANCE8, 1, false, false},
        {7, 64, false, true, GL_RGBA8, 4, false, false},
        // Compression leaves the scheme to the driver; grey images go up as RGB.
        {1, 64, true, true, GL_COMPRESSED_RGB_ARB, 3, true, false},
        {2, 64, true, true, GL_COMPRESSED_RGBA_ARB, 4, true, false},
        {4, 64, true, true, GL_COMPRESSED_RGBA_ARB, 4, false, false},
        // Without it the image goes up at half size, unless it is too small to halve.
        {1, 64, true, false, 1, 1, false, true},
        {4, 2, true, false, 4, 4, false, false},
    };
    for (const Case& c : cases) {
        const kestrel::UploadFormat f = kestrel::chooseUploadFormat(c.components, c.width, 64, c.allowed, c.available);
        EXPECT_EQ(std::tuple(f.internalFormat, f.components, f.expandGrey, f.halve),
                  std::tuple(c.internalFormat, c.uploaded, c.expandGrey, c.halve))
            << c.components << " components, width " << c.width;
    }
}

TEST(GLtextureTest, TexturesAreCountedWhileTheyLive)
{
    const int before = kestrel::GLtexture::count();
    {
        kestrel::GLtexture a;
        kestrel::GLtexture b;
        a.internals().bytes = 100;
        b.internals().bytes = 28;
        EXPECT_EQ(kestrel::GLtexture::count(), before + 2);
        EXPECT_GE(kestrel::GLtexture::totalBytes(), 128);
    }
    EXPECT_EQ(kestrel::GLtexture::count(), before);
}

namespace
{

kestrel::GLcapabilities rendererNamed(const char* name, int maxAnisotropy)
{
    kestrel::GLcapabilities record;
    record.valid = true;
    record.renderer = name;
    record.maxAnisotropy = maxAnisotropy;
    return record;
}

}

TEST(GLtextureTest, AutomaticTextureQualityFollowsTheRenderer)
{
    struct Case
    {
        const char* renderer;
        int maxAnisotropy;
        bool compress;
        int anisotropy;
    };
    const Case cases[] = {
        {"llvmpipe (LLVM 15.0.7, 256 bits)", 16, false, 1},
        {"softpipe", 16, false, 1},
        {"Software Rasterizer", 1, false, 1},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", 16, true, 4},
        {"AMD Radeon RX 580 Series", 8, true, 2},
    };
    for (const Case& c : cases) {
        const kestrel::TextureQuality quality = kestrel::chooseTextureQuality({}, rendererNamed(c.renderer, c.maxAnisotropy));
        EXPECT_EQ(std::pair(quality.compress, quality.anisotropy), std::pair(c.compress, c.anisotropy)) << c.renderer;
    }
    // A record that was never filled keeps the full quality.
    kestrel::GLcapabilities unknown = rendererNamed("llvmpipe", 16);
    unknown.valid = false;
    EXPECT_TRUE(kestrel::chooseTextureQuality({}, unknown).compress);
    // Without compression a filtered RGBA image goes up as plain RGBA8, at its own size.
    const kestrel::UploadFormat plain = kestrel::chooseUploadFormat(4, 256, 256, false, true);
    EXPECT_EQ(std::tuple(plain.internalFormat, plain.halve), std::tuple(GL_RGBA8, false));
}

TEST(GLtextureTest, ExplicitTextureSettingsAreKeptOnEveryRenderer)
{
    using kestrel::TextureSetting;
    struct Case
    {
        TextureSetting compression;
        int anisotropy;
        bool software;
        bool compress;
        int level;
    };
    const Case cases[] = {
        {TextureSetting::On, 0, true, true, 1},
        {TextureSetting::Off, 0, false, false, 4},
        {TextureSetting::Automatic, 8, true, false, 8},
        {TextureSetting::Automatic, 1, false, true, 1},
        {TextureSetting::On, 2, true, true, 2},
    };
    for (const Case& c : cases) {
        const kestrel::TextureSettings settings{c.compression, c.anisotropy};
        const kestrel::GLcapabilities renderer = rendererNamed(c.software ? "llvmpipe" : "Radeon", 16);
        const kestrel::TextureQuality quality = kestrel::chooseTextureQuality(settings, renderer);
        EXPECT_EQ(std::pair(quality.compress, quality.anisotropy), std::pair(c.compress, c.level))
            << int(c.compression) << " " << c.anisotropy << " on " << renderer.renderer.c_str();
    }
}
