#pragma once

#include "gui/paint/Font.h"
#include "gui/gl/GrowableArray.h"

#include <cstdint>
#include <vector>

namespace kestrel
{

class Image;
class ImageBody;

// One character of a GL font: advance and glyph cell in pixels, texture corners in the order
// (s0, t0), (s1, t0), (s1, t1), (s0, t1).
struct GlyphEntry
{
    std::int32_t advance = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t cellWidth = 0;
    std::int32_t cellHeight = 0;
    float st[8] = {};
};

// The glyph entry of a cell of the glyph sheet (the glyph rectangle without its pad).
GlyphEntry glyphEntryFor(const Rect& cell, int pad, float textureWidth, float textureHeight);
// DXT1 blocks of a sheet (sides multiples of 4): white where the pixel's alpha is not 0,
// transparent where it is; width x height / 2 bytes, blocks in raster order from the bottom row.
std::vector<std::uint8_t> glyphSheetDXT1(const Image& sheet);

// A texture-mapped font for GL text (frame rate, console, help lines). The glyph texture is built
// on the first begin in the current context. Main thread only.
class glFont : public Font
{
public:
    // Characters firstChar..lastChar (byte codes: kept within 0..255); padFlag adds a one-pixel
    // outline around every glyph.
    glFont(const FontKey& key, int firstChar, int lastChar, bool padFlag);
    // Deletes the glyph texture in the shared context.
    ~glFont();

    // The shared default font (monospace, default size, characters 32 to 126, no pad), built on
    // first use and destroyed at exit.
    static glFont& standard();

    // Saves the GL state, sets a pixel projection for the target and binds the glyph texture;
    // false (nothing changed) when there is no glyph texture.
    [[nodiscard]] bool begin(const ImageBody& target);
    // Restores what begin saved; the matrix mode ends at model-view.
    void end();
    // Draws text with its first pen position at (x, y) pixels; colour packed 0xAABBGGRR.
    // Returns the advance. A character outside the font draws as the first character.
    int drawText(const ImageBody& target, int x, int y, const char* text, std::uint32_t colour);
    // The same with one colour per character.
    int drawTextColoured(const ImageBody& target, int x, int y, const char* text, const std::uint32_t* colours);
    // Between begin and end: draws text with model-view := matrix (16 floats). Returns the advance.
    int drawTextRaw(const float* matrix, const char* text, std::uint32_t colour);

    // The glyph texture (0 until built) and the entry used for a character (an empty entry before
    // the texture is built).
    std::uint32_t textureName() const { return m_texture; }
    const GlyphEntry& entryFor(char c) const;

private:
    void buildTexture();
    int drawQuads(const char* text, std::uint32_t colour, const std::uint32_t* colours);

    std::uint32_t m_texture = 0;
    bool m_tried = false;
    bool m_pad;
    int m_first;
    int m_last;
    float m_textureWidth = 0.0f;
    float m_textureHeight = 0.0f;
    GrowableArray<GlyphEntry> m_glyphs;
    GrowableArray<float> m_texCoords;
    GrowableArray<float> m_positions;
    GrowableArray<std::uint32_t> m_colours;

    // State saved by begin.
    double m_projection[16] = {};
    double m_modelView[16] = {};
    bool m_blend = false;
    bool m_lighting = false;
    bool m_texture2D = false;
    bool m_depthTest = false;
    bool m_alphaTest = false;
    int m_alphaFunc = 0;
    float m_alphaRef = 0.0f;
    int m_boundTexture = 0;
};

}
