#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat
{

// The kind of face that stands in when the named family is not installed (or none is named):
// its Liberation family ("Liberation Mono", "Liberation Serif", "Liberation Sans"), else the
// face fontconfig gives for the generic alias ("monospace", "serif", "sans-serif").
enum class GenericFamily
{
    Monospace,
    Serif,
    SansSerif,
};

// What a face is opened with: a family name (may be empty), the generic family standing in when
// that name is not installed, the em size in pixels and the style.
struct FaceRequest
{
    std::string family;
    GenericFamily generic = GenericFamily::SansSerif;
    int emPixels = 12;
    bool bold = false;
    bool italic = false;
};

// Text metrics in whole pixels, in the sense of the classic desktop text metrics: the cell of a
// line is ascent + descent, and internalLeading is the part of the ascent above the em.
struct FaceMetrics
{
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int averageWidth = 0;
    // Rows below the baseline of the first underline row (1 = the row just below) and its rows.
    int underlineOffset = 1;
    int underlineThickness = 1;
};

// An 8-bit coverage bitmap of one glyph, rows top first. left is the column of its first pixel
// from the pen position; top the number of its rows that lie above the baseline.
struct GlyphBitmap
{
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    std::vector<std::uint8_t> coverage;
};

// One font face at one size and style, loaded through fontconfig and FreeType. Characters are
// bytes in the Windows-1252 code page or Unicode code points. Used on one thread at a time.
class FontFace
{
public:
    // Largest em size a face is opened at.
    static constexpr int maxEmPixels = 1000;

    // Opens the best installed face for the request; null (with a logged reason) when none loads
    // or the em size is outside 1..maxEmPixels.
    [[nodiscard]] static std::unique_ptr<FontFace> open(const FaceRequest& request);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Family name of the face actually loaded, e.g. "Liberation Sans".
    const std::string& familyName() const;
    // Path of the font file that was loaded.
    const std::string& filePath() const;
    const FaceMetrics& metrics() const;
    // Hinted advance of the byte's character in whole pixels; -1 when the face cannot load it.
    int advance(std::uint8_t byte) const;
    // Renders the byte's character; false when the face cannot load it.
    bool render(std::uint8_t byte, GlyphBitmap& out) const;
    // The same for any Unicode character. One the face lacks is its missing-glyph box, as for
    // an undefined byte.
    int codePointAdvance(char32_t code) const;
    bool renderCodePoint(char32_t code, GlyphBitmap& out) const;

private:
    struct Internals;
    explicit FontFace(std::unique_ptr<Internals> internals);
    std::unique_ptr<Internals> m_internals;
};

}
