#include "GLRecorder.h"
#include "GLTestSupport.h"

#include "gui/GLtexture.h"
#include "gui/glFont.h"
#include "LogCapture.h"

#include <string>

namespace
{

using kestrel::Image;
using kestrel::ImageBody;

// Draws the bound texture on a quad from (x0, y0) to (x1, y1) pixels with texture coordinates
// from s0 to s1 on both axes.
void texturedQuad(float x0, float y0, float x1, float y1, float s0, float s1)
{
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

void clearTo(float r, float g, float b)
{
    const float colour[4] = {r, g, b, 1.0f};
    kestrel::clearBuffers(colour, 3);
}

int alphaOf(std::uint32_t pixel)
{
    return static_cast<int>(pixel >> 24);
}

// Renders the texture on a side x side quad over black with texture coordinates s0..s1.
Image drawTexture(kestrel::GLtexture& texture, int side, float s0, float s1)
{
    return GLDisplayTest::render(side, side, [&](ImageBody&) {
        clearTo(0, 0, 0);
        kestrel::enableState(kestrel::StateTexture2D);
        texture.bind();
        const float far = static_cast<float>(side);
        texturedQuad(0, 0, far, far, s0, s1);
    });
}

}

TEST_F(GLDisplayTest, TextureDrawsItsTexelsAtNearestFiltering)
{
    const std::uint32_t texels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    kestrel::GLtexture texture;
    texture.setFilters(1, 1);
    texture.setClamp(0, 0);
    texture.setImage(Image(2, 2, texels));
    const Image out = drawTexture(texture, 4, 0, 1);
    EXPECT_EQ(pixel(out, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(out, 3, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(out, 0, 3), 0xFF0000FFu);
    EXPECT_EQ(pixel(out, 3, 3), 0xFFFFFFFFu);
    EXPECT_EQ(texture.internals().bytes, 2 * 2 * 4);
    EXPECT_GE(kestrel::GLtexture::totalBytes(), 16);
}

TEST_F(GLDisplayTest, BorderClampShowsTheBorderColourOutsideTheTexture)
{
    const std::uint32_t red[4] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000};
    kestrel::GLtexture texture;
    texture.setFilters(1, 1);
    texture.setClamp(1, 0xFFFF0000);    // blue, packed 0xAABBGGRR
    texture.setImage(Image(2, 2, red));
    const Image out = drawTexture(texture, 12, -1, 2);
    EXPECT_FALSE(texture.internals().borderUnavailable);
    EXPECT_EQ(pixel(out, 1, 1), 0xFF0000FFu);
    EXPECT_EQ(pixel(out, 10, 10), 0xFF0000FFu);
    EXPECT_EQ(pixel(out, 5, 6), 0xFFFF0000u);
    GLint wrap = 0;
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    texture.bind();
    plat::gl().GetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP_TO_BORDER_ARB);
}

TEST_F(GLDisplayTest, EdgeClampRepeatsTheEdgeTexels)
{
    const std::uint32_t texels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    kestrel::GLtexture texture;
    texture.setFilters(1, 1);
    texture.setClamp(0, 0);
    texture.setImage(Image(2, 2, texels));
    const Image out = drawTexture(texture, 12, -1, 2);
    EXPECT_EQ(pixel(out, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(out, 11, 11), 0xFFFFFFFFu);
}

TEST_F(GLDisplayTest, FadingMipmapsLowerTheAlphaLevelByLevel)
{
    Image source(4, 4);
    source.fill(0xFF204080);
    kestrel::GLtexture texture;
    texture.setFadeMipmaps();
    texture.setImage(source);
    texture.bind();
    GLint width = -1;
    plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 1);
    plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(texture.internals().bytes, (16 + 4 + 1) * 4);
    const auto drawnAt = [&](int side) {
        return drawTexture(texture, side, 0, 1);
    };
    EXPECT_EQ(alphaOf(pixel(drawnAt(4), 1, 1)), 102);
    EXPECT_EQ(alphaOf(pixel(drawnAt(1), 0, 0)), 65);
    EXPECT_EQ(pixel(drawnAt(4), 2, 2) & 0xFFFFFFu, 0x204080u);
}

TEST_F(GLDisplayTest, OversizedImagesGoUpAtAPowerOfTwoAndCompressedWhenAllowed)
{
    Image source(300, 200);
    source.fill(0xFF808080);
    kestrel::GLtexture texture;
    texture.setFilters(1, 1);
    texture.allowCompression();
    texture.setImage(source);
    texture.bind();
    GLint width = 0;
    GLint height = 0;
    GLint compressed = 0;
    plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_ARB, &compressed);
    EXPECT_EQ(width, 256);
    EXPECT_EQ(height, 128);
    // The driver picks the scheme; the texture counts what it takes.
    GLint size = 256 * 128 * 4;
    if (compressed) {
        plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &size);
    }
    EXPECT_EQ(texture.internals().bytes, size);
}

