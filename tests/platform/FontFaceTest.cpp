#include "platform/FontFace.h"

#include <gtest/gtest.h>

using plat::FaceRequest;
using plat::FontFace;
using plat::GenericFamily;

namespace
{

std::unique_ptr<FontFace> openFace(const char* family, int emPixels, bool bold = false, bool italic = false)
{
    return FontFace::open(FaceRequest{.family = family, .emPixels = emPixels, .bold = bold, .italic = italic});
}

}

TEST(FontFaceTest, NamedFamiliesLoadTheirOwnStyleFilesAndSizesOutsideTheRangeNothing)
{
    const struct
    {
        const char* family;
        bool bold, italic;
        const char* file;
    } cases[] = {
        {"Liberation Sans", false, false, "LiberationSans-Regular.ttf"},
        {"Liberation Sans", true, false, "LiberationSans-Bold.ttf"},
        {"Liberation Sans", true, true, "LiberationSans-BoldItalic.ttf"},
        {"liberation mono", false, false, "LiberationMono-Regular.ttf"},
        {"Liberation Serif", false, true, "LiberationSerif-Italic.ttf"},
    };
    for (const auto& c : cases) {
        const auto face = openFace(c.family, 12, c.bold, c.italic);
        ASSERT_NE(face, nullptr) << c.family;
        EXPECT_NE(face->filePath().find(c.file), std::string::npos) << face->filePath();
    }
    EXPECT_EQ(openFace("Liberation Sans", 0), nullptr);
    EXPECT_EQ(openFace("Liberation Sans", FontFace::maxEmPixels + 1), nullptr);
    EXPECT_NE(openFace("Liberation Sans", FontFace::maxEmPixels), nullptr);
}

// The kind's Liberation family is asked for by name, so the fallback does not depend on what else
// is installed: fontconfig's generic aliases differ from machine to machine.
TEST(FontFaceTest, AMissingOrUnnamedFamilyFallsBackToTheLiberationFaceOfItsKind)
{
    const struct
    {
        GenericFamily generic;
        const char* family;
    } kinds[] = {
        {GenericFamily::Monospace, "Liberation Mono"},
        {GenericFamily::Serif, "Liberation Serif"},
        {GenericFamily::SansSerif, "Liberation Sans"},
    };
    for (const auto& kind : kinds) {
        for (const char* family : {"No Such Family Anywhere", ""}) {
            const auto face = FontFace::open(FaceRequest{.family = family, .generic = kind.generic});
            ASSERT_NE(face, nullptr) << kind.family;
            EXPECT_EQ(face->familyName(), kind.family) << '"' << family << '"';
        }
    }
}

TEST(FontFaceTest, MetricsFollowTheWindowsAscentAndDescentAndGlyphsRenderAroundThePen)
{
    const auto small = openFace("Liberation Sans", 12);
    ASSERT_NE(small, nullptr);
    // usWinAscent 1854 and usWinDescent 434 of 2048 units at 12 px.
    const plat::FaceMetrics& m = small->metrics();
    EXPECT_EQ((std::vector<int>{m.ascent, m.descent, m.internalLeading, m.averageWidth, m.underlineOffset,
                                m.underlineThickness}),
              (std::vector<int>{11, 3, 2, 7, 1, 1}));

    const auto face = openFace("Liberation Sans", 16);
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
