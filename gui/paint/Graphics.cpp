#include "gui/paint/Graphics.h"

#include "base/heron_string.h"
#include "gui/paint/Font.h"
#include "gui/paint/Image.h"
#include "platform/Windows1252.h"

#include <cstdio>
#include <optional>

namespace kestrel
{

namespace
{

using C = GuiColor::gui_color;

constexpr std::uint32_t kAlpha = 0xFF000000;

std::uint32_t paletteToPixel(C colour)
{
    return packedToPixel(GuiColor::toSystemColour(colour));
}

bool isDark(std::uint32_t pixel)
{
    return (pixel & kAlpha) != 0 && (pixel & 0xFF) <= 0x80 && (pixel >> 8 & 0xFF) <= 0x80 &&
           (pixel >> 16 & 0xFF) <= 0x80;
}

void warn(const char* message)
{
    std::fputs(message, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}

std::uint32_t packedToPixel(std::uint32_t packed)
{
    return kAlpha | (packed & 0xFF) << 16 | (packed & 0xFF00) | (packed >> 16 & 0xFF);
}

Graphics::Graphics()
{
    m_clips.reserve(16);
}

Graphics::~Graphics() = default;

void Graphics::begin(Window* window, const Rect& area)
{
    m_childrenDrawn = 0;
    m_clipEmpty = area.isEmpty();
    m_clips.clear();
    m_clips.push_back(area);
    beginPaint(window);
    setClip(area);
}

void Graphics::beginPaint(Window*) {}

void Graphics::endPaint() {}

void Graphics::setColor(GuiColor::gui_color colour)
{
    setColor(GuiColor(colour));
}

void Graphics::setColor(const GuiColor& colour)
{
    setColor(colour.color());
}

const Rect& Graphics::clipRect() const
{
    static const Rect none;
    return m_clips.empty() ? none : m_clips.back();
}

bool Graphics::pushClip(const Rect& r)
{
    if (m_clips.size() >= maxClipDepth) {
        warn("kestrel::Graphics - Clip stack overflow!");
        return false;
    }
    const Rect top = clipRect();
    if (r == top) {
        m_clips.push_back(top);
        return true;
    }
    const Rect clip = r.intersection(top);
    m_clips.push_back(clip);
    m_clipEmpty = clip.isEmpty();
    if (!m_clipEmpty && clip != top) {
        setClip(clip);
    }
    return true;
}

void Graphics::popClip()
{
    if (m_clips.size() <= 1) {
        warn("kestrel::Graphics - Clip stack underflow!");
        return;
    }
    const Rect removed = m_clips.back();
    m_clips.pop_back();
    const Rect& top = m_clips.back();
    m_clipEmpty = top.isEmpty();
    if (!m_clipEmpty && top != removed) {
        setClip(top);
    }
}

void Graphics::moveTo(int x, int y)
{
    m_x = x;
    m_y = y;
}

void Graphics::lineTo(int x, int y)
{
    drawLine(m_x, m_y, x, y);
    moveTo(x, y);
}

void Graphics::drawRect(const Rect& r)
{
    moveTo(r.x, r.y);
    lineTo(r.right(), r.y);
    lineTo(r.right(), r.top());
    lineTo(r.x, r.top());
    lineTo(r.x, r.y);
}

void Graphics::drawTextCentered(const heron_string& text, const Font& font, const Rect& r)
{
    drawTextCentered(text.c_str(), font, r);
}

void Graphics::drawTextCentered(const char* text, const Font& font, const Rect& r)
{
    if (text == nullptr) {
        return;
    }
    const int x = r.width > 0 ? r.x + (r.width - font.textWidth(text)) / 2 : r.x;
    const int y = r.height > 0 ? r.y + (r.height - font.ascent()) / 2 : r.y;
    drawText(text, font, x, y);
}

void Graphics::drawCodePoint(char32_t code, const Font& font, int x, int y)
{
    if (const std::optional<unsigned char> byte = plat::windows1252ByteOf(code)) {
        drawChar(static_cast<char>(*byte), font, x, y);
    }
}

void Graphics::drawText(const heron_string& text, const Font& font, int x, int y)
{
    drawText(text.c_str(), font, x, y);
}

void Graphics::drawText(const char* text, const Font& font, int x, int y)
{
    if (text == nullptr) {
        return;
    }
    for (; *text != '\0'; ++text) {
        drawChar(*text, font, x, y);
        x += font.charWidth(*text);
    }
}

void Graphics::drawTextFitted(const char* text, const Font& font, int x, int y, int width,
                              FittedText placement)
{
    if (text == nullptr) {
        return;
    }
    const int textWidth = font.textWidth(text);
    if (placement == FittedText::Centred && textWidth < width) {
        drawText(text, font, x + (width - textWidth) / 2, y);
        return;
    }
    int running = x;
    for (; *text != '\0'; ++text) {
        const int advance = font.charWidth(*text);
        if (running + advance <= x + width) {
            drawChar(*text, font, running, y);
        }
        running += advance;
    }
}

void Graphics::lines(GuiColor::gui_color colour, std::initializer_list<std::pair<int, int>> points)
{
    setColor(colour);
    const auto* point = points.begin();
    moveTo(point->first, point->second);
    for (++point; point != points.end(); ++point) {
        lineTo(point->first, point->second);
    }
}

void Graphics::draw3DRect(const Rect& r, EdgeDepth depth)
{
    const bool deep = depth == EdgeDepth::Deep;
    const int right = r.right();
    const int top = r.top();
    lines(deep ? C::DARK_SHADOW_3D_LIFTED : C::BUTTON_SHADOW, {{r.x, r.y + 1}, {r.x, top}, {right, top}});
    lines(deep ? C::BUTTON_HIGHLIGHT_DIMMED : C::LIGHT_3D, {{r.x + 1, r.y}, {right, r.y}, {right, top}});
}

void Graphics::drawSunkenBevel(const Rect& r, GuiColor::gui_color fill)
{
    const int x = r.x;
    const int y = r.y;
    const int right = r.right();
    const int top = r.top();
    lines(C::BUTTON_SHADOW, {{x, y + 1}, {x, top}, {right, top}});
    lines(C::DARK_SHADOW_3D_LIFTED, {{x + 1, y + 2}, {x + 1, top - 1}, {right - 1, top - 1}});
    lines(C::BUTTON_HIGHLIGHT_DIMMED, {{x, y}, {right, y}, {right, top}});
    lines(C::LIGHT_3D, {{x + 1, y + 1}, {right - 1, y + 1}, {right - 1, top - 1}});
    if (fill != C::TRANSPARENT) {
        setColor(fill);
        fillRect(Rect{x + 2, y + 2, r.width - 4, r.height - 4});
    }
}

void Graphics::drawRaisedEdge(const Rect& r)
{
    const int right = r.right();
    const int top = r.top();
    lines(C::BUTTON_HIGHLIGHT_DIMMED, {{r.x, r.y + 1}, {r.x, top}, {right, top}});
    lines(C::DARK_SHADOW_3D_LIFTED, {{r.x + 1, r.y}, {right, r.y}, {right, top}});
}

void Graphics::drawRaisedBevel(const Rect& r)
{
    const int x = r.x;
    const int y = r.y;
    const int right = r.right();
    const int top = r.top();
    lines(C::BUTTON_HIGHLIGHT_DIMMED, {{x, y}, {x, top}, {right - 1, top}});
    lines(C::LIGHT_3D, {{x + 1, y + 1}, {x + 1, top - 1}, {right - 1, top - 1}});
    lines(C::DARK_SHADOW_3D_LIFTED, {{x + 1, y}, {right, y}, {right, top}});
    lines(C::BUTTON_SHADOW, {{x + 2, y + 1}, {right - 1, y + 1}, {right - 1, top - 1}});
}

void Graphics::drawEtchedRect(const Rect& r, EdgeDepth depth)
{
    const bool deep = depth == EdgeDepth::Deep;
    const int x = r.x;
    const int y = r.y;
    const int right = r.right();
    const int top = r.top();
    lines(deep ? C::DARK_SHADOW_3D_LIFTED : C::BUTTON_SHADOW,
          {{x, y + 1}, {x, top}, {right - 1, top}, {right - 1, y + 1}, {x, y + 1}});
    const C light = deep ? C::BUTTON_HIGHLIGHT_DIMMED : C::LIGHT_3D;
    lines(light, {{x, y}, {right, y}, {right, top}});
    moveTo(x + 1, y + 2);
    lineTo(x + 1, top - 1);
    lineTo(right - 2, top - 1);
}

void Graphics::drawEtchedHLine(int x, int y, int length)
{
    lines(C::BUTTON_HIGHLIGHT_DIMMED, {{x, y}, {x + length - 1, y}});
    lines(C::DARK_SHADOW_3D_LIFTED, {{x, y + 1}, {x + length - 1, y + 1}});
}

void Graphics::drawEtchedVLine(int x, int y, int length)
{
    lines(C::DARK_SHADOW_3D_LIFTED, {{x, y}, {x, y + length - 1}});
    lines(C::BUTTON_HIGHLIGHT_DIMMED, {{x + 1, y}, {x + 1, y + length - 1}});
}

std::pair<int, int> Graphics::centred(const Image& image, const Rect& r)
{
    return {r.width > 0 ? r.x + (r.width - image.width()) / 2 : r.x,
            r.height > 0 ? r.y + (r.height - image.height()) / 2 : r.y};
}

void Graphics::drawImageCentered(const Image& image, const Rect& r)
{
    if (image.isEmpty()) {
        return;
    }
    const auto [x, y] = centred(image, r);
    drawImage(image, x, y);
}

void Graphics::drawImageDisabledCentered(const Image& image, const Rect& r)
{
    if (image.isEmpty()) {
        return;
    }
    const auto [x, y] = centred(image, r);
    drawImageDisabled(image, x, y);
}

Image Graphics::makeDisabledImage(const Image& image)
{
    const int width = image.width();
    const int height = image.height();
    Image disabled(width, height, image.pixels());
    std::uint32_t* pixels = disabled.pixels();
    if (pixels == nullptr) {
        return disabled;
    }
    const std::uint32_t shadow = paletteToPixel(C::BUTTON_SHADOW);
    const std::uint32_t highlight = paletteToPixel(C::BUTTON_HIGHLIGHT);
    for (int i = 0; i < width * height; ++i) {
        pixels[i] = isDark(pixels[i]) ? shadow : 0;
    }
    for (int y = 1; y < height; ++y) {
        for (int x = 0; x + 1 < width; ++x) {
            std::uint32_t& below = pixels[(y - 1) * width + x + 1];
            if (pixels[y * width + x] == shadow && below != shadow) {
                below = highlight;
            }
        }
    }
    return disabled;
}

void Graphics::drawImageDisabled(const Image& image, int x, int y)
{
    if (image.isEmpty()) {
        return;
    }
    Image disabled = image.derivedImage();
    if (disabled.isEmpty()) {
        disabled = makeDisabledImage(image);
        Image(image).setDerivedImage(disabled);
    }
    drawImage(disabled, x, y);
}

// Points along the top edge and down the right edge alternate starting with a drawn one; then
// down the left edge and along the bottom edge, alternating starting with a skipped one.
void Graphics::drawFocusRect(const Rect& r)
{
    const int right = r.right();
    const int top = r.top();
    bool draw = true;
    const auto dot = [&](int x, int y) {
        if (draw) {
            drawPoint(x, y);
        }
        draw = !draw;
    };
    for (int x = r.x; x <= right; ++x) {
        dot(x, top);
    }
    for (int y = top; y >= r.y; --y) {
        dot(right, y);
    }
    draw = false;
    for (int y = top - 1; y >= r.y; --y) {
        dot(r.x, y);
    }
    for (int x = r.x; x <= right; ++x) {
        dot(x, r.y);
    }
}

}
