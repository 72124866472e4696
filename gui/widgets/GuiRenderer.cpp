#include "gui/widgets/GuiRenderer.h"

#include "gui/paint/Font.h"
#include "gui/paint/Graphics.h"
#include "gui/paint/Image.h"
#include "gui/toolkit/Component.h"
#include "gui/toolkit/ToolkitServices.h"
#include "gui/widgets/GuiRendererInternals.h"
#include "gui/widgets/MenuItem.h"
#include "gui/widgets/ThemedRenderer.h"
#include "gui/widgets/TipWindow.h"

#include <algorithm>

namespace kestrel
{

namespace
{

using C = GuiColor;
namespace S = partState;

// The desktop's classic scroll bar arrow buttons are square, 16 pixels on a side.
constexpr int scrollArrowSize = 16;

const Font& fontOf(const Component& component)
{
    static const Font fallback(FontKey{FontKey::guiFace, 0, 0});
    return component.getFont() ? *component.getFont() : fallback;
}

bool isDisabled(int state)
{
    return (state & S::disabled) != 0;
}

bool isHot(int state)
{
    return (state & 0xFF) == S::hot;
}

int textWidthOf(Component& component)
{
    return component.getText().empty() ? 0 : component.textWidth();
}

bool hasVerticalArrow(int state)
{
    return (state & (S::arrowUp | S::arrowDown)) != 0;
}

// 0 up, 1 down, 2 left, 3 right; -1 without a direction.
int arrowDirection(int state)
{
    if (state & S::arrowUp) {
        return 0;
    }
    if (state & S::arrowDown) {
        return 1;
    }
    if (state & S::arrowLeft) {
        return 2;
    }
    if (state & S::arrowRight) {
        return 3;
    }
    return -1;
}

void buttonMetrics(PartMetrics& m, Component& component)
{
    const Font& font = fontOf(component);
    const Rect b = component.getBounds();
    const Image& image = component.getImage();
    const bool hasText = !component.getText().empty();
    const bool hasImage = !image.isEmpty();
    const int tw = textWidthOf(component);
    const int a = font.ascent();
    const int fh = font.height();
    const int em = font.charWidth('m');
    const int evenAscent = a & ~1;
    if (hasText && !hasImage) {
        m.preferredWidth = tw + 2 * em + 6;
        m.preferredHeight = fh + evenAscent + 6;
        m.labelX = b.x + em + 3;
        m.labelY = b.y + a / 2 + 3;
    } else if (hasImage && !hasText) {
        m.preferredWidth = image.width() + 6;
        m.preferredHeight = image.height() + 6;
        m.imageX = b.x + 3;
        m.imageY = b.y + 3;
    } else if (hasImage) {
        const int s = font.charWidth(' ') / 2;
        m.preferredWidth = tw + 2 * (s + em) + 6 + image.width();
        m.preferredHeight = std::max(fh + evenAscent, image.height() + 2 * s) + 6;
        m.imageX = b.x + 3 * s + 3;
        m.imageY = b.y + (m.preferredHeight - image.height()) / 2;
        m.labelX = m.imageX + em - s + image.width();
        m.labelY = b.y + (m.preferredHeight - fh) / 2;
    } else {
        m.preferredWidth = 6;
        m.preferredHeight = 6;
    }
}

void boxMetrics(PartMetrics& m, Component& component)
{
    const Font& font = fontOf(component);
    const Rect b = component.getBounds();
    const int tw = textWidthOf(component);
    const int space = font.charWidth(' ');
    const int box = font.ascent() + 4;
    m.preferredWidth = box + tw + (tw >= 1 ? 2 * space : 0);
    m.preferredHeight = box + 4;
    m.labelX = b.x + space + box;
    m.labelY = b.y + 3;
    m.imageX = b.x;
    m.imageY = b.y + 2;
    m.extra = box;
}

void menuItemMetrics(PartMetrics& m, int part, Component& component)
{
    const Font& font = fontOf(component);
    const Rect b = component.getBounds();
    const int tw = textWidthOf(component);
    m.preferredHeight = font.height() + 4 * font.descent();
    if (part == part::textMenuItem) {
        m.preferredWidth = tw + 2 * font.charWidth('m');
        m.labelX = b.x + font.charWidth('m');
        m.labelY = b.y + (m.preferredHeight - font.ascent()) / 2;
        return;
    }
    const Image& image = component.getImage();
    m.preferredWidth = tw + 42;
    m.imageX = b.x + 2 + (16 - image.width()) / 2;
    m.imageY = b.y + (m.preferredHeight - image.height()) / 2;
    m.labelX = b.x + 24;
    m.labelY = b.y + (m.preferredHeight - font.height()) / 2;
}

void scrollMetrics(PartMetrics& m, int part, int state)
{
    if (state == S::vertical) {
        state = S::arrowUp | S::arrowDown;
    }
    m.preferredWidth = scrollArrowSize;
    m.preferredHeight = scrollArrowSize;
    if (part == part::scrollArrow) {
        return;
    }
    (hasVerticalArrow(state) ? m.preferredHeight : m.preferredWidth) *= 3;
}

void groupBoxMetrics(PartMetrics& m, Component& component)
{
    const Font& font = fontOf(component);
    const Rect b = component.getBounds();
    const int avg = font.averageWidth();
    m.insetLeft = avg;
    m.insetRight = avg;
    m.insetTop = avg + font.height();
    m.insetBottom = avg;
    m.labelX = b.x + avg + 2;
    m.labelY = b.y + b.height - font.height();
    m.extra = font.height() / 2;
}

void paintTab(Graphics& g, int state, const Rect& r)
{
    const int x = r.x;
    const int y = r.y;
    const int w = r.width;
    const int h = r.height;
    if ((state & S::on) == 0) {
        const int p = (state & S::pressed) ? 1 : 0;
        const int top = y + h - p - 2;
        g.setColor(p ? C::BUTTON_SHADOW : C::BUTTON_HIGHLIGHT_DIMMED);
        g.moveTo(x + p, y);
        g.lineTo(x + p, top);
        g.lineTo(x + p + w - 3, top);
        g.setColor(p ? C::BUTTON_HIGHLIGHT_DIMMED : C::BUTTON_SHADOW);
        g.moveTo(x + p + w - 2, y);
        g.lineTo(x + p + w - 2, top - 1);
        return;
    }
    g.setColor(C::BUTTON_FACE);
    g.drawLine(x, y - 1, x + w - 1, y - 1);
    g.setColor(C::BUTTON_HIGHLIGHT_DIMMED);
    g.moveTo(x, y - 1);
    g.lineTo(x, y + h - 1);
    g.lineTo(x + w - 1, y + h - 1);
    g.setColor(C::LIGHT_3D);
    g.moveTo(x + 1, y);
    g.lineTo(x + 1, y + h - 2);
    g.lineTo(x + w - 2, y + h - 2);
    g.setColor(C::DARK_SHADOW_3D_LIFTED);
    g.drawLine(x + w - 1, y, x + w - 1, y + h - 2);
    g.setColor(C::BUTTON_SHADOW);
    g.drawLine(x + w - 2, y, x + w - 2, y + h - 3);
    g.setColor(C::BUTTON_HIGHLIGHT_DIMMED);
    g.drawLine(x + w - 2, y - 1, x + w, y - 1);
}

void paintSliderTrack(Graphics& g, int state, const Rect& r)
{
    const bool vertical = (state & S::vertical) != 0;
    const int thumbWidth = vertical ? 20 : 10;
    const int thumbHeight = vertical ? 10 : 20;
    const Rect track = vertical ? Rect{r.x + r.width / 2 - 1, r.y + thumbHeight / 2, 4, r.height - thumbHeight}
                                : Rect{r.x + thumbWidth / 2, r.y + r.height / 2 - 1, r.width - thumbWidth, 4};
    g.draw3DRect(track, Graphics::EdgeDepth::Deep);
    if (state & S::on) {
        g.setColor(C::DARK_SHADOW_3D_LIFTED);
        g.drawFocusRect(r);
    }
}

// How a bevelled face looks while pressed.
enum class PressedFace
{
    Sunken,
    Raised,
};

// A raised face that is drawn as an outline when disabled (scroll arrows, thumbs).
void paintBevelledFace(Graphics& g, int state, const Rect& r, PressedFace pressed)
{
    g.setColor(C::BUTTON_FACE);
    g.fillRect(r);
    if (isDisabled(state)) {
        g.setColor(C::GREY_TEXT);
        g.drawRect(r);
    } else if (pressed == PressedFace::Sunken && (state & S::pressed)) {
        g.draw3DRect(r, Graphics::EdgeDepth::Deep);
    } else {
        g.drawRaisedBevel(r);
    }
}

void fill(Graphics& g, GuiColor colour, const Rect& r)
{
    g.setColor(colour);
    g.fillRect(r);
}

Rect shrunk(const Rect& r, int by)
{
    return Rect{r.x + by, r.y + by, r.width - 2 * by, r.height - 2 * by};
}

// The text at the label position, with the mnemonic's first occurrence underlined.
void drawLabelText(Graphics& g, Component& component, int x, int y)
{
    const Font& font = fontOf(component);
    const heron_string& text = component.getText();
    g.drawText(text, font, x, y);
    const char mnemonic = component.mnemonic();
    if (mnemonic == 0) {
        return;
    }
    int underlineX = x;
    for (std::size_t i = 0; i < text.length(); ++i) {
        if (text[i] == mnemonic) {
            const int lineY = y - (font.descent() + 1) / 2;
            g.drawLine(underlineX, lineY, underlineX + font.charWidth(mnemonic) - 1, lineY);
            return;
        }
        underlineX += font.charWidth(text[i]);
    }
}

}

GuiRenderer::GuiRenderer()
    : m_internals(std::make_unique<GuiRendererInternals>())
{
}

GuiRenderer::~GuiRenderer() = default;

GuiRenderer& GuiRenderer::current()
{
    ThemedRenderer& themed = ThemedRenderer::instance();
    if (themed.isAvailable()) {
        return themed;
    }
    static GuiRenderer classic;
    return classic;
}

void GuiRenderer::getPartMetrics(PartMetrics& m, int part, int state, Component& component)
{
    m = PartMetrics();
    switch (part) {
    case part::pushButton:
    case part::toolButton:
        buttonMetrics(m, component);
        return;
    case part::tab:
        buttonMetrics(m, component);
        if ((state & S::on) == 0) {
            m.preferredHeight -= 3;
        }
        return;
    case part::checkBox:
    case part::radioButton:
        boxMetrics(m, component);
        return;
    case part::textMenuItem:
    case part::imageMenuItem:
        menuItemMetrics(m, part, component);
        return;
    case part::scrollTrack:
    case part::scrollArrow:
    case part::scrollThumb:
        scrollMetrics(m, part, state);
        return;
    case part::raisedPanel:
        m.insetLeft = m.insetRight = m.insetTop = m.insetBottom = 2;
        return;
    case part::sliderThumb:
        if (state & (S::horizontal | S::vertical)) {
            m.preferredWidth = (state & S::horizontal) ? 10 : 20;
            m.preferredHeight = (state & S::horizontal) ? 20 : 10;
        }
        return;
    case part::groupBox:
        groupBoxMetrics(m, component);
        return;
    default:
        return;
    }
}

void GuiRenderer::paintPart(Graphics& g, int part, int state, const Rect& r)
{
    switch (part) {
    case part::pushButton:
        fill(g, C::BUTTON_FACE, r);
        if (state == S::pressed) {
            g.draw3DRect(r, Graphics::EdgeDepth::Deep);
        } else {
            g.drawEtchedRect(r, Graphics::EdgeDepth::Shallow);
            g.drawRaisedEdge(shrunk(r, 2));
        }
        if (state & S::on) {
            drawFocus(g, shrunk(r, 4));
        }
        return;
    case part::textField:
    case part::sunkenField:
        g.drawSunkenBevel(r, isDisabled(state) ? C::BUTTON_FACE : C::WINDOW);
        return;
    case part::plainFace:
        fill(g, C::BUTTON_FACE, r);
        return;
    case part::toolButton:
        fill(g, C::BUTTON_FACE, r);
        if (state == S::hot) {
            g.drawRaisedEdge(r);
        } else if (state == S::pressed) {
            g.draw3DRect(r, Graphics::EdgeDepth::Deep);
        }
        return;
    case part::textMenuItem:
        fill(g, isHot(state) && !isDisabled(state) ? C::HIGHLIGHT : C::BUTTON_FACE, r);
        return;
    case part::imageMenuItem:
        if (isHot(state) && !isDisabled(state)) {
            fill(g, C::HIGHLIGHT, r);
        }
        return;
    case part::menuBackground:
    case part::raisedPanel:
        fill(g, C::BUTTON_FACE, r);
        g.drawRaisedEdge(r);
        return;
    case part::scrollTrack:
        fill(g, C::BUTTON_SHADOW, r);
        return;
    case part::scrollArrow:
        paintBevelledFace(g, state, r, PressedFace::Sunken);
        if (isDisabled(state)) {
            g.drawImageDisabledCentered(arrowImage(state), r);
        } else {
            g.drawImageCentered(arrowImage(state), r);
        }
        return;
    case part::scrollThumb:
        paintBevelledFace(g, state, r, PressedFace::Raised);
        return;
    case part::dropDownButton:
        fill(g, C::BUTTON_FACE, r);
        g.drawRaisedBevel(r);
        g.drawImageCentered(arrowImage(S::arrowDown), r);
        return;
    case part::tab:
        paintTab(g, state, r);
        return;
    case part::sliderTrack:
        paintSliderTrack(g, state, r);
        return;
    default:
        return;
    }
}

void GuiRenderer::paintComponent(Graphics& g, int part, int state, Component& component)
{
    PartMetrics metrics;
    getPartMetrics(metrics, part, state, component);
    paintContent(g, part, state, component, metrics);
}

void GuiRenderer::paintContent(Graphics& g, int part, int state, Component& component, const PartMetrics& metrics)
{
    switch (part) {
    case part::checkBox:
        paintCheckBox(g, state, component, metrics);
        return;
    case part::radioButton:
        paintRadioButton(g, state, component, metrics);
        return;
    case part::textMenuItem:
        paintEtchedLabel(g, metrics, component, isHot(state) ? C::HIGHLIGHTED_TEXT : C::MENU_TEXT);
        return;
    case part::imageMenuItem:
        paintEtchedLabel(g, metrics, component, isHot(state) ? C::HIGHLIGHTED_TEXT : C::MENU_TEXT);
        paintImageOf(g, component, metrics);
        paintSubmenuArrow(g, component, metrics);
        return;
    case part::sliderThumb:
        paintBevelledFace(g, component.isEnabled() ? 0 : S::disabled, component.getBounds(), PressedFace::Raised);
        return;
    case part::groupBox:
        paintGroupBox(g, component, metrics);
        return;
    default:
        paintImageOf(g, component, metrics);
        paintEtchedLabel(g, metrics, component, C::BUTTON_TEXT);
        return;
    }
}

void GuiRenderer::drawFocus(Graphics& g, const Rect& r)
{
    g.drawFocusRect(r);
}

void GuiRenderer::paintImageOf(Graphics& g, Component& component, const PartMetrics& metrics)
{
    if (metrics.imageX == -1 && metrics.imageY == -1) {
        return;     // the part places no image
    }
    if (component.isEnabled()) {
        g.drawImage(component.getImage(), metrics.imageX, metrics.imageY);
    } else {
        g.drawImageDisabled(component.getImage(), metrics.imageX, metrics.imageY);
    }
}

void GuiRenderer::paintSubmenuArrow(Graphics& g, Component& component, const PartMetrics& metrics)
{
    const auto* item = dynamic_cast<const MenuItem*>(&component);
    if (!item || !item->getSubmenu()) {
        return;
    }
    // Against the item's right edge, so the arrows of a menu line up whatever their labels.
    const Image& arrow = arrowImage(S::arrowRight);
    const Rect b = component.getBounds();
    g.drawImage(arrow, b.x + b.width - arrow.height() - 2, b.y + (metrics.preferredHeight - arrow.height()) / 2);
}

void GuiRenderer::paintLabel(Graphics& g, const PartMetrics& metrics, Component& component, GuiColor colour)
{
    if (component.getText().empty()) {
        return;
    }
    g.setColor(component.isEnabled() ? colour : GuiColor(C::GREY_TEXT));
    drawLabelText(g, component, metrics.labelX, metrics.labelY);
}

void GuiRenderer::paintEtchedLabel(Graphics& g, const PartMetrics& metrics, Component& component, GuiColor colour)
{
    if (component.getText().empty() || (metrics.labelX == -1 && metrics.labelY == -1)) {
        return;
    }
    if (!component.isEnabled()) {
        g.setColor(C::BUTTON_HIGHLIGHT_DIMMED);
        drawLabelText(g, component, metrics.labelX + 1, metrics.labelY - 1);
    }
    paintLabel(g, metrics, component, colour);
}

void GuiRenderer::paintCheckBox(Graphics& g, int state, Component& component, const PartMetrics& metrics)
{
    const int b = metrics.extra;
    const Rect box{metrics.imageX, metrics.imageY, b, b};
    const bool pressed = state == S::pressed;
    g.drawSunkenBevel(box, pressed || !component.isEnabled() ? C::BUTTON_FACE : C::WINDOW);
    if (state & S::on) {
        g.setColor(component.isEnabled() ? C::BLACK : C::GREY_TEXT);
        // A tick: a short stroke down to the third column of three, then a long one up.
        const int third = (b - 4) / 3;
        const int y0 = box.y + 2;
        int k = third;
        for (int i = 1; i < b - 5; ++i) {
            const int x = box.x + 2 + i;
            g.drawLine(x, y0 + k, x, y0 + k + third - 1);
            k += i < third ? -1 : 1;
        }
    }
    paintEtchedLabel(g, metrics, component, C::BUTTON_TEXT);
}

void GuiRenderer::paintRadioButton(Graphics& g, int state, Component& component, const PartMetrics& metrics)
{
    const bool on = (state & S::on) != 0;
    int index = on ? 1 : 0;
    if (!component.isEnabled()) {
        index += 4;
    } else if (state & S::pressed) {
        index += 2;
    }
    g.drawImage(radioImage(metrics.extra, index), metrics.imageX, metrics.imageY);
    paintEtchedLabel(g, metrics, component, C::BUTTON_TEXT);
}

void GuiRenderer::paintGroupBox(Graphics& g, Component& component, const PartMetrics& metrics)
{
    const Rect b = component.getBounds();
    const Rect frame{b.x, b.y, b.width, b.height - metrics.extra};
    // The frame is drawn around the title: below it, left of it and right of it.
    const int t = metrics.labelY - fontOf(component).descent();
    const int e = metrics.labelX + textWidthOf(component) + 2;
    const Rect pieces[] = {{b.x, b.y, b.width, t - b.y},
                           {b.x, t, metrics.labelX - 2 - b.x, b.y + b.height - t},
                           {e, t, b.x + b.width - e, b.y + b.height - t}};
    for (const Rect& piece : pieces) {
        ScopedClip clip(g, piece);
        g.drawEtchedRect(frame, Graphics::EdgeDepth::Shallow);
    }
    paintEtchedLabel(g, metrics, component, C::BUTTON_TEXT);
}

const Image& GuiRenderer::arrowImage(int state)
{
    static const Image none;
    const int direction = arrowDirection(state);
    return direction < 0 ? none : m_internals->arrow(direction);
}

const Image& GuiRenderer::radioImage(int diameter, int index)
{
    return m_internals->radio(diameter, index);
}

void useGuiRenderer()
{
    useTooltips();
    ToolkitServices& services = toolkitServices();
    services.partPreferredSize = [](Component& component, int part, int state, int& width, int& height) {
        PartMetrics metrics;
        GuiRenderer::current().getPartMetrics(metrics, part, state, component);
        width = metrics.preferredWidth;
        height = metrics.preferredHeight;
    };
    services.paintPart = [](Graphics& graphics, Component& component, int part, int state) {
        GuiRenderer& renderer = GuiRenderer::current();
        renderer.paintPart(graphics, part, state, component.getBounds());
        renderer.paintComponent(graphics, part, state, component);
    };
}

}
