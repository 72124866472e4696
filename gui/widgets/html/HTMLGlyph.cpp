#include "gui/widgets/html/HTMLGlyph.h"

#include "base/Debug.h"
#include "gui/paint/Graphics.h"
#include "gui/widgets/html/HTMLInfo.h"

#include <array>
#include <map>

namespace kestrel
{

namespace
{

constexpr std::uint32_t rgbMask = 0xFFFFFF;

heron::counted_ptr<Font> loadFont(const FontKey& key)
{
    return heron::counted_ptr<Font>(new Font(key));
}

// Fonts and character glyphs by font key. The keys an HTML document can ask for are few (three
// faces, seven sizes, eight styles), so the table stays small.
struct CharacterTable
{
    Character2::FontMaker maker = &loadFont;
    std::map<FontKey, std::array<heron::counted_ptr<Character2>, 256>> glyphs;
    std::map<FontKey, heron::counted_ptr<Font>> fonts;
};

// Kept for the whole run: glyphs may be painted until the program ends.
CharacterTable& characterTable()
{
    static CharacterTable* const table = new CharacterTable;
    return *table;
}

}

int HTMLGlyph::nextKindId()
{
    static int counter = 0;
    return ++counter;
}

Character2::Character2(const heron::counted_ptr<Font>& font, unsigned char code)
    : m_font(font), m_code(code), m_width(font->charWidth(static_cast<char>(code)))
{
}

heron::counted_ptr<Character2> Character2::get(const FontKey& key, unsigned char code)
{
    CharacterTable& table = characterTable();
    heron::counted_ptr<Character2>& glyph = table.glyphs[key][code];
    if (!glyph) {
        heron::counted_ptr<Font>& font = table.fonts[key];
        if (!font) {
            font = table.maker(key);
        }
        glyph.reset(new Character2(font, code));
    }
    return glyph;
}

void Character2::setFontMaker(FontMaker maker)
{
    CharacterTable& table = characterTable();
    table.maker = maker ? maker : &loadFont;
    table.glyphs.clear();
    table.fonts.clear();
}

int Character2::kindId() const
{
    static const int id = nextKindId();
    return id;
}

void Character2::paint(Graphics& graphics, const HTMLInfo& info, int x, int y, bool linked) const
{
    graphics.setRGB((linked ? info.linkColour() : info.textColour()) & rgbMask);
    graphics.drawChar(static_cast<char>(m_code), *m_font, x, y);
}

void Character2::logText() const
{
    heron::debug("%c", m_code);
}

ImageGlyph::ImageGlyph(const Image& image, Placement placement, int hspace, int vspace)
    : m_image(image), m_placement(placement), m_hspace(hspace), m_vspace(vspace)
{
}

int ImageGlyph::kindId() const
{
    static const int id = nextKindId();
    return id;
}

void ImageGlyph::paint(Graphics& graphics, const HTMLInfo& info, int x, int y, bool linked) const
{
    const int left = x + m_hspace;
    const int bottom = y + m_vspace;
    graphics.drawImage(m_image, left, bottom);
    if (!linked) {
        return;
    }
    graphics.setRGB(info.linkColour() & rgbMask);
    for (int grow = 1; grow <= 2; ++grow) {
        graphics.drawRect(Rect{left - grow, bottom - grow, m_image.width() + 2 * grow, m_image.height() + 2 * grow});
    }
}

bool ImageGlyph::hitTest(int x, int y) const
{
    return x >= m_hspace && x <= m_hspace + m_image.width() && y >= m_vspace && y <= m_vspace + m_image.height();
}

void ImageGlyph::logText() const
{
    heron::debug("<img>");
}

int LineBreakGlyph::kindId() const
{
    static const int id = nextKindId();
    return id;
}

void LineBreakGlyph::logText() const
{
    heron::debug("<br>");
}

}
