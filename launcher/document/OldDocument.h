#pragma once

#include "base/counted_ptr.h"
#include "gui/toolkit/Component.h"
#include "launcher/document/Paragraph.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace old_document
{

class CodePage;

// A short rich text shown in a component: paragraphs of words in a few fonts and styles, wrapped
// to the component's width, optionally centred, with links that open on a click (the pointer is a
// hand over them). Filled by parseMarkup. GUI thread only.
class OldDocument : public kestrel::Component
{
public:
    // Height of a paragraph without characters.
    static constexpr int emptyParagraphHeight = 10;

    OldDocument();
    ~OldDocument() override;

    // Takes the width as the wrap width too.
    void setBounds(int x, int y, int width, int height) override;
    // The wrap width (25 when below 1) by the paragraphs' height at it (1 when it is below 1).
    void getPreferredSize(int& width, int& height) override;
    void draw(kestrel::Graphics& graphics) override;
    // Over a link the pointer is the hand and a left press opens the link; elsewhere the arrow.
    void handleMouse(kestrel::Event& event) override;

    // Removes every paragraph; the interned links stay.
    void clear();
    void addParagraph(const heron::counted_ptr<Paragraph>& paragraph);
    const std::vector<heron::counted_ptr<Paragraph>>& paragraphs() const { return m_paragraphs; }
    // The document's own copy of the target, kept as long as the document.
    const std::string* internLink(std::string_view target);

    // Packed 0x..BBGGRR. Characters without a colour of their own take the text colour; a colour
    // with red, green and blue 0 draws as the toolkit's black.
    void setTextColour(std::uint32_t colour) { m_textColour = colour; }
    std::uint32_t textColour() const { return m_textColour; }
    void setLinkColour(std::uint32_t colour) { m_linkColour = colour; }
    std::uint32_t linkColour() const { return m_linkColour; }
    void setWrapWidth(int width) { m_wrapWidth = width; }
    int wrapWidth() const { return m_wrapWidth; }
    // How the bytes of the texts parsed from now on map to the characters the fonts draw (not
    // owned; it must outlive the parses). Windows-1252 by default.
    void setCodePage(const CodePage& codePage) { m_codePage = &codePage; }
    const CodePage& codePage() const { return *m_codePage; }

private:
    // Calls the visitor with each paragraph and its area, top to bottom from the top of the bounds,
    // until it returns false.
    void forEachParagraph(const std::function<bool(Paragraph&, const kestrel::Rect&)>& visit);
    // The character under the point; null over none.
    const PlacedChar* charAt(int x, int y);

    std::vector<heron::counted_ptr<Paragraph>> m_paragraphs;
    std::set<std::string, std::less<>> m_links;
    int m_wrapWidth = 0;
    std::uint32_t m_textColour = 0xFF000000;
    std::uint32_t m_linkColour = 0x00FF0000;    // blue
    const CodePage* m_codePage;
};

}