TEST_F(GLDisplayTest, TextureNamesAreDeletedWithTheirTextures)
{
    GLuint name = 0;
    {
        kestrel::GLtexture texture;
        texture.bind();
        name = texture.internals().name;
        ASSERT_NE(name, 0u);
        EXPECT_TRUE(glIsTexture(name));
    }
    ASSERT_TRUE(kestrel::makeSharedContextCurrent());
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(GLDisplayTest, GlFontDrawsWhiteGlyphsAndReturnsTheAdvance)
{
    LogCapture log;
    int advance = 0;
    const Image out = render(64, 32, [&](ImageBody& target) {
        clearTo(0, 0, 0);
        advance = kestrel::glFont::standard().drawText(target, 2, 2, "WM", 0xFFFFFFFF);
        EXPECT_EQ(kestrel::glFont::standard().drawText(target, 2, 2, "", 0xFFFFFFFF), 0);
    });
    EXPECT_EQ(advance, kestrel::glFont::standard().charWidth('W') + kestrel::glFont::standard().charWidth('M'));
    int white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            white += (pixel(out, x, y) & 0xFFFFFFu) == 0xFFFFFFu ? 1 : 0;
            EXPECT_TRUE(x < 2 + advance + 2 || (pixel(out, x, y) & 0xFFFFFFu) == 0) << x << "," << y;
        }
    }
    EXPECT_GT(white, 10);
    EXPECT_EQ(log.text().find("internal format didn't match"), std::string::npos);
}

TEST_F(GLDisplayTest, AOneByOneImageWithMipmapsUploadsOneLevel)
{
    kestrel::GLtexture texture;
    texture.setImage(Image(1, 1));
    texture.bind();
    GLint width = -1;
    plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(texture.internals().bytes, 4);
    EXPECT_TRUE(texture.internals().uploaded);
}

TEST_F(GLDisplayTest, CompressionAllowedButUnavailableUploadsAtHalfSize)
{
    Image grey(64, 64);
    grey.fill(0xFF808080);
    grey.setComponents(1);
    kestrel::GLtexture texture;
    texture.setFilters(1, 1);
    texture.allowCompression();
    texture.bind();
    const bool couldCompress = kestrel::weCanCompressTextures;
    kestrel::weCanCompressTextures = false;
    GLRecorder recorder;
    texture.setImage(grey);
    kestrel::weCanCompressTextures = couldCompress;
    EXPECT_EQ(recorder.count("TexImage2D(" + std::to_string(GL_TEXTURE_2D) + ",0,1,32,32,0,"), 1);
    EXPECT_EQ(texture.internals().bytes, 32 * 32 * 4);
}

TEST_F(GLDisplayTest, ATextureMadeWhileNoContextIsCurrentStillDraws)
{
    render(1, 1, [](ImageBody&) {});
    ASSERT_EQ(plat::currentGLContext(), nullptr);   // off-screen rendering lets the context go
    const std::uint32_t blue[4] = {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF};
    kestrel::GLtexture texture;
    texture.setFilters(1, 1);
    texture.setImage(Image(2, 2, blue));
    EXPECT_NE(texture.internals().name, 0u);
    const Image out = drawTexture(texture, 4, 0, 1);
    EXPECT_EQ(pixel(out, 2, 2), 0xFF0000FFu);
}

TEST_F(GLDisplayTest, AnImageMakesItsTextureInTheBoundName)
{
    GLuint name = 0;
    plat::gl().GenTextures(1, &name);
    plat::gl().BindTexture(GL_TEXTURE_2D, name);
    Image source(4, 2);
    source.fill(0xFF336699);
    EXPECT_TRUE(source.makeTexture(MipmapOptions(true, true)));
    GLint width = 0;
    plat::gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 1);
    std::uint32_t level1[2] = {};
    plat::gl().PixelStorei(GL_PACK_ALIGNMENT, 4);
    plat::gl().GetTexImage(GL_TEXTURE_2D, 1, GL_BGRA_EXT, GL_UNSIGNED_BYTE, level1);
    EXPECT_EQ(level1[0], 0x51336699u);     // alpha 81 on the second level
    EXPECT_EQ(*source.pixelAt(0, 0), 0xFF336699u);  // the image itself is left alone
    plat::gl().DeleteTextures(1, &name);
}

TEST_F(GLDisplayTest, CharactersOutsideTheFontDrawAsItsFirstCharacter)
{
    kestrel::glFont& font = kestrel::glFont::standard();
    render(8, 8, [&](ImageBody& target) { font.drawText(target, 0, 0, "A", 0xFFFFFFFF); });
    ASSERT_NE(font.textureName(), 0u);
    EXPECT_EQ(&font.entryFor(static_cast<char>(200)), &font.entryFor(' '));
    EXPECT_EQ(&font.entryFor('\n'), &font.entryFor(' '));
    EXPECT_NE(&font.entryFor('~'), &font.entryFor(' '));
}
