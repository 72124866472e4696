#pragma once

#include "base/Refcountable.h"
#include "base/counted_ptr.h"
#include "gui/paint/Font.h"
#include "gui/paint/Image.h"

namespace kestrel
{

class Graphics;
class HTMLInfo;

// One thing a paragraph flows: a character, an image or a line break. Sizes in pixels; y of a
// glyph is its baseline.
class HTMLGlyph : public heron::Refcountable
{
public:
    virtual int width() const = 0;
    virtual int ascent() const = 0;
    virtual int descent() const { return 0; }
    virtual bool isSpace() const { return false; }
    virtual bool isLineBreak() const { return false; }
    virtual bool isFloat() const { return false; }
    // The same small number for every glyph of one class: runs of one kind make a word.
    virtual int kindId() const = 0;
    // Draws with the baseline's left end at (x, y); `linked` when the glyph belongs to a link.
    virtual void paint(Graphics& graphics, const HTMLInfo& info, int x, int y, bool linked) const = 0;
    // Whether the point, relative to the glyph's baseline start, hits it.
    virtual bool hitTest(int x, int y) const { return true; }
    // 0 left, 1 right.
    virtual int floatSide() const { return 0; }
    // Which floats a line break moves below: 0 none, 1 left, 2 right, 3 both.
    virtual int clearMode() const { return 0; }
    // Writes the glyph to the debug log as text: the character itself, or a tag for the others.
    virtual void logText() const = 0;

protected:
    // A number for a glyph class, given the first time the class asks.
    static int nextKindId();
};

// A character in a font. One shared glyph per font and character, made on first use and kept.
class Character2 : public HTMLGlyph
{
public:
    // Makes the font of a key; the default loads it.
    using FontMaker = heron::counted_ptr<Font> (*)(const FontKey& key);

    // The shared glyph of the character in the key's font.
    static heron::counted_ptr<Character2> get(const FontKey& key, unsigned char code);
    // Makes every font from now on with the maker (null: load them), dropping the glyphs made
    // so far. Main thread.
    static void setFontMaker(FontMaker maker);

    int width() const override { return m_width; }
    int ascent() const override { return m_font->ascent(); }
    int descent() const override { return m_font->descent(); }
    bool isSpace() const override { return m_code == ' '; }
    int kindId() const override;
    // In the link colour when linked, else in the text colour.
    void paint(Graphics& graphics, const HTMLInfo& info, int x, int y, bool linked) const override;
    void logText() const override;

    unsigned char code() const { return m_code; }
    const Font& font() const { return *m_font; }

private:
    Character2(const heron::counted_ptr<Font>& font, unsigned char code);

    heron::counted_ptr<Font> m_font;
    unsigned char m_code;
    int m_width;
};

// An image with room around it; inline, or floating at the left or right edge.
class ImageGlyph : public HTMLGlyph
{
public:
    enum class Placement
    {
        Inline,
        FloatLeft,
        FloatRight,
    };

    ImageGlyph(const Image& image, Placement placement, int hspace, int vspace);

    int width() const override { return m_image.width() + 2 * m_hspace; }
    int ascent() const override { return m_image.height() + 2 * m_vspace; }
    bool isFloat() const override { return m_placement != Placement::Inline; }
    int floatSide() const override { return m_placement == Placement::FloatRight ? 1 : 0; }
    int kindId() const override;
    // The image, outlined twice in the link colour when linked.
    void paint(Graphics& graphics, const HTMLInfo& info, int x, int y, bool linked) const override;
    // Only the image itself, not the room around it.
    bool hitTest(int x, int y) const override;
    void logText() const override;

private:
    Image m_image;
    Placement m_placement;
    int m_hspace;
    int m_vspace;
};

// Ends a line; clear 1, 2 or 3 also moves below the floats at the left, the right or both.
class LineBreakGlyph : public HTMLGlyph
{
public:
    explicit LineBreakGlyph(int clear) : m_clear(clear) {}

    int width() const override { return 0; }
    int ascent() const override { return 0; }
    bool isLineBreak() const override { return true; }
    int kindId() const override;
    void paint(Graphics&, const HTMLInfo&, int, int, bool) const override {}
    int clearMode() const override { return m_clear; }
    void logText() const override;

private:
    int m_clear;
};

}
