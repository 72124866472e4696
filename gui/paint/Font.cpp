#include "gui/paint/Font.h"

#include "base/Debug.h"
#include "base/heron_string.h"
#include "gui/paint/Image.h"
#include "platform/FontFace.h"
#include "platform/Windows1252.h"

#include <algorithm>
#include <optional>

namespace kestrel
{

namespace
{

constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFF;
constexpr std::uint32_t kOpaqueBlack = 0xFF000000;

// The em size a face takes for size 0: the fixed-pitch face as the classic stock fixed font,
// serif and sans-serif at a 10-pixel cell, the menu and GUI faces as the classic GUI font.
int defaultEmPixels(int face)
{
    switch (face) {
    case FontKey::monospaceFace:
        return 13;
    case FontKey::serifFace:
    case FontKey::sansSerifFace:
        return 9;
    default:
        return 11;
    }
}

// The menu and GUI faces are sans-serif. The platform opens the kind's Liberation family.
plat::GenericFamily kindOf(int face)
{
    switch (face) {
    case FontKey::monospaceFace:
        return plat::GenericFamily::Monospace;
    case FontKey::serifFace:
        return plat::GenericFamily::Serif;
    default:
        return plat::GenericFamily::SansSerif;
    }
}

plat::FaceRequest requestFor(const FontKey& key)
{
    plat::FaceRequest request;
    request.generic = kindOf(key.face);
    request.emPixels = key.size > 0 ? key.size : defaultEmPixels(key.face);
    request.bold = (key.style & Font::Bold) != 0;
    request.italic = (key.style & Font::Italic) != 0;
    return request;
}

// Every transparent pixel next to an opaque one (8 neighbours) becomes opaque black.
void addOutline(std::uint32_t* pixels, int width, int height)
{
    const std::vector<std::uint32_t> original(pixels, pixels + width * height);
    const auto opaqueAt = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < width && y < height && original[y * width + x] == kOpaqueWhite;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (original[y * width + x] != 0) {
                continue;
            }
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy) {
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    near = opaqueAt(x + dx, y + dy);
                }
            }
            if (near) {
                pixels[y * width + x] = kOpaqueBlack;
            }
        }
    }
}

}

bool FontKey::operator<(const FontKey& other) const
{
    if (face != other.face) {
        return face < other.face;
    }
    if (style != other.style) {
        return style < other.style;
    }
    return size < other.size;
}

Font::Font(const FontKey& key) : m_key(key)
{
    m_widths.fill(4);
    m_face = plat::FontFace::open(requestFor(key));
    if (m_face == nullptr) {
        heron::debug("Font create failed!\n");
        useFallbackMetrics();
        return;
    }
    readFace();
}

Font::~Font() = default;

void Font::useFallbackMetrics()
{
    m_ascent = 5;
    m_descent = 1;
    m_externalLeading = 0;
    m_averageWidth = 4;
    m_widths.fill(4);
}

void Font::readFace()
{
    const plat::FaceMetrics& metrics = m_face->metrics();
    m_ascent = metrics.ascent - metrics.internalLeading;
    m_descent = metrics.descent;
    m_externalLeading = metrics.externalLeading;
    m_averageWidth = metrics.averageWidth;
    m_underlineOffset = metrics.underlineOffset;
    m_underlineThickness = metrics.underlineThickness;
    for (int code = 0; code < 256; ++code) {
        const int advance = code < 32 ? -1 : m_face->advance(static_cast<std::uint8_t>(code));
        m_widths[static_cast<std::size_t>(code)] = advance >= 0 ? advance : m_averageWidth;
    }
}

int Font::textWidth(const char* text) const
{
    if (text == nullptr) {
        return 0;
    }
    int width = 0;
    for (; *text != '\0'; ++text) {
        width += charWidth(*text);
    }
    return width;
}

int Font::textWidthOf(const heron_string& text) const
{
    int width = 0;
    for (std::uint32_t i = 0; i < text.length(); ++i) {
        width += charWidth(text[i]);
    }
    return width;
}

const plat::GlyphBitmap* Font::glyph(char c) const
{
    const auto byte = static_cast<unsigned char>(c);
    return rendered(plat::windows1252ToUnicode(byte), m_glyphs[byte]);
}

int Font::codePointWidth(char32_t code) const
{
    if (const std::optional<unsigned char> byte = plat::windows1252ByteOf(code)) {
        return m_widths[*byte];
    }
    const auto [entry, added] = m_otherWidths.try_emplace(code, m_averageWidth);
    if (added && m_face != nullptr) {
        const int advance = m_face->codePointAdvance(code);
        entry->second = advance >= 0 ? advance : m_averageWidth;
    }
    return entry->second;
}

const plat::GlyphBitmap* Font::codePointGlyph(char32_t code) const
{
    if (const std::optional<unsigned char> byte = plat::windows1252ByteOf(code)) {
        return rendered(code, m_glyphs[*byte]);
    }
    return rendered(code, m_otherGlyphs[code]);
}

const plat::GlyphBitmap* Font::rendered(char32_t code, GlyphSlot& slot) const
{
    if (m_face == nullptr) {
        return nullptr;
    }
    if (!slot.tried) {
        slot.tried = true;
        auto bitmap = std::make_unique<plat::GlyphBitmap>();
        if (m_face->renderCodePoint(code, *bitmap)) {
            slot.bitmap = std::move(bitmap);
        }
    }
    return slot.bitmap.get();
}

GlyphSheet Font::glyphSheet(int first, int count, bool outline) const
{
    first = std::clamp(first, 0, 255);
    count = std::clamp(count, 0, 256 - first);
    std::vector<int> advances;
    // Rows above and below the baseline: the font's, or more where a glyph reaches further, so
    // that no glyph spills into its neighbour's cell.
    int above = m_ascent;
    int below = m_descent;
    for (int i = 0; i < count; ++i) {
        advances.push_back(charWidth(static_cast<char>(first + i)));
        if (const plat::GlyphBitmap* bitmap = glyph(static_cast<char>(first + i))) {
            above = std::max(above, bitmap->top);
            below = std::max(below, bitmap->height - bitmap->top);
        }
    }
    GlyphSheet sheet(first, advances, std::max(height(), above + below), outline ? 1 : 0);
    for (int i = 0; i < sheet.count(); ++i) {
        const plat::GlyphBitmap* bitmap = glyph(static_cast<char>(first + i));
        if (bitmap != nullptr) {
            const Rect& cell = sheet.cell(i);
            sheet.drawGlyph(*bitmap, cell.x, cell.y + below - 1);
        }
    }
    return sheet;
}

bool Font::grabGlyphs(int first, int count, bool outline, Image& out, std::vector<Rect>& cells) const
{
    const double start = heron::getTime();
    const GlyphSheet sheet = glyphSheet(first, count, outline);
    cells.clear();
    if (sheet.empty()) {
        out = Image();
        return false;
    }
    Image image(sheet.width(), sheet.height(), nullptr);
    image.setComponents(2);
    std::uint32_t* pixels = image.pixels();
    const std::vector<std::uint8_t>& coverage = sheet.coverage();
    for (std::size_t i = 0; i < coverage.size(); ++i) {
        pixels[i] = coverage[i] != 0 ? kOpaqueWhite : 0;
    }
    if (outline) {
        addOutline(pixels, sheet.width(), sheet.height());
    }
    for (int i = 0; i < sheet.count(); ++i) {
        cells.push_back(sheet.cell(i));
    }
    out = image;
    heron::debug("Font grab took: %f\n", heron::getTime() - start);
    return true;
}

}
