#pragma once

#include "gui/paint/Graphics.h"
#include "gui/paint/Image.h"

namespace plat
{
struct GlyphBitmap;
}

namespace kestrel
{

// Graphics that rasterises into an off-screen image the size of the paint rectangle; the
// platform layer presents the image to the window when the paint ends. Pixel (x, y) of the
// window is pixel (x - paint x, y - paint y) of the image, whose rows run bottom first too.
// Lines are aliased and include both end points; text coverage is blended over the pixels.
class BitmapGraphics : public Graphics
{
public:
    BitmapGraphics();
    ~BitmapGraphics() override;

    // Takes the base clip entry as the paint rectangle and readies an image of its size,
    // cleared to opaque black; the colour becomes the button text colour.
    void beginPaint(Window* window) override;
    // Ends the paint; the image keeps what was drawn until the next paint.
    void endPaint() override;

    // Palette colour; a number outside the palette is logged once and the colour kept.
    void setColor(GuiColor::gui_color colour) override;
    using Graphics::setColor;
    // Black (0) becomes the palette's black.
    void setRGB(std::uint32_t colour) override;
    void drawPoint(int x, int y) override;
    void drawLine(int x1, int y1, int x2, int y2) override;
    void fillRect(const Rect& r) override;
    void drawChar(char c, const Font& font, int x, int y) override;
    void drawCodePoint(char32_t code, const Font& font, int x, int y) override;
    // Copies the pixels; a 4-component image's pixels of alpha below 128 are left out.
    void drawImage(const Image& image, int x, int y) override;
    void setClip(const Rect& r) override;
    using Graphics::drawText;
    // Text with a transparent background, skipped at once when it cannot meet the clip.
    void drawText(const char* text, const Font& font, int x, int y) override;
    // One closed dotted outline: every other pixel around the rectangle, starting with its
    // bottom-left pixel and going right, up, left and down.
    void drawFocusRect(const Rect& r) override;

    // The window of the paint in progress; null outside a paint or for an off-screen paint.
    Window* window() const { return m_window; }
    // What was painted, covering the paint rectangle.
    const Image& image() const { return m_image; }
    const Rect& paintRect() const { return m_paint; }
    // The current colour as an opaque pixel 0xFFRRGGBB.
    std::uint32_t currentPixel() const { return m_colour; }

private:
    void plot(int x, int y);
    void blend(std::int64_t x, std::int64_t y, std::uint8_t coverage);
    void fillClipped(const Rect& r);
    // Fills the pixels from (left, bottom) to (right, top), both included, inside the clip.
    void fillSpan(std::int64_t left, std::int64_t bottom, std::int64_t right, std::int64_t top);
    void drawDiagonal(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);
    void dots(std::int64_t x, std::int64_t y, int stepX, int stepY, std::int64_t count, std::int64_t first);
    // False when nothing of a line of the font at baseline y, starting at x, can meet the clip.
    bool textMayShow(const Font& font, int x, int y) const;
    void drawGlyph(const plat::GlyphBitmap* glyph, std::int64_t x, std::int64_t y);
    // The font's underline, when it has one, under the pens from x to before end.
    void underline(const Font& font, std::int64_t x, std::int64_t end, int y);

    Window* m_window = nullptr;
    bool m_painting = false;
    Rect m_paint;
    Rect m_clip;
    Image m_image;
    std::uint32_t* m_pixels = nullptr;
    std::uint32_t m_colour = 0xFF000000;
};

}
