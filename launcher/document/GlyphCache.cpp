#include "launcher/document/GlyphCache.h"

#include "base/counted_ptr.h"

#include <map>
#include <memory>
#include <unordered_map>

namespace old_document
{

namespace
{

// One font and the glyphs of the characters asked for in it, each made on first request. A glyph
// keeps its address as others are added.
struct GlyphTable
{
    explicit GlyphTable(const kestrel::FontKey& key) : font(new kestrel::Font(key)) {}

    heron::counted_ptr<kestrel::Font> font;
    std::unordered_map<char32_t, Glyph> glyphs;
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

const Glyph& glyphFor(const kestrel::FontKey& key, char32_t code)
{
    GlyphTable& table = tableFor(key);
    const auto [entry, added] = table.glyphs.try_emplace(code);
    Glyph& glyph = entry->second;
    if (!added) {
        return glyph;
    }
    const kestrel::Font& font = *table.font;
    glyph.code = code;
    glyph.font = &font;
    glyph.advance = font.codePointWidth(code);
    glyph.ascent = font.ascent();
    glyph.descent = font.descent();
    glyph.blank = code == U' ';
    return glyph;
}

}
