#include "launcher/document/GlyphCache.h"

#include "base/counted_ptr.h"

#include <array>
#include <map>
#include <memory>

namespace old_document
{

namespace
{

// One font and the glyphs of its 256 characters, each filled in on first request.
struct GlyphTable
{
    explicit GlyphTable(const kestrel::FontKey& key) : font(new kestrel::Font(key)) {}

    heron::counted_ptr<kestrel::Font> font;
    std::array<Glyph, 256> glyphs;
    std::array<bool, 256> made{};
};

// Tables live at stable addresses to the end of the program, so glyphs may be held by pointer.
GlyphTable& tableFor(const kestrel::FontKey& key)
{
    static std::map<kestrel::FontKey, std::unique_ptr<GlyphTable>> tables;
    std::unique_ptr<GlyphTable>& table = tables[key];
    if (!table) {
        table = std::make_unique<GlyphTable>(key);
    }
    return *table;
}

}

const Glyph& glyphFor(const kestrel::FontKey& key, unsigned char code)
{
    GlyphTable& table = tableFor(key);
    Glyph& glyph = table.glyphs[code];
    if (table.made[code]) {
        return glyph;
    }
    const kestrel::Font& font = *table.font;
    glyph.code = code;
    glyph.font = &font;
    glyph.advance = font.charWidth(static_cast<char>(code));
    glyph.ascent = font.ascent();
    glyph.descent = font.descent();
    glyph.blank = code == ' ';
    table.made[code] = true;
    return glyph;
}

}
