#pragma once

#include "gui/paint/Font.h"

#include <vector>

namespace kestrel
{

struct HtmlToken;

// The text style of the document being read: counters of the open b, i, u, tt and link tags,
// the open heading and a stack of font sizes and faces, turned into the font key of the next
// character.
class HtmlStyle
{
public:
    HtmlStyle();

    // b, i, u, tt, font and h1 .. h6; false for any other tag.
    bool handleStyleTag(const HtmlToken& token);
    // True once after a heading opened or closed: the paragraph ends there.
    bool takeHeadingChanged();
    // Whether characters belong to a link now (they are underlined).
    void setInLink(bool inLink);
    // Bold in table header cells; the other tags' recomputing keeps it.
    void setTableHeaderBold(bool bold);

    // The font of the next character: a monospace, serif or sans-serif face.
    const FontKey& fontKey() const { return m_key; }

private:
    struct FontEntry
    {
        int size = 4;       // 1 .. 7
        int face = FontKey::serifFace;
    };

    void handleFont(const HtmlToken& token);
    void handleHeading(const HtmlToken& token, int level);
    void recompute();

    int m_bold = 0;
    int m_italic = 0;
    int m_underline = 0;
    int m_teletype = 0;
    bool m_inLink = false;
    bool m_tableHeaderBold = false;
    int m_heading = 0;
    bool m_headingChanged = false;
    std::vector<FontEntry> m_fonts;
    FontKey m_key;
};

}
