#include "support/GLTestSupport.h"
#include "support/LogCapture.h"

#include "gui/gl/GLtextureInternals.h"
#include "gui/gl/glFont.h"

#include <GL/glext.h>

#include <array>
#include <memory>

namespace
{

using kestrel::Image;
using kestrel::ImageBody;

int alphaOf(std::uint32_t pixel)
{
    return static_cast<int>(pixel >> 24);
}

// Renders the texture on a side x side quad over black with texture coordinates s0..s1.
Image drawTexture(kestrel::GLtexture& texture, int side, float s0, float s1)
{
    return GLDisplayTest::render(side, side, [&](ImageBody&) {
        clearTo(0, 0, 0);
        texture.bind();
        const float far = static_cast<float>(side);
        texturedQuad(0, 0, far, far, s0, s1);
    });
}

// A parameter of one level of the texture bound to GL_TEXTURE_2D.
GLint levelParameter(int level, GLenum name)
{
    GLint value = -1;
    plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// The user's texture settings, set for the test's time.
class ScopedTextureSettings
{
public:
    explicit ScopedTextureSettings(const kestrel::TextureSettings& settings) : m_saved(kestrel::textureSettings)
    {
        kestrel::textureSettings = settings;
    }
    ~ScopedTextureSettings() { kestrel::textureSettings = m_saved; }
    ScopedTextureSettings(const ScopedTextureSettings&) = delete;
    ScopedTextureSettings& operator=(const ScopedTextureSettings&) = delete;

private:
    kestrel::TextureSettings m_saved;
};

}

TEST_F(GLDisplayTest, TexturesDrawTheirTexelsClampToTheEdgeOrTheBorderColourAndDeleteTheirNames)
{
    const std::uint32_t texels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    struct Case
    {
        int clamp;
        int side;
        float s0;
        float s1;
        std::vector<std::array<std::uint32_t, 3>> probes;   // x, y and the colour there
    };
    const std::uint32_t yellow = 0xFFFFFF00u;   // the border colour below
    const Case cases[] = {
        {0, 4, 0, 1, {{0, 0, texels[0]}, {3, 0, texels[1]}, {0, 3, texels[2]}, {3, 3, texels[3]}}},
        // (2, 2) samples at -0.375: the edge texel when clamped, a wrapped-around one when repeated.
        {0, 12, -1, 2, {{0, 0, texels[0]}, {2, 2, texels[0]}, {11, 11, texels[3]}}},
        {1, 12, -1, 2, {{1, 1, yellow}, {10, 10, yellow}, {5, 5, texels[0]}, {6, 6, texels[3]}}},
    };
    // Every texture is made while no context is current, as after off-screen rendering.
    render(1, 1, [](ImageBody&) {});
    std::vector<std::unique_ptr<kestrel::GLtexture>> textures;
    for (const Case& c : cases) {
        ASSERT_EQ(plat::currentGLContext(), nullptr);
        kestrel::GLtexture& texture = *textures.emplace_back(std::make_unique<kestrel::GLtexture>());
        texture.setFilters(1, 1);
        texture.setClamp(c.clamp, 0xFF00FFFF);
        texture.setImage(Image(2, 2, texels));
        ASSERT_TRUE(glIsTexture(texture.internals().name));
        const Image out = drawTexture(texture, c.side, c.s0, c.s1);
        for (const auto& [x, y, colour] : c.probes) {
            EXPECT_EQ(pixel(out, static_cast<int>(x), static_cast<int>(y)), colour)
                << "clamp " << c.clamp << " at " << x << "," << y;
        }
    }
    std::vector<GLuint> names;
    for (const auto& texture : textures) {
        names.push_back(texture->internals().name);
    }
    textures.clear();
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    for (const GLuint name : names) {
        EXPECT_FALSE(glIsTexture(name)) << name;   // deleted with its texture
    }
}

TEST_F(GLDisplayTest, FadingMipmapsRunDownToOneByOneAndLowerTheAlphaLevelByLevel)
{
    Image source(4, 4);
    source.fill(0xFF204080);
    kestrel::GLtexture texture;
    texture.setFadeMipmaps();
    texture.setImage(source);
    texture.bind();
    EXPECT_EQ(levelParameter(2, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(levelParameter(3, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(texture.internals().bytes, (16 + 4 + 1) * 4);
    EXPECT_EQ(alphaOf(pixel(drawTexture(texture, 4, 0, 1), 1, 1)), 102);
    EXPECT_EQ(alphaOf(pixel(drawTexture(texture, 1, 0, 1), 0, 0)), 65);
    EXPECT_EQ(pixel(drawTexture(texture, 4, 0, 1), 2, 2) & 0xFFFFFFu, 0x204080u);

    kestrel::GLtexture single;
    single.setImage(Image(1, 1));
    single.bind();
    EXPECT_EQ(levelParameter(1, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(single.internals().bytes, 4);
}

TEST_F(GLDisplayTest, OversizedImagesGoUpAtAPowerOfTwoCompressedWhenAllowedOrHalvedWithoutCompression)
{
    Image grey(300, 200);
    grey.fill(0xFF808080);
    grey.setComponents(1);
    // Compression as the user's choice, so that it is used on a software renderer too.
    const ScopedTextureSettings compression({kestrel::TextureSetting::On, 0});
    for (const bool available : {true, false}) {
        kestrel::GLtexture texture;
        texture.setFilters(1, 1);
        texture.allowCompression();
        texture.bind();   // probes first: they would set the flag below again
        const bool couldCompress = kestrel::weCanCompressTextures;
        kestrel::weCanCompressTextures = couldCompress && available;
        GLRecorder recorder;
        texture.setImage(grey);
        kestrel::weCanCompressTextures = couldCompress;
        if (!available) {
            EXPECT_EQ(recorder.count("TexImage2D(" + std::to_string(GL_TEXTURE_2D) + ",0,1,128,64,0,"), 1);
            EXPECT_EQ(texture.internals().bytes, 128 * 64 * 4);
            continue;
        }
        texture.bind();
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 256);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 128);
        // The driver picks the scheme; the texture counts what it takes.
        const bool compressed = levelParameter(0, GL_TEXTURE_COMPRESSED_ARB) != 0;
        EXPECT_EQ(texture.internals().bytes,
                  compressed ? levelParameter(0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB) : 256 * 128 * 4);
    }
}

TEST_F(GLDisplayTest, FilteredTexturesGoUpPlainWithoutAnisotropyOnASoftwareRenderer)
{
    if (!kestrel::getGLcapabilities().isSoftwareRenderer()) {
        GTEST_SKIP() << "not a software renderer";
    }
    Image source(64, 64);
    source.fill(0xFF336699);
    kestrel::GLtexture texture;
    texture.allowCompression();
    texture.setAnisotropy(0);
    GLRecorder recorder;
    texture.setImage(source);
    const std::string level0 = "TexImage2D(" + std::to_string(GL_TEXTURE_2D) + ",0," + std::to_string(GL_RGBA8) + ",64,64,";
    EXPECT_EQ(recorder.count(level0), 1);
    EXPECT_EQ(recorder.count("TexParameterf(" + std::to_string(GL_TEXTURE_2D) + "," + std::to_string(GL_TEXTURE_MAX_ANISOTROPY_EXT)), 0);
    texture.bind();
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_COMPRESSED_ARB), 0);
    EXPECT_EQ(texture.internals().bytes, (64 * 64 + 32 * 32 + 16 * 16 + 8 * 8 + 16 + 4 + 1) * 4);
}

TEST_F(GLDisplayTest, AnImageMakesItsTextureInTheBoundName)
{
    GLuint name = 0;
    plat::gl().GenTextures(1, &name);
    plat::gl().BindTexture(GL_TEXTURE_2D, name);
    Image source(4, 2);
    source.fill(0xFF336699);
    EXPECT_TRUE(source.makeTexture(MipmapOptions(true, true)));
    EXPECT_EQ(levelParameter(2, GL_TEXTURE_WIDTH), 1);
    std::uint32_t level1[2] = {};
    plat::gl().PixelStorei(GL_PACK_ALIGNMENT, 4);
    plat::gl().GetTexImage(GL_TEXTURE_2D, 1, GL_BGRA_EXT, GL_UNSIGNED_BYTE, level1);
    EXPECT_EQ(level1[0], 0x51336699u);     // alpha 81 on the second level
    EXPECT_EQ(*source.pixelAt(0, 0), 0xFF336699u);  // the image itself is left alone
    plat::gl().DeleteTextures(1, &name);
}

TEST_F(GLDisplayTest, GlFontDrawsWhiteGlyphsAndCharactersOutsideItsRangeAsTheFirst)
{
    kestrel::glFont& font = kestrel::glFont::standard();
    LogCapture log;
    int advance = 0;
    const Image out = render(64, 32, [&](ImageBody& target) {
        clearTo(0, 0, 0);
        advance = font.drawText(target, 2, 2, "WM", 0xFFFFFFFF);
        EXPECT_EQ(font.drawText(target, 2, 2, "", 0xFFFFFFFF), 0);
    });
    EXPECT_EQ(advance, font.charWidth('W') + font.charWidth('M'));
    int white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            white += (pixel(out, x, y) & 0xFFFFFFu) == 0xFFFFFFu ? 1 : 0;
            EXPECT_TRUE(x < 2 + advance + 2 || (pixel(out, x, y) & 0xFFFFFFu) == 0) << x << "," << y;
        }
    }
    EXPECT_GT(white, 10);
    EXPECT_EQ(log.text().find("internal format didn't match"), std::string::npos);
    ASSERT_NE(font.textureName(), 0u);
    EXPECT_EQ(&font.entryFor(static_cast<char>(200)), &font.entryFor(' '));
    EXPECT_EQ(&font.entryFor('\n'), &font.entryFor(' '));
    EXPECT_NE(&font.entryFor('~'), &font.entryFor(' '));
}
