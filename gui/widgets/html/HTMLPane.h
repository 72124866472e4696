#pragma once

#include "base/heron_string.h"
#include "gui/toolkit/Component.h"
#include "gui/widgets/ScrollPane.h"

#include <memory>

namespace kestrel
{

class HTMLPaneInternals;
class ImageReader;

// Lets tooltips whose text starts with "<body" show as HTML documents, their images read through
// the global image reader.
void useHtmlTooltips();

// Shows a small subset of HTML: paragraphs with alignment, bold, italic, underlined and
// typewriter text, font sizes and faces, headings, links, inline and floating images, line
// breaks and tables. The text is flowed to the page width (250 at first). A left press on a link
// sends the listener code 0, with the link's target readable meanwhile. Main thread only.
class HTMLPane : public Component, public ScrollPane::SizedPage
{
public:
    HTMLPane();
    ~HTMLPane() override;

    // Builds the document from the text; images it names are read through the reader, or without
    // one (null) show a placeholder.
    void setText(const char* text, ImageReader* reader);
    // The document from the text, its images placeholders.
    void setText(const char* text, bool mnemonic = false) override;

    // The page width follows the width.
    void setBounds(int x, int y, int width, int height) override;
    // The page's width and height.
    void getPreferredSize(int& width, int& height) override;
    void draw(Graphics& graphics) override;
    // Presses on links send code 0; the pointer shows a hand over them.
    void handleMouse(Event& event) override;

    int minimumWidth() override;
    // At least 25; lays the document out again.
    void setPageWidth(int width) override;
    int pageWidth() override;
    int pageHeight() override;
    // The width the document's body asks for, -1 when it asks none.
    int widthHint() const;
    // The target of the link being activated while the listener is told; empty otherwise.
    const heron_string& activeLink() const;

    HTMLPaneInternals& internals() { return *m_internals; }

private:
    std::unique_ptr<HTMLPaneInternals> m_internals;
    bool m_overLink = false;
};

}
