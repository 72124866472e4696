#include "gui/widgets/html/HTMLPaneInternals.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "gui/paint/ImageReader.h"
#include "gui/widgets/ColorRGBA.h"
#include "gui/widgets/html/DocumentChunk.h"
#include "gui/widgets/html/GlyphHolder.h"
#include "gui/widgets/html/HTMLGlyph.h"
#include "gui/widgets/html/HtmlTokenizer.h"
#include "gui/widgets/html/TableChunk.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace kestrel
{

namespace
{

constexpr int defaultCellSpace = 1;
constexpr int maxCellSpace = 64;
constexpr int maxSpan = 1024;
constexpr int maxWidthHint = 4096;
// An image inside a link gets this much more room on each side, for its outline.
constexpr int linkImageSpace = 2;

// The attribute's integer when it lies within the limits, else the default.
int integerAttribute(const HtmlToken& token, const char* name, int low, int high, int fallback)
{
    int value = 0;
    if (readHtmlInteger(token.attribute(name), value) && value >= low && value <= high) {
        return value;
    }
    return fallback;
}

// "#rrggbb" as an opaque packed colour; false (colour unchanged) without "#" and a number.
bool parseColourAttribute(const std::string& value, std::uint32_t& colour)
{
    if (value.empty() || value[0] != '#') {
        return false;
    }
    std::uint32_t number = 0;
    std::size_t digits = 0;
    for (std::size_t i = 1; i < value.size() && digits < 6 && std::isxdigit(static_cast<unsigned char>(value[i])); ++i) {
        const char c = value[i];
        number = number << 4 | static_cast<std::uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        ++digits;
    }
    if (digits == 0) {
        return false;
    }
    colour = packedFromRRGGBB(number);
    return true;
}

// A line break's "clear": "left" 1, "right" 2, "both" 3, else 0.
int clearMode(const HtmlToken& token)
{
    const std::string& clear = token.attribute("clear", HtmlToken::Case::Lower);
    return clear == "left" ? 1 : clear == "right" ? 2 : clear == "both" ? 3 : 0;
}

}

HTMLPaneInternals::HTMLPaneInternals()
    : m_root(new DocumentChunkList)
{
}

HTMLPaneInternals::~HTMLPaneInternals() = default;

void HTMLPaneInternals::clear()
{
    m_root.reset(new DocumentChunkList);
    m_openTables.clear();
    m_links.clear();
    m_linkStack.clear();
    m_paragraph.reset();
    m_paragraphAlignment = 0;
    m_inBody = true;
    m_style = HtmlStyle();
    m_images.clear();
}

void HTMLPaneInternals::setText(const char* text, ImageReader* reader)
{
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > heron::limits::maxHtmlTextLength) {
        heron::debug("HTMLPane: a text of %zu bytes is cut to %zu\n", length, heron::limits::maxHtmlTextLength);
        length = heron::limits::maxHtmlTextLength;
    }
    static DummyImageReader placeholder;
    m_reader = reader ? reader : &placeholder;
    clear();
    heron::MemoryDataSource source(text, static_cast<std::uint32_t>(length), true);
    parse(source);
    m_reader = nullptr;
    m_images.clear();
    m_layoutWidth = std::max(m_layoutWidth, minLayoutWidth);
    layout();
}

void HTMLPaneInternals::parse(heron::DataSource& source)
{
    HtmlTokenizer tokenizer(source);
    while (tokenizer.next()) {
        const HtmlToken& token = tokenizer.token();
        if (token.isTag) {
            handleTag(token);
        } else if (const int c = source.readByte(); c >= 0) {
            addGlyph(Character2::get(m_style.fontKey(), static_cast<unsigned char>(c)));
        }
    }
    closeParagraph();
    m_openTables.clear();
    if (m_root->minWidth() < 0) {
        m_root->computeWidths();
    }
}

// Outside the body (after a head tag) only the body tag counts; text is taken anywhere.
void HTMLPaneInternals::handleTag(const HtmlToken& token)
{
    const std::string& name = token.name;
    if (name == "head") {
        m_inBody = false;
        return;
    }
    if (name == "body") {
        handleBody(token);
        return;
    }
    if (!m_inBody) {
        return;
    }
    if (m_style.handleStyleTag(token)) {
        if (m_style.takeHeadingChanged()) {
            startParagraph(token);
        }
        return;
    }
    if (handleTableTag(token)) {
        return;
    }
    if (name == "p") {
        startParagraph(token);
    } else if (name == "br") {
        addGlyph(heron::counted_ptr<HTMLGlyph>(new LineBreakGlyph(clearMode(token))));
    } else if (name == "img") {
        addGlyph(makeImageGlyph(token));
    } else if (name == "a") {
        handleLink(token);
    } else if (name == "table") {
        handleTable(token);
    }
}

void HTMLPaneInternals::handleBody(const HtmlToken& token)
{
    m_inBody = !token.isEndTag;
    if (token.isEndTag) {
        return;
    }
    parseColourAttribute(token.attribute("bgcolor"), m_backgroundColour);
    m_widthHint = integerAttribute(token, "widthhint", 1, maxWidthHint, m_widthHint);
}

