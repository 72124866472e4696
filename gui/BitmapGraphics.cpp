#include "gui/BitmapGraphics.h"

#include "base/Debug.h"
#include "gui/Font.h"
#include "platform/FontFace.h"

#include <atomic>
#include <cstdlib>
#include <vector>

namespace kestrel
{

namespace
{

constexpr std::uint32_t kAlpha = 0xFF000000;
constexpr std::uint32_t kClearPixel = 0xFF000000;

std::uint32_t mixChannel(std::uint32_t over, std::uint32_t under, std::uint32_t coverage, int shift)
{
    const std::uint32_t a = over >> shift & 0xFF;
    const std::uint32_t b = under >> shift & 0xFF;
    return ((a * coverage + b * (255 - coverage) + 127) / 255) << shift;
}

}

BitmapGraphics::BitmapGraphics() = default;

BitmapGraphics::~BitmapGraphics() = default;

void BitmapGraphics::beginPaint(Window* window)
{
    m_window = window;
    m_painting = true;
    m_paint = clipRect();
    m_clip = m_paint;
    if (m_paint.isEmpty()) {
        m_image = Image();
        m_pixels = nullptr;
        return;
    }
    if (m_image.width() != m_paint.width || m_image.height() != m_paint.height) {
        m_image = Image(m_paint.width, m_paint.height);
    }
    m_image.fill(kClearPixel);
    m_pixels = m_image.pixels();
    m_colour = packedToPixel(GuiColor::toSystemColour(GuiColor::BUTTON_TEXT));
}

void BitmapGraphics::endPaint()
{
    if (!m_painting) {
        return;
    }
    m_painting = false;
    m_window = nullptr;
    m_pixels = nullptr;
}

void BitmapGraphics::setClip(const Rect& r)
{
    if (clipEmpty()) {
        return;
    }
    if (r == Rect{}) {
        heron::debug("iuhsdih");
    }
    m_clip = r.intersection(m_paint);
}

void BitmapGraphics::setColor(GuiColor::gui_color colour)
{
    if (clipEmpty()) {
        return;
    }
    const int value = static_cast<int>(colour);
    if (value < 0 || value >= GuiColor::count) {
        static std::atomic<bool> reported{false};
        if (!reported.exchange(true)) {
            heron::debug("Illegal color passed to gdiGraphics::setColor(GuiColor::gui_color)\n");
        }
        return;
    }
    m_colour = packedToPixel(GuiColor::toSystemColour(value));
}

void BitmapGraphics::setRGB(std::uint32_t colour)
{
    if (clipEmpty()) {
        return;
    }
    if ((colour & 0xFFFFFF) == 0) {
        setColor(GuiColor::BLACK);
        return;
    }
    m_colour = packedToPixel(colour);
}

void BitmapGraphics::plot(int x, int y)
{
    if (m_clip.contains(x, y)) {
        m_pixels[(y - m_paint.y) * m_paint.width + (x - m_paint.x)] = m_colour;
    }
}

void BitmapGraphics::blend(int x, int y, std::uint8_t coverage)
{
    if (coverage == 0 || !m_clip.contains(x, y)) {
        return;
    }
    std::uint32_t& pixel = m_pixels[(y - m_paint.y) * m_paint.width + (x - m_paint.x)];
    pixel = kAlpha | mixChannel(m_colour, pixel, coverage, 16) |
            mixChannel(m_colour, pixel, coverage, 8) | mixChannel(m_colour, pixel, coverage, 0);
}

void BitmapGraphics::fillClipped(Rect r)
{
    r = r.intersection(m_clip);
    if (r.isEmpty()) {
        return;
    }
    for (int y = r.y; y <= r.top(); ++y) {
        std::uint32_t* row = m_pixels + (y - m_paint.y) * m_paint.width + (r.x - m_paint.x);
        std::fill(row, row + r.width, m_colour);
    }
}

void BitmapGraphics::drawPoint(int x, int y)
{
    fillRect(Rect{x, y, 1, 1});
}

void BitmapGraphics::fillRect(const Rect& r)
{
    if (clipEmpty() || m_pixels == nullptr) {
        return;
    }
    fillClipped(r);
}

void BitmapGraphics::drawLine(int x1, int y1, int x2, int y2)
{
    if (clipEmpty() || m_pixels == nullptr) {
        return;
    }
    if (y1 == y2) {
        fillClipped(Rect{std::min(x1, x2), y1, std::abs(x2 - x1) + 1, 1});
    } else if (x1 == x2) {
        fillClipped(Rect{x1, std::min(y1, y2), 1, std::abs(y2 - y1) + 1});
    } else {
        drawDiagonal(x1, y1, x2, y2);
    }
}

// Bresenham from the first point to the second, both included.
void BitmapGraphics::drawDiagonal(int x1, int y1, int x2, int y2)
{
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int stepX = x1 < x2 ? 1 : -1;
    const int stepY = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        plot(x1, y1);
        if (x1 == x2 && y1 == y2) {
            return;
        }
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x1 += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y1 += stepY;
        }
    }
}

