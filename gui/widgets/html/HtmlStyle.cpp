#include "gui/widgets/html/HtmlStyle.h"

#include "base/Limits.h"
#include "gui/widgets/html/HtmlTokenizer.h"

#include <algorithm>

namespace kestrel
{

namespace
{

// Percent of the normal 14-pixel size, by font size 1 .. 7 and by heading level 1 .. 6.
constexpr int sizePercent[] = {50, 70, 90, 100, 125, 150, 200};
constexpr int headingPercent[] = {200, 150, 125, 100, 90, 70};
constexpr int normalPixels = 14;

// Counts an open tag up and a closing one down, never below 0.
void count(int& counter, bool end)
{
    counter = end ? std::max(counter - 1, 0) : counter + 1;
}

}

HtmlStyle::HtmlStyle()
{
    m_fonts.push_back(FontEntry());
    recompute();
}

bool HtmlStyle::handleStyleTag(const HtmlToken& token)
{
    const std::string& name = token.name;
    const bool end = token.isEndTag;
    if (name == "b") {
        count(m_bold, end);
    } else if (name == "i") {
        count(m_italic, end);
    } else if (name == "u") {
        count(m_underline, end);
    } else if (name == "tt") {
        count(m_teletype, end);
    } else if (name == "font") {
        handleFont(token);
    } else if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
        handleHeading(token, name[1] - '0');
    } else {
        return false;
    }
    m_tableHeaderBold = false;
    recompute();
    return true;
}

// A start tag copies the top entry and changes it by size ("+n", "-n" around 4, or "n"; kept
// only within 1 .. 7) and face; an end tag pops, but the base entry stays.
void HtmlStyle::handleFont(const HtmlToken& token)
{
    if (token.isEndTag) {
        if (m_fonts.size() > 1) {
            m_fonts.pop_back();
        }
        return;
    }
    if (m_fonts.size() == heron::limits::maxHtmlFontDepth) {
        return;
    }
    FontEntry entry = m_fonts.back();
    const std::string& size = token.attribute("size");
    int value = 0;
    if (readHtmlInteger(size, value)) {
        const std::size_t first = size.find_first_not_of(" \t\r\n");
        const bool relative = size[first] == '+' || size[first] == '-';
        const int wanted = relative ? 4 + value : value;
        if (wanted >= 1 && wanted <= 7) {
            entry.size = wanted;
        }
    }
    const std::string& face = token.attribute("face", HtmlToken::Case::Lower);
    if (face == "serif") {
        entry.face = FontKey::serifFace;
    } else if (face == "sansserif") {
        entry.face = FontKey::sansSerifFace;
    } else if (face == "monospace") {
        entry.face = FontKey::monospaceFace;
    }
    m_fonts.push_back(entry);
}

void HtmlStyle::handleHeading(const HtmlToken& token, int level)
{
    if (!token.isEndTag && m_heading == 0) {
        m_heading = level;
        m_headingChanged = true;
    } else if (token.isEndTag && m_heading == level) {
        m_heading = 0;
        m_headingChanged = true;
    }
}

bool HtmlStyle::takeHeadingChanged()
{
    const bool changed = m_headingChanged;
    m_headingChanged = false;
    return changed;
}

void HtmlStyle::setInLink(bool inLink)
{
    m_inLink = inLink;
    m_tableHeaderBold = false;
    recompute();
}

void HtmlStyle::setTableHeaderBold(bool bold)
{
    m_tableHeaderBold = bold;
    recompute();
}

void HtmlStyle::recompute()
{
    int style = m_italic > 0 ? Font::Italic : 0;
    if (m_underline > 0 || m_inLink) {
        style |= Font::Underline;
    }
    int percent = 100;
    int face = FontKey::serifFace;
    if (m_heading > 0) {
        style |= Font::Bold;
        percent = headingPercent[m_heading - 1];
    } else {
        if (m_bold > 0 || m_tableHeaderBold) {
            style |= Font::Bold;
        }
        percent = sizePercent[m_fonts.back().size - 1];
        face = m_teletype > 0 ? FontKey::monospaceFace : m_fonts.back().face;
    }
    m_key = FontKey{face, percent * normalPixels / 100, style};
}

}