bool HTMLPaneInternals::handleTableTag(const HtmlToken& token)
{
    const std::string& name = token.name;
    if (m_openTables.empty() || token.isEndTag || (name != "th" && name != "td" && name != "tr")) {
        return false;
    }
    closeParagraph();
    m_paragraphAlignment = 0;
    OpenTable& open = m_openTables.back();
    const int alignment = parseAlign(token.attribute("align", HtmlToken::Case::Lower));
    if (name == "tr") {
        open.table->startRow(alignment);
        open.cell = nullptr;
    } else {
        const int columns = integerAttribute(token, "colspan", 1, maxSpan, 1);
        const int rows = integerAttribute(token, "rowspan", 1, maxSpan, 1);
        open.cell = open.table->addCell(name == "th", columns, rows, alignment);
    }
    m_style.setTableHeaderBold(name == "th");
    return true;
}

void HTMLPaneInternals::handleTable(const HtmlToken& token)
{
    m_style.setTableHeaderBold(false);
    closeParagraph();
    m_paragraphAlignment = 0;
    if (token.isEndTag) {
        if (!m_openTables.empty()) {
            m_openTables.pop_back();
        }
        return;
    }
    if (m_openTables.size() == heron::limits::maxHtmlTableDepth) {
        heron::debug("HTMLPane: tables nested deeper than %zu are left out\n", heron::limits::maxHtmlTableDepth);
        return;
    }
    const int padding = integerAttribute(token, "cellpadding", 0, maxCellSpace, defaultCellSpace);
    const int spacing = integerAttribute(token, "cellspacing", 0, maxCellSpace, defaultCellSpace);
    DocumentChunkList& parent = container();
    const heron::counted_ptr<TableChunk> table(new TableChunk(padding, spacing));
    parent.add(table);
    m_openTables.push_back(OpenTable{table, &parent, nullptr});
}

void HTMLPaneInternals::handleLink(const HtmlToken& token)
{
    if (token.isEndTag) {
        if (!m_linkStack.empty()) {
            m_linkStack.pop_back();
        }
    } else {
        m_linkStack.push_back(static_cast<int>(m_links.size()));
        m_links.push_back(token.attribute("href"));
    }
    m_style.setInLink(!m_linkStack.empty());
}

heron::counted_ptr<HTMLGlyph> HTMLPaneInternals::makeImageGlyph(const HtmlToken& token)
{
    const std::string& align = token.attribute("align", HtmlToken::Case::Lower);
    const ImageGlyph::Placement placement = align == "left"    ? ImageGlyph::Placement::FloatLeft
                                            : align == "right" ? ImageGlyph::Placement::FloatRight
                                                               : ImageGlyph::Placement::Inline;
    const int extra = m_linkStack.empty() ? 0 : linkImageSpace;
    const int hspace = std::max(integerAttribute(token, "hspace", INT_MIN, INT_MAX, 0), 0);
    const int vspace = std::max(integerAttribute(token, "vspace", INT_MIN, INT_MAX, 0), 0);
    return heron::counted_ptr<HTMLGlyph>(new ImageGlyph(readImage(token.attribute("src")), placement,
                                                        std::min(hspace, maxImageSpace) + extra,
                                                        std::min(vspace, maxImageSpace) + extra));
}

// Each name is read once per document; a picture too large is not shown.
Image HTMLPaneInternals::readImage(const std::string& name)
{
    const auto known = m_images.find(name);
    if (known != m_images.end()) {
        return known->second;
    }
    if (m_images.size() == heron::limits::maxHtmlImages) {
        heron::debug("HTMLPane: more than %zu images, \"%s\" is not read\n", heron::limits::maxHtmlImages,
                     name.c_str());
        return Image();
    }
    Image image;
    m_reader->readImage(heron_string(name.c_str()), image);
    if (image.width() > maxImageSide || image.height() > maxImageSide) {
        heron::debug("HTMLPane: image \"%s\" is %dx%d, larger than %d pixels a side: not shown\n", name.c_str(),
                     image.width(), image.height(), maxImageSide);
        image = Image();
    }
    m_images[name] = image;
    return image;
}

// A paragraph or heading takes the alignment its start tag gives; its end, like a table or a
// cell, ends the alignment: what follows takes its container's.
void HTMLPaneInternals::startParagraph(const HtmlToken& token)
{
    closeParagraph();
    m_paragraphAlignment = token.isEndTag ? 0 : parseAlign(token.attribute("align", HtmlToken::Case::Lower));
}

void HTMLPaneInternals::addGlyph(const heron::counted_ptr<HTMLGlyph>& glyph)
{
    if (!m_paragraph) {
        m_paragraph.reset(new GlyphHolder(m_paragraphAlignment));
    }
    m_paragraph->add(glyph, m_linkStack.empty() ? -1 : m_linkStack.back());
}

void HTMLPaneInternals::closeParagraph()
{
    if (m_paragraph) {
        container().add(m_paragraph);
        m_paragraph.reset();
    }
}

DocumentChunkList& HTMLPaneInternals::container()
{
    if (m_openTables.empty()) {
        return *m_root;
    }
    const OpenTable& open = m_openTables.back();
    return open.cell ? *open.cell : *open.parent;
}

void HTMLPaneInternals::setLayoutWidth(int width)
{
    width = std::max(width, minLayoutWidth);
    if (width != m_layoutWidth) {
        m_layoutWidth = width;
        layout();
    }
}

void HTMLPaneInternals::layout()
{
    LayoutContext context;
    context.width = m_layoutWidth - 2 * margin;
    context.alignment = 1;
    m_root->layout(context);
}

}