void BitmapGraphics::drawChar(char c, const Font& font, int x, int y)
{
    const char text[2] = {c, '\0'};
    drawText(text, font, x, y);
}

void BitmapGraphics::drawText(const char* text, const Font& font, int x, int y)
{
    if (text == nullptr || clipEmpty() || m_pixels == nullptr) {
        return;
    }
    const Rect& clip = clipRect();
    if (x >= clip.x + clip.width || y + font.ascent() <= clip.y ||
        y - font.descent() >= clip.y + clip.height) {
        return;
    }
    const int start = x;
    for (; *text != '\0'; ++text) {
        drawGlyph(font, *text, x, y);
        x += font.charWidth(*text);
    }
    if ((font.key().style & Font::Underline) != 0 && x > start) {
        const int first = y + 1 - font.underlineOffset();
        fillClipped(Rect{start, first - font.underlineThickness() + 1, x - start,
                         font.underlineThickness()});
    }
}

// Row r of the glyph (top first) lands on row y + top - r: its rows above the baseline go to
// rows y + 1 and up, the baseline row y is the first row below the baseline.
void BitmapGraphics::drawGlyph(const Font& font, char c, int x, int y)
{
    const plat::GlyphBitmap* glyph = font.glyph(c);
    if (glyph == nullptr) {
        return;
    }
    for (int row = 0; row < glyph->height; ++row) {
        const std::uint8_t* coverage = glyph->coverage.data() + row * glyph->width;
        for (int column = 0; column < glyph->width; ++column) {
            blend(x + glyph->left + column, y + glyph->top - row, coverage[column]);
        }
    }
}

void BitmapGraphics::drawImage(const Image& image, int x, int y)
{
    if (clipEmpty() || m_pixels == nullptr || image.isEmpty()) {
        return;
    }
    const Rect target = Rect{x, y, image.width(), image.height()}.intersection(m_clip);
    if (target.isEmpty()) {
        return;
    }
    const bool masked = image.components() == 4;
    for (int row = target.y; row <= target.top(); ++row) {
        const std::uint32_t* source = image.pixelAt(target.x - x, row - y);
        std::uint32_t* destination =
            m_pixels + (row - m_paint.y) * m_paint.width + (target.x - m_paint.x);
        for (int i = 0; i < target.width; ++i) {
            if (!masked || source[i] >> 24 >= 128) {
                destination[i] = source[i] | kAlpha;
            }
        }
    }
}

void BitmapGraphics::drawFocusRect(const Rect& r)
{
    if (clipEmpty() || m_pixels == nullptr || r.isEmpty()) {
        return;
    }
    std::vector<std::pair<int, int>> outline;
    const int right = r.right();
    const int top = r.top();
    for (int x = r.x; x <= right; ++x) {
        outline.emplace_back(x, r.y);
    }
    for (int y = r.y + 1; y <= top; ++y) {
        outline.emplace_back(right, y);
    }
    for (int x = right - 1; x >= r.x && top > r.y; --x) {
        outline.emplace_back(x, top);
    }
    for (int y = top - 1; y > r.y && right > r.x; --y) {
        outline.emplace_back(r.x, y);
    }
    for (std::size_t i = 0; i < outline.size(); i += 2) {
        plot(outline[i].first, outline[i].second);
    }
}

}
