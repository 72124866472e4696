#pragma once

#include "gui/paint/GlyphSheet.h"

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

class heron_string;

namespace plat
{
class FontFace;
struct GlyphBitmap;
}

namespace kestrel
{

class Image;
struct Rect;

// Identity of a font: face id, em size in pixels (0 = the face's default) and style bits.
struct FontKey
{
    // Face ids.
    static constexpr int monospaceFace = 123;
    static constexpr int serifFace = 124;
    static constexpr int sansSerifFace = 125;
    static constexpr int menuFace = 126;
    static constexpr int guiFace = 127;

    int face = guiFace;
    int size = 0;
    int style = 0;

    // Order of the font cache: face id, then style bits, then size.
    bool operator<(const FontKey& other) const;
    bool operator==(const FontKey& other) const = default;
};

// A font at one size and style with its metrics in whole pixels and one advance width per byte;
// bytes are Windows-1252 characters. Any other Unicode character of the face is measured and drawn
// through its code point. Used on the GUI thread; shared through counted pointers.
class Font
{
public:
    static constexpr int Bold = 1;
    static constexpr int Italic = 2;
    static constexpr int Underline = 4;

    // Loads the key's face; when no face loads, logs "Font create failed!" and takes fallback
    // metrics (height 6, ascent 5, descent 1, every width 4) so the font stays usable.
    explicit Font(const FontKey& key);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const FontKey& key() const { return m_key; }
    // Cell height in pixels: ascent + descent.
    int height() const { return m_ascent + m_descent; }
    // Rows above the baseline, without internal leading.
    int ascent() const { return m_ascent; }
    int descent() const { return m_descent; }
    int externalLeading() const { return m_externalLeading; }
    int averageWidth() const { return m_averageWidth; }
    // True when a face was loaded (false: fallback metrics, no glyphs).
    bool isLoaded() const { return m_face != nullptr; }

    // Advance of a character in pixels, indexed by its unsigned byte.
    int charWidth(char c) const { return m_widths[static_cast<unsigned char>(c)]; }
    // Sum of the advances of a NUL-terminated text; 0 for null.
    int textWidth(const char* text) const;
    // Sum of the advances over the string's whole length.
    int textWidthOf(const heron_string& text) const;

    // Underline rows: the first lies underlineOffset rows below the baseline (1 = the row just
    // below it), underlineThickness rows in all.
    int underlineOffset() const { return m_underlineOffset; }
    int underlineThickness() const { return m_underlineThickness; }

    // Coverage of a character, rendered on first request and kept; null without a face or
    // when the face has no drawable glyph for it.
    const plat::GlyphBitmap* glyph(char c) const;

    // Advance and coverage of a Unicode character: a character of Windows-1252 is its byte's, any
    // other is measured and rendered on first request and kept (the average width without a face).
    int codePointWidth(char32_t code) const;
    const plat::GlyphBitmap* codePointGlyph(char32_t code) const;

    // Coverage atlas of count characters from first for the OpenGL text layer.
    GlyphSheet glyphSheet(int first, int count, bool outline) const;
    // The same sheet as a 2-component image (opaque white where covered, opaque black outline
    // pixels with outline set, 0 elsewhere) and one cell per character, bottom-left origin.
    // False and an empty image when the sheet cannot be built.
    bool grabGlyphs(int first, int count, bool outline, Image& out,
                    std::vector<Rect>& cells) const;

private:
    // A character's coverage once its rendering was tried; null when that failed.
    struct GlyphSlot
    {
        bool tried = false;
        std::unique_ptr<plat::GlyphBitmap> bitmap;
    };

    void useFallbackMetrics();
    void readFace();
    const plat::GlyphBitmap* rendered(char32_t code, GlyphSlot& slot) const;

    FontKey m_key;
    int m_ascent = 5;
    int m_descent = 1;
    int m_externalLeading = 0;
    int m_averageWidth = 4;
    int m_underlineOffset = 1;
    int m_underlineThickness = 1;
    std::array<int, 256> m_widths;
    std::unique_ptr<plat::FontFace> m_face;
    // Rendered on first use; the GUI thread alone touches a font.
    mutable std::array<GlyphSlot, 256> m_glyphs;
    // Characters beyond Windows-1252, by code point.
    mutable std::unordered_map<char32_t, int> m_otherWidths;
    mutable std::unordered_map<char32_t, GlyphSlot> m_otherGlyphs;
};

}
