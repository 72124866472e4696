#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace heron
{
class DataSource;
}

namespace kestrel
{

// Reads an attribute's integer: blanks, an optional sign and at least one digit; what follows
// is ignored. False (value unchanged) for no number or one beyond the int range.
bool readHtmlInteger(const std::string& text, int& value);
// "left" 1, "right" 2, "center" 3, "justify" 4 (lower case), else 0.
int parseAlign(const std::string& lowerValue);

// One attribute of a tag: its name in lower case and its value as written and in lower case.
struct HtmlAttribute
{
    std::string name;
    std::string value;
    std::string lowerValue;
};

// The tokenizer's current token: a text character (the next byte of the source) or a tag.
struct HtmlToken
{
    enum class Case
    {
        AsWritten,
        Lower,
    };

    // The attribute's value; empty when the tag has no such attribute.
    const std::string& attribute(const char* name, Case form = Case::AsWritten) const;

    bool isTag = false;
    bool isEndTag = false;      // the tag began with "/"
    std::string name;           // lower case
    std::vector<HtmlAttribute> attributes;
};

// Splits text into characters and tags. A "<" that does not start a valid tag, or that is not
// closed by a ">" (outside double quotes) within the longest tag (its length and attributes are
// capped in base/Limits.h), is a character like any other; there are no character entities.
// Reads through a source that can seek and tell what remains. Where each tag would end is found
// in one pass over the text beforehand, so a text full of "<" costs no more than any other.
class HtmlTokenizer
{
public:
    explicit HtmlTokenizer(heron::DataSource& source);

    // Advances to the next token; false at the end of the text. After a text token the caller
    // takes exactly one character from the source.
    bool next();
    const HtmlToken& token() const { return m_token; }

private:
    // The bytes up to the ">" that ends the tag (consumed); false when none ends it within the
    // longest tag.
    bool collectTag(std::string& inside);
    // Parses the text between "<" and ">"; false when it is no tag.
    bool parseTag(const std::string& inside);
    void parseAttributes(const std::string& inside, std::size_t at);

    heron::DataSource& m_source;
    std::uint32_t m_start;
    // For each position, the first ">" from there on that double quotes counted from there
    // leave outside; noEnd when there is none.
    std::vector<std::uint32_t> m_tagEnds;
    HtmlToken m_token;
};

}
