#include "gui/paint/BitmapGraphics.h"

#include "base/Debug.h"
#include "gui/paint/Font.h"
#include "platform/FontFace.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <utility>

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

// The steps k in [0, count) that keep from + k * step (step -1, 0 or 1) within [low, high], as a
// half-open range (empty when low > high).
std::pair<std::int64_t, std::int64_t> stepsInside(std::int64_t from, int step, std::int64_t count, std::int64_t low,
                                                  std::int64_t high)
{
    if (step == 0) {
        return {0, from >= low && from <= high ? count : 0};
    }
    const std::int64_t first = step > 0 ? low - from : from - high;
    const std::int64_t last = step > 0 ? high - from : from - low;
    const std::int64_t begin = std::max<std::int64_t>(0, first);
    return {begin, std::max(begin, std::min(count, last + 1))};
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
    if (isClipEmpty()) {
        return;
    }
    if (r == Rect{}) {
        heron::debug("iuhsdih");
    }
    m_clip = r.intersection(m_paint);
}

void BitmapGraphics::setColor(GuiColor::gui_color colour)
{
    if (isClipEmpty()) {
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
    if (isClipEmpty()) {
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

void BitmapGraphics::blend(std::int64_t x, std::int64_t y, std::uint8_t coverage)
{
    if (coverage == 0 || x < m_clip.x || y < m_clip.y || x > m_clip.right() || y > m_clip.top()) {
        return;
    }
    std::uint32_t& pixel = m_pixels[(y - m_paint.y) * m_paint.width + (x - m_paint.x)];
    pixel = kAlpha | mixChannel(m_colour, pixel, coverage, 16) |
            mixChannel(m_colour, pixel, coverage, 8) | mixChannel(m_colour, pixel, coverage, 0);
}

void BitmapGraphics::fillClipped(const Rect& r)
{
    fillSpan(r.x, r.y, static_cast<std::int64_t>(r.x) + r.width - 1, static_cast<std::int64_t>(r.y) + r.height - 1);
}

void BitmapGraphics::fillSpan(std::int64_t left, std::int64_t bottom, std::int64_t right, std::int64_t top)
{
    left = std::max<std::int64_t>(left, m_clip.x);
    bottom = std::max<std::int64_t>(bottom, m_clip.y);
    right = std::min<std::int64_t>(right, m_clip.right());
    top = std::min<std::int64_t>(top, m_clip.top());
    if (m_clip.isEmpty() || left > right || bottom > top) {
        return;
    }
    for (std::int64_t y = bottom; y <= top; ++y) {
        std::uint32_t* row = m_pixels + (y - m_paint.y) * m_paint.width + (left - m_paint.x);
        std::fill(row, row + (right - left + 1), m_colour);
    }
}

void BitmapGraphics::drawPoint(int x, int y)
{
    fillRect(Rect{x, y, 1, 1});
}

void BitmapGraphics::fillRect(const Rect& r)
{
    if (isClipEmpty() || m_pixels == nullptr) {
        return;
    }
    fillClipped(r);
}

void BitmapGraphics::drawLine(int x1, int y1, int x2, int y2)
{
    if (isClipEmpty() || m_pixels == nullptr) {
        return;
    }
    if (y1 == y2) {
        fillSpan(std::min(x1, x2), y1, std::max(x1, x2), y1);
    } else if (x1 == x2) {
        fillSpan(x1, std::min(y1, y2), x1, std::max(y1, y2));
    } else {
        drawDiagonal(x1, y1, x2, y2);
    }
}

// Bresenham from the first point to the second, both included, in closed form: every step moves
// one pixel along the major axis, and after k steps the minor axis has moved
// floor((2 x minor x k + major) / (2 x major)) pixels, halves rounding away from the first point.
// Only the steps whose major coordinate lies in the clip are visited.
void BitmapGraphics::drawDiagonal(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2)
{
    const std::int64_t spanX = std::abs(x2 - x1);
    const std::int64_t spanY = std::abs(y2 - y1);
    const int stepX = x1 < x2 ? 1 : -1;
    const int stepY = y1 < y2 ? 1 : -1;
    const bool alongX = spanX >= spanY;
    const std::int64_t major = alongX ? spanX : spanY;
    const std::int64_t minor = alongX ? spanY : spanX;
    const auto [from, to] = alongX ? stepsInside(x1, stepX, major + 1, m_clip.x, m_clip.right())
                                   : stepsInside(y1, stepY, major + 1, m_clip.y, m_clip.top());
    for (std::int64_t k = from; k < to; ++k) {
        const auto moved = static_cast<std::int64_t>((static_cast<__int128>(2) * minor * k + major) / (2 * major));
        const std::int64_t x = alongX ? x1 + k * stepX : x1 + moved * stepX;
        const std::int64_t y = alongX ? y1 + moved * stepY : y1 + k * stepY;
        plot(static_cast<int>(x), static_cast<int>(y));
    }
}

void BitmapGraphics::drawChar(char c, const Font& font, int x, int y)
{
    const char text[2] = {c, '\0'};
    drawText(text, font, x, y);
}

void BitmapGraphics::drawCodePoint(char32_t code, const Font& font, int x, int y)
{
    if (!textMayShow(font, x, y)) {
        return;
    }
    drawGlyph(font.codePointGlyph(code), x, y);
    underline(font, x, std::int64_t{x} + font.codePointWidth(code), y);
}

void BitmapGraphics::drawText(const char* text, const Font& font, int x, int y)
{
    if (text == nullptr || !textMayShow(font, x, y)) {
        return;
    }
    std::int64_t pen = x;
    for (; *text != '\0'; ++text) {
        drawGlyph(font.glyph(*text), pen, y);
        pen += font.charWidth(*text);
    }
    underline(font, x, pen, y);
}

bool BitmapGraphics::textMayShow(const Font& font, int x, int y) const
{
    if (isClipEmpty() || m_pixels == nullptr) {
        return false;
    }
    const Rect& clip = clipRect();
    return x < static_cast<std::int64_t>(clip.x) + clip.width && static_cast<std::int64_t>(y) + font.ascent() > clip.y &&
           static_cast<std::int64_t>(y) - font.descent() < static_cast<std::int64_t>(clip.y) + clip.height;
}

void BitmapGraphics::underline(const Font& font, std::int64_t x, std::int64_t end, int y)
{
    if ((font.key().style & Font::Underline) != 0 && end > x) {
        const std::int64_t first = static_cast<std::int64_t>(y) + 1 - font.underlineOffset();
        fillSpan(x, first - font.underlineThickness() + 1, end - 1, first);
    }
}

// Row r of the glyph (top first) lands on row y + top - r: its rows above the baseline go to
// rows y + 1 and up, the baseline row y is the first row below the baseline.
void BitmapGraphics::drawGlyph(const plat::GlyphBitmap* glyph, std::int64_t x, std::int64_t y)
{
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
    if (isClipEmpty() || m_pixels == nullptr || image.isEmpty()) {
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

// The outline is one path of 2 x (width + height) - 4 pixels: the bottom row left to right, the
// right column up, the top row right to left, the left column down. Pixels at even places along
// it are drawn. Each edge is walked only where it meets the clip.
void BitmapGraphics::drawFocusRect(const Rect& r)
{
    if (isClipEmpty() || m_pixels == nullptr || r.isEmpty()) {
        return;
    }
    const std::int64_t w = r.width;
    const std::int64_t h = r.height;
    const std::int64_t right = r.x + w - 1;
    const std::int64_t top = r.y + h - 1;
    dots(r.x, r.y, 1, 0, w, 0);
    dots(right, r.y + 1, 0, 1, h - 1, w);
    if (h > 1) {
        dots(right - 1, top, -1, 0, w - 1, w + h - 1);
    }
    if (w > 1) {
        dots(r.x, top - 1, 0, -1, h - 2, 2 * w + h - 2);
    }
}

// Plots the pixels at even path places among count pixels from (x, y) in steps of (stepX,
// stepY), the first of them at path place first.
void BitmapGraphics::dots(std::int64_t x, std::int64_t y, int stepX, int stepY, std::int64_t count,
                          std::int64_t first)
{
    const auto [fromX, toX] = stepsInside(x, stepX, count, m_clip.x, m_clip.right());
    const auto [fromY, toY] = stepsInside(y, stepY, count, m_clip.y, m_clip.top());
    const std::int64_t to = std::min(toX, toY);
    for (std::int64_t k = std::max(fromX, fromY); k < to; ++k) {
        if ((first + k) % 2 == 0) {
            plot(static_cast<int>(x + k * stepX), static_cast<int>(y + k * stepY));
        }
    }
}

}
