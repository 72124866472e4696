#include "gui/widgets/html/HTMLPane.h"

#include "gui/paint/Graphics.h"
#include "gui/paint/ImageReader.h"
#include "gui/toolkit/Cursor.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/TipWindow.h"
#include "gui/widgets/html/DocumentChunk.h"
#include "gui/widgets/html/HTMLPaneInternals.h"

namespace kestrel
{

namespace
{

constexpr std::uint32_t rgbMask = 0xFFFFFF;

// The rectangle shrunk by the margin on every side.
Rect inside(const Rect& r)
{
    const int m = HTMLPaneInternals::margin;
    return Rect{r.x + m, r.y + m, r.width - 2 * m, r.height - 2 * m};
}

// A tooltip's document as wide as this when it asks no width of its own.
constexpr int defaultTooltipWidth = 200;

heron::counted_ptr<Component> makeTooltipDocument(const char* text)
{
    const heron::counted_ptr<HTMLPane> pane(new HTMLPane);
    pane->setText(text, getImageReader());
    const int hint = pane->widthHint();
    pane->setPageWidth(hint < 0 ? defaultTooltipWidth : hint);
    return pane;
}

}

void useHtmlTooltips()
{
    setTooltipDocumentMaker(&makeTooltipDocument);
}

HTMLPane::HTMLPane()
    : m_internals(std::make_unique<HTMLPaneInternals>())
{
}

HTMLPane::~HTMLPane() = default;

void HTMLPane::setText(const char* text, ImageReader* reader)
{
    m_internals->setText(text, reader);
}

void HTMLPane::setText(const char* text, bool)
{
    m_internals->setText(text, nullptr);
}

void HTMLPane::setBounds(int x, int y, int width, int height)
{
    setPageWidth(width);
    Component::setBounds(x, y, width, height);
}

void HTMLPane::getPreferredSize(int& width, int& height)
{
    width = pageWidth();
    height = pageHeight();
}

void HTMLPane::draw(Graphics& graphics)
{
    if (const std::uint32_t background = m_internals->backgroundColour()) {
        graphics.setRGB(background & rgbMask);
        graphics.fillRect(bounds);
    }
    m_internals->root().paint(graphics, *m_internals, inside(bounds));
}

void HTMLPane::handleMouse(Event& event)
{
    if (event.type != Event::LeftPress && event.type != Event::MouseMove) {
        return;
    }
    GlyphHit hit;
    m_internals->root().findGlyph(hit, inside(bounds), event.x, event.y);
    const bool onLink = hit.glyph && hit.link >= 0;
    if (event.type == Event::LeftPress) {
        if (onLink) {
            m_internals->setActiveLink(heron_string(m_internals->link(hit.link).c_str()));
            sendMessage(0);
            m_internals->setActiveLink(heron_string());
        }
        return;
    }
    if (onLink != m_overLink) {
        m_overLink = onLink;
        setCursor(Cursor::standard(onLink ? Cursor::pointingHand : Cursor::arrow));
    }
}

int HTMLPane::minimumWidth()
{
    DocumentChunkList& root = m_internals->root();
    if (root.minWidth() < 0) {
        root.computeWidths();
    }
    return root.minWidth() + 2 * HTMLPaneInternals::margin;
}

void HTMLPane::setPageWidth(int width)
{
    m_internals->setLayoutWidth(width);
}

int HTMLPane::pageWidth()
{
    return m_internals->layoutWidth();
}

int HTMLPane::pageHeight()
{
    return m_internals->root().height() + 2 * HTMLPaneInternals::margin;
}

int HTMLPane::widthHint() const
{
    return m_internals->widthHint();
}

const heron_string& HTMLPane::activeLink() const
{
    return m_internals->activeLink();
}

}
