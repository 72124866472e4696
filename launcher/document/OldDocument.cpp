#include "launcher/document/OldDocument.h"

#include "gui/paint/Graphics.h"
#include "gui/toolkit/Cursor.h"
#include "gui/toolkit/Event.h"
#include "launcher/document/CodePage.h"
#include "launcher/document/LinkOpener.h"
#include "launcher/document/ParagraphInternals.h"

#include <algorithm>
#include <limits>

namespace old_document
{

namespace
{

constexpr int pointingHand = 2;

}

OldDocument::OldDocument() : m_codePage(&CodePage::windows1252())
{
}

OldDocument::~OldDocument() = default;

void OldDocument::setBounds(int x, int y, int width, int height)
{
    m_wrapWidth = width;
    Component::setBounds(x, y, width, height);
}

void OldDocument::getPreferredSize(int& width, int& height)
{
    if (m_wrapWidth < 1) {
        width = 25;
        height = 1;
        return;
    }
    std::int64_t total = 0;
    for (const heron::counted_ptr<Paragraph>& paragraph : m_paragraphs) {
        total += paragraph->height(m_wrapWidth, emptyParagraphHeight);
    }
    width = m_wrapWidth;
    height = static_cast<int>(std::min<std::int64_t>(total, std::numeric_limits<int>::max()));
}

// Text that does not fit stays inside the bounds, off the neighbours below.
void OldDocument::draw(kestrel::Graphics& graphics)
{
    const kestrel::ScopedClip clip(graphics, bounds);
    const kestrel::Rect visible = graphics.clipRect();
    ParagraphInternals::CharRenderer renderer(graphics, m_textColour, m_linkColour);
    forEachParagraph([&](Paragraph& paragraph, const kestrel::Rect& area) {
        if (area.intersects(visible)) {
            paragraph.internals().walk(area, renderer);
        }
        return area.y > visible.y;
    });
}

void OldDocument::handleMouse(kestrel::Event& event)
{
    if (event.type != kestrel::Event::MouseMove && event.type != kestrel::Event::LeftPress) {
        return;
    }
    const PlacedChar* const hit = charAt(event.x, event.y);
    if (hit && hit->link) {
        if (event.type == kestrel::Event::LeftPress) {
            openLink(*hit->link);
        } else {
            setCursor(kestrel::Cursor::standard(pointingHand));
        }
        return;
    }
    setCursor(heron::counted_ptr<kestrel::Cursor>());
}

void OldDocument::clear()
{
    m_paragraphs.clear();
}

void OldDocument::addParagraph(const heron::counted_ptr<Paragraph>& paragraph)
{
    m_paragraphs.push_back(paragraph);
}

const std::string* OldDocument::internLink(std::string_view target)
{
    auto found = m_links.find(target);
    if (found == m_links.end()) {
        found = m_links.emplace(target).first;
    }
    return &*found;
}

void OldDocument::forEachParagraph(const std::function<bool(Paragraph&, const kestrel::Rect&)>& visit)
{
    std::int64_t top = std::int64_t{bounds.y} + bounds.height;
    for (const heron::counted_ptr<Paragraph>& paragraph : m_paragraphs) {
        const int height = paragraph->height(bounds.width, emptyParagraphHeight);
        top -= height;
        if (top < std::numeric_limits<int>::min()) {
            return;
        }
        if (!visit(*paragraph, kestrel::Rect{bounds.x, static_cast<int>(top), bounds.width, height})) {
            return;
        }
    }
}

const PlacedChar* OldDocument::charAt(int x, int y)
{
    const PlacedChar* hit = nullptr;
    forEachParagraph([&](Paragraph& paragraph, const kestrel::Rect& area) {
        if (!area.contains(x, y)) {
            return true;
        }
        ParagraphInternals::CharFinder finder(x, y);
        paragraph.internals().walk(area, finder);
        hit = finder.hit();
        return false;
    });
    return hit;
}

}
