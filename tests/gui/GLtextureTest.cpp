#include "gui/GLtexture.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

TEST(GLtextureTest, SidesAreClampedToTheDriverMaximumAndRoundedDownToPowersOfTwo)
{
    const int cases[][3] = {
        {300, 256, 256}, {200, 256, 128}, {256, 256, 256}, {1, 2048, 1}, {0, 2048, 1}, {-5, 2048, 1},
        {3, 2048, 2},    {1025, 4096, 1024}, {5000, 4096, 4096}, {64, 0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kestrel::textureSide(c[0], c[1]), c[2]) << c[0] << " at most " << c[1];
    }
}

TEST(GLtextureTest, MipChainsRunDownToOneByOne)
{
    EXPECT_EQ(kestrel::mipLevelCount(1, 1), 1);
    EXPECT_EQ(kestrel::mipLevelCount(4, 4), 3);
    EXPECT_EQ(kestrel::mipLevelCount(256, 128), 9);
    EXPECT_EQ(kestrel::mipLevelCount(1, 8), 4);
}

TEST(GLtextureTest, FadingAlphasStartAt102AndShrinkByAFifthPerLevel)
{
    EXPECT_EQ(kestrel::fadeAlpha(0), 102);
    EXPECT_EQ(kestrel::fadeAlpha(1), 81);
    EXPECT_EQ(kestrel::fadeAlpha(2), 65);
    EXPECT_EQ(kestrel::fadeAlpha(3), 52);
}

TEST(GLtextureTest, AutomaticAnisotropyDependsOnTheDriverMaximum)
{
    EXPECT_EQ(kestrel::anisotropyLevel(0, 16), 4);
    EXPECT_EQ(kestrel::anisotropyLevel(0, 8), 2);
    EXPECT_EQ(kestrel::anisotropyLevel(8, 16), 8);
}

TEST(GLtextureTest, UploadFormatFollowsComponentsAndCompression)
{
    using kestrel::chooseUploadFormat;
    EXPECT_EQ(chooseUploadFormat(1, 64, 64, false, true).internalFormat, GL_LUMINANCE8);
    EXPECT_EQ(chooseUploadFormat(2, 64, 64, false, true).internalFormat, GL_LUMINANCE8_ALPHA8);
    EXPECT_EQ(chooseUploadFormat(3, 64, 64, false, true).internalFormat, GL_RGB8);
    EXPECT_EQ(chooseUploadFormat(7, 64, 64, false, true).internalFormat, GL_RGBA8);

    // Compression leaves the scheme to the driver; grey images go up as RGB.
    const kestrel::UploadFormat grey = chooseUploadFormat(1, 64, 64, true, true);
    EXPECT_EQ(grey.internalFormat, GL_COMPRESSED_RGB_ARB);
    EXPECT_TRUE(grey.expandGrey);
    EXPECT_EQ(grey.components, 3);
    EXPECT_EQ(chooseUploadFormat(2, 64, 64, true, true).internalFormat, GL_COMPRESSED_RGBA_ARB);
    EXPECT_EQ(chooseUploadFormat(3, 64, 64, true, true).internalFormat, GL_COMPRESSED_RGB_ARB);
    EXPECT_EQ(chooseUploadFormat(4, 64, 64, true, true).internalFormat, GL_COMPRESSED_RGBA_ARB);

    const kestrel::UploadFormat halved = chooseUploadFormat(1, 64, 64, true, false);
    EXPECT_TRUE(halved.halve);
    EXPECT_EQ(halved.internalFormat, 1);
    EXPECT_FALSE(chooseUploadFormat(4, 2, 64, true, false).halve);
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
        EXPECT_TRUE(a.internals().wantsMipmaps());
        a.setFilters(1, 1);
        EXPECT_FALSE(a.internals().wantsMipmaps());
    }
    EXPECT_EQ(kestrel::GLtexture::count(), before);
}
