#include "platform/FontFace.h"

#include <gtest/gtest.h>

using plat::FaceRequest;
using plat::FontFace;
using plat::GenericFamily;

namespace
{

// Liberation Sans at the em size; the test stops when it cannot be opened.
std::unique_ptr<FontFace> openSans(int emPixels)
{
    FaceRequest request;
    request.family = "Liberation Sans";
    request.emPixels = emPixels;
    return FontFace::open(request);
}

}

TEST(FontFaceTest, NamedFamiliesLoadTheirOwnStyleFiles)
{
    struct Case
    {
        const char* family;
        bool bold;
        bool italic;
        const char* file;
    };
    const Case cases[] = {
        {"Liberation Sans", false, false, "LiberationSans-Regular.ttf"},
        {"Liberation Sans", true, false, "LiberationSans-Bold.ttf"},
        {"Liberation Sans", true, true, "LiberationSans-BoldItalic.ttf"},
        {"liberation mono", false, false, "LiberationMono-Regular.ttf"},
        {"Liberation Serif", false, true, "LiberationSerif-Italic.ttf"},
    };
    for (const Case& c : cases) {
        FaceRequest request;
        request.family = c.family;
        request.bold = c.bold;
        request.italic = c.italic;
        const auto face = FontFace::open(request);
        ASSERT_NE(face, nullptr) << c.family;
        EXPECT_NE(face->filePath().find(c.file), std::string::npos) << face->filePath();
    }
}

TEST(FontFaceTest, MissingFamilyFallsBackToItsGenericFamily)
{
    FaceRequest request;
    request.family = "No Such Family Anywhere";
    request.generic = GenericFamily::Monospace;
    const auto mono = FontFace::open(request);
    ASSERT_NE(mono, nullptr);
    EXPECT_NE(mono->familyName(), request.family);
    EXPECT_EQ(mono->advance('i'), mono->advance('W'));
    request.generic = GenericFamily::Serif;
    const auto serif = FontFace::open(request);
    ASSERT_NE(serif, nullptr);
    EXPECT_NE(serif->familyName(), mono->familyName());
}

TEST(FontFaceTest, EmSizeOutsideTheRangeOpensNothing)
{
    FaceRequest request;
    request.family = "Liberation Sans";
    request.emPixels = 0;
    EXPECT_EQ(FontFace::open(request), nullptr);
    request.emPixels = FontFace::maxEmPixels + 1;
    EXPECT_EQ(FontFace::open(request), nullptr);
    request.emPixels = FontFace::maxEmPixels;
    EXPECT_NE(FontFace::open(request), nullptr);
}

TEST(FontFaceTest, MetricsFollowTheWindowsAscentAndDescent)
{
    const auto face = openSans(12);
    ASSERT_NE(face, nullptr);
    // usWinAscent 1854 and usWinDescent 434 of 2048 units at 12 px.
    EXPECT_EQ(face->metrics().ascent, 11);
    EXPECT_EQ(face->metrics().descent, 3);
    EXPECT_EQ(face->metrics().internalLeading, 2);
    EXPECT_EQ(face->metrics().averageWidth, 7);
    EXPECT_EQ(face->metrics().underlineOffset, 1);
    EXPECT_EQ(face->metrics().underlineThickness, 1);
}

TEST(FontFaceTest, GlyphsRenderAsCoverageAroundThePen)
{
    const auto face = openSans(16);
    ASSERT_NE(face, nullptr);
    plat::GlyphBitmap glyph;
    ASSERT_TRUE(face->render('g', glyph));
    // 'g' reaches below the baseline: more rows than lie above it.
    EXPECT_GT(glyph.height, glyph.top);
    EXPECT_EQ(glyph.coverage.size(), static_cast<std::size_t>(glyph.width * glyph.height));
    ASSERT_TRUE(face->render(' ', glyph));
    EXPECT_EQ(glyph.width * glyph.height, 0);
    // The euro sign lives at 0x80 in Windows-1252.
    ASSERT_TRUE(face->render(0x80, glyph));
    EXPECT_GT(glyph.width, 0);
}
