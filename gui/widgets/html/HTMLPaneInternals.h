#pragma once

#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "gui/paint/Image.h"
#include "gui/widgets/html/HTMLInfo.h"
#include "gui/widgets/html/HtmlStyle.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace heron
{
class DataSource;
}

namespace kestrel
{

class DocumentChunkList;
class GlyphHolder;
class HTMLGlyph;
class ImageReader;
class TableChunk;
struct HtmlToken;
struct Rect;

// The document of an HTML pane and the reading that builds it from text. The text comes from
// outside (tooltips, documents): its length, the nesting of tables and the number of images it
// names are capped (base/Limits.h), the size of an image shown is bounded, and nothing is read
// past its end.
class HTMLPaneInternals : public HTMLInfo
{
public:
    // Display limits, not caps on what is read: the largest image side the pane shows (a larger
    // image is left out) and the most room it leaves around an image.
    static constexpr int maxImageSide = 2048;
    static constexpr int maxImageSpace = 256;
    static constexpr int defaultLayoutWidth = 250;
    static constexpr int minLayoutWidth = 25;
    static constexpr int margin = 5;

    HTMLPaneInternals();
    ~HTMLPaneInternals() override;

    std::uint32_t textColour() const override { return m_textColour; }
    std::uint32_t linkColour() const override { return m_linkColour; }
    std::uint32_t backgroundColour() const override { return m_backgroundColour; }

    // Replaces the document with the one the text describes, then lays it out.
    void setText(const char* text, ImageReader* reader);
    // Lays the document out at the layout width, less the margins.
    void layout();
    void setLayoutWidth(int width);
    int layoutWidth() const { return m_layoutWidth; }
    int widthHint() const { return m_widthHint; }
    DocumentChunkList& root() { return *m_root; }
    // The target of a link by its index.
    const std::string& link(int index) const { return m_links[static_cast<std::size_t>(index)]; }
    // The link being activated while the pane's listener is told.
    const heron_string& activeLink() const { return m_activeLink; }
    void setActiveLink(const heron_string& link) { m_activeLink = link; }

private:
    struct OpenTable
    {
        heron::counted_ptr<TableChunk> table;
        DocumentChunkList* parent;
        DocumentChunkList* cell;    // null before the first cell, or when the table is full
    };

    void clear();
    void parse(heron::DataSource& source);
    void handleTag(const HtmlToken& token);
    void handleBody(const HtmlToken& token);
    // th, td and tr inside a table; false for other tags.
    bool handleTableTag(const HtmlToken& token);
    void handleTable(const HtmlToken& token);
    void handleLink(const HtmlToken& token);
    heron::counted_ptr<HTMLGlyph> makeImageGlyph(const HtmlToken& token);
    Image readImage(const std::string& name);
    void addGlyph(const heron::counted_ptr<HTMLGlyph>& glyph);
    // Ends the paragraph being filled: it goes into the innermost container.
    void closeParagraph();
    // Ends the paragraph and sets the alignment of the next by a "p" or heading tag.
    void startParagraph(const HtmlToken& token);
    // The innermost container: the current cell of the innermost table, or the document.
    DocumentChunkList& container();

    int m_layoutWidth = defaultLayoutWidth;
    int m_widthHint = -1;
    std::uint32_t m_textColour = 0xFF000000;
    std::uint32_t m_linkColour = 0xFFFF0000;
    std::uint32_t m_backgroundColour = 0;
    heron::counted_ptr<DocumentChunkList> m_root;
    heron_string m_activeLink;

    // While reading.
    HtmlStyle m_style;
    std::vector<OpenTable> m_openTables;
    std::vector<std::string> m_links;
    std::vector<int> m_linkStack;
    heron::counted_ptr<GlyphHolder> m_paragraph;
    int m_paragraphAlignment = 0;
    bool m_inBody = true;
    ImageReader* m_reader = nullptr;
    std::map<std::string, Image> m_images;
};

}
