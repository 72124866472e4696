#include "launcher/document/MarkupParser.h"

#include "base/Debug.h"
#include "launcher/document/CodePage.h"
#include "launcher/document/GlyphCache.h"
#include "launcher/document/OldDocument.h"

#include <optional>
#include <string>
#include <vector>

namespace old_document
{

namespace
{

constexpr int monospaceFace = 123;

struct Attribute
{
    std::string name;
    std::string value;
};

// A recognised tag: the first attribute's name is the tag's name.
struct Tag
{
    bool closing = false;
    std::vector<Attribute> attributes;
    std::size_t end = 0;            // the position after its '>'

    const std::string& name() const { return attributes.front().name; }
};

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The inside of a tag as (name, value) pairs: blanks outside quotes separate pairs, '=' starts the
// value, a double quote in a value toggles quoting and is dropped; a name keeps only a to z, digits
// and '_'.
std::vector<Attribute> readAttributes(std::string_view inside)
{
    std::vector<Attribute> pairs(1);
    bool inValue = false;
    bool quoted = false;
    bool afterBlank = false;
    for (const char c : inside) {
        if (c == ' ' && !quoted) {
            if (!afterBlank) {
                pairs.emplace_back();
                inValue = false;
            }
            afterBlank = true;
            continue;
        }
        afterBlank = false;
        if (!inValue) {
            if (c == '=') {
                inValue = true;
            } else if (isNameChar(c)) {
                pairs.back().name.push_back(c);
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else {
            pairs.back().value.push_back(c);
        }
    }
    return pairs;
}

// The tag starting at the '<' at `at`, if it is one: a '>' must come before any other '<', with
// something between them that does not start with a blank.
std::optional<Tag> readTag(std::string_view text, std::size_t at)
{
    const std::size_t close = text.find_first_of("<>", at + 1);
    if (close == std::string_view::npos || text[close] != '>' || close == at + 1 || text[at + 1] == ' ') {
        return std::nullopt;
    }
    std::string_view inside = text.substr(at + 1, close - at - 1);
    Tag tag;
    tag.end = close + 1;
    if (inside.front() == '/') {
        tag.closing = true;
        inside.remove_prefix(1);
        if (inside.empty()) {
            return std::nullopt;
        }
    }
    if (inside.size() == 1) {
        tag.attributes.push_back(Attribute{std::string(inside), std::string()});
    } else {
        tag.attributes = readAttributes(inside);
    }
    return tag;
}

// Parses one text into a document; see parseMarkup.
class MarkupParser
{
public:
    MarkupParser(OldDocument& document, const CharacterStyle& base)
        : m_document(document), m_base(base), m_style(base), m_paragraph(new Paragraph)
    {
    }

    void parse(std::string_view text)
    {
        std::size_t at = 0;
        while (at < text.size()) {
            const std::optional<Tag> tag = text[at] == '<' ? readTag(text, at) : std::nullopt;
            if (tag) {
                apply(*tag);
                at = tag->end;
                continue;
            }
            character(static_cast<unsigned char>(text[at]));
            ++at;
        }
        m_document.addParagraph(m_paragraph);
    }

private:
    void apply(const Tag& tag)
    {
        const std::string& name = tag.name();
        if (name.empty()) {
            return;
        }
        switch (name.front()) {
        case 'p':
            breakParagraph();
            return;
        case 'b':
            nest(m_bold, kestrel::Font::Bold, tag.closing);
            return;
        case 'i':
            nest(m_italic, kestrel::Font::Italic, tag.closing);
            return;
        case 'u':
            nest(m_underline, kestrel::Font::Underline, tag.closing);
            return;
        default:
            break;
        }
        if (name == "tt") {
            monospace(tag.closing);
        } else if (name == "a") {
            link(tag);
        } else if (name == "center") {
            m_centring = !tag.closing;
        }
    }

    void breakParagraph()
    {
        m_document.addParagraph(m_paragraph);
        m_paragraph = heron::counted_ptr<Paragraph>(new Paragraph);
    }

    // An opening tag remembers whether the style bit was on and turns it on; a closing one puts
    // back what its opening tag found, and changes nothing without one.
    void nest(std::vector<bool>& stack, int bit, bool closing)
    {
        if (!closing) {
            stack.push_back((m_style.style & bit) != 0);
            m_style.style |= bit;
            return;
        }
        if (stack.empty()) {
            return;
        }
        const bool wasOn = stack.back();
        stack.pop_back();
        m_style.style = wasOn ? (m_style.style | bit) : (m_style.style & ~bit);
    }

    void monospace(bool closing)
    {
        if (!closing) {
            m_monospace.push_back(m_style.face == monospaceFace);
            m_style.face = monospaceFace;
            return;
        }
        if (m_monospace.empty()) {
            return;
        }
        const bool wasMonospace = m_monospace.back();
        m_monospace.pop_back();
        m_style.face = wasMonospace ? monospaceFace : m_base.face;
    }

    // Every href of an opening tag sets the link, so the last one counts.
    void link(const Tag& tag)
    {
        if (tag.closing) {
            m_style.link = nullptr;
            return;
        }
        for (std::size_t i = 1; i < tag.attributes.size(); ++i) {
            if (tag.attributes[i].name == "href") {
                m_style.link = m_document.internLink(tag.attributes[i].value);
            }
        }
    }

    // A paragraph takes the alignment in force at its last character.
    void character(unsigned char byte)
    {
        const Glyph& glyph = glyphFor(m_style.fontKey(), m_document.codePage().codePoint(byte));
        m_paragraph->append(PlacedChar{&glyph, m_style.colour, m_style.link});
        m_paragraph->setAlignment(m_centring ? Paragraph::Alignment::Centred : Paragraph::Alignment::Left);
    }

    OldDocument& m_document;
    const CharacterStyle m_base;
    CharacterStyle m_style;
    bool m_centring = false;
    std::vector<bool> m_bold;
    std::vector<bool> m_italic;
    std::vector<bool> m_underline;
    std::vector<bool> m_monospace;
    heron::counted_ptr<Paragraph> m_paragraph;
};

}

OldDocument& parseMarkup(OldDocument& document, std::string_view text, const CharacterStyle& base)
{
    if (text.size() > maxMarkupBytes) {
        heron::debug("parseMarkup() - text of %zu bytes cut to %zu\n", text.size(), maxMarkupBytes);
        text = text.substr(0, maxMarkupBytes);
    }
    document.clear();
    MarkupParser parser(document, base);
    parser.parse(text);
    return document;
}

}
