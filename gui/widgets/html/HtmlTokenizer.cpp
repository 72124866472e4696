#include "gui/widgets/html/HtmlTokenizer.h"

#include "base/DataSource.h"
#include "base/Limits.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace kestrel
{

namespace
{

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool startsName(char c)
{
    return isLetter(c) || c == '_';
}

bool continuesName(char c)
{
    return startsName(c) || (c >= '0' && c <= '9');
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string lowerCase(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The name that starts at `at`, lower-cased; `at` moves past it.
std::string readName(const std::string& text, std::size_t& at)
{
    const std::size_t start = at;
    while (at < text.size() && continuesName(text[at])) {
        ++at;
    }
    return lowerCase(text.substr(start, at - start));
}

void skipBlanks(const std::string& text, std::size_t& at)
{
    while (at < text.size() && isBlank(text[at])) {
        ++at;
    }
}

// A value in single or double quotes up to the same quote, or else up to the next blank.
std::string readValue(const std::string& text, std::size_t& at)
{
    if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
        const char quote = text[at++];
        const std::size_t end = text.find(quote, at);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        std::string value = text.substr(at, stop - at);
        at = end == std::string::npos ? stop : stop + 1;
        return value;
    }
    const std::size_t start = at;
    while (at < text.size() && !isBlank(text[at])) {
        ++at;
    }
    return text.substr(start, at - start);
}

}

bool readHtmlInteger(const std::string& text, int& value)
{
    std::size_t at = 0;
    skipBlanks(text, at);
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at >= text.size() || text[at] < '0' || text[at] > '9') {
        return false;
    }
    long long number = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        number = number * 10 + (text[at] - '0');
        if (number > INT_MAX) {
            return false;
        }
    }
    value = static_cast<int>(negative ? -number : number);
    return true;
}

int parseAlign(const std::string& lowerValue)
{
    static const char* const names[] = {"left", "right", "center", "justify"};
    for (int i = 0; i < 4; ++i) {
        if (lowerValue == names[i]) {
            return i + 1;
        }
    }
    return 0;
}

const std::string& HtmlToken::attribute(const char* wanted, Case form) const
{
    static const std::string none;
    for (const HtmlAttribute& attribute : attributes) {
        if (attribute.name == wanted) {
            return form == Case::Lower ? attribute.lowerValue : attribute.value;
        }
    }
    return none;
}

HtmlTokenizer::HtmlTokenizer(heron::DataSource& source)
    : m_source(source), m_start(source.tell())
{
    constexpr std::uint32_t noEnd = UINT32_MAX;
    std::string text(source.remaining(), '\0');
    text.resize(source.read(text.data(), static_cast<std::uint32_t>(text.size())));
    if (!text.empty()) {
        source.seek(m_start);
    }
    // A ">" ends a tag begun before it when an even number of quotes lies between them: keep
    // the next ">" for each parity of the quotes counted from the start of the text.
    const auto quotes = static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '"'));
    std::uint32_t quotesFromHere = 0;
    std::uint32_t next[2] = {noEnd, noEnd};
    m_tagEnds.assign(text.size() + 1, noEnd);
    for (std::size_t i = text.size(); i-- > 0;) {
        quotesFromHere += text[i] == '"' ? 1 : 0;
        const std::uint32_t parity = (quotes - quotesFromHere) & 1;
        if (text[i] == '>') {
            next[parity] = static_cast<std::uint32_t>(i);
        }
        m_tagEnds[i] = next[parity];
    }
}

bool HtmlTokenizer::next()
{
    m_token = HtmlToken();
    if (m_source.peekByte() < 0) {
        return false;
    }
    if (m_source.peekByte() != '<') {
        return true;
    }
    const std::uint32_t start = m_source.tell();
    m_source.skip(1);
    std::string inside;
    if (collectTag(inside) && parseTag(inside)) {
        return true;
    }
    m_token = HtmlToken();
    m_source.seek(start);
    return true;
}

bool HtmlTokenizer::collectTag(std::string& inside)
{
    const std::uint32_t at = m_source.tell() - m_start;
    const std::uint32_t end = at < m_tagEnds.size() ? m_tagEnds[at] : UINT32_MAX;
    if (end == UINT32_MAX || end - at > heron::limits::maxHtmlTagLength) {
        return false;
    }
    inside.resize(end - at);
    inside.resize(m_source.read(inside.data(), end - at));
    m_source.skip(1);
    return true;
}

bool HtmlTokenizer::parseTag(const std::string& inside)
{
    m_token.isEndTag = !inside.empty() && inside[0] == '/';
    std::size_t at = m_token.isEndTag ? 1 : 0;
    if (at >= inside.size() || !isLetter(inside[at])) {
        return false;
    }
    m_token.isTag = true;
    m_token.name = readName(inside, at);
    parseAttributes(inside, at);
    return true;
}

// Only attributes with "=" and a value that is not empty are kept.
void HtmlTokenizer::parseAttributes(const std::string& inside, std::size_t at)
{
    while (at < inside.size()) {
        while (at < inside.size() && !startsName(inside[at])) {
            ++at;
        }
        if (at >= inside.size()) {
            return;
        }
        HtmlAttribute attribute;
        attribute.name = readName(inside, at);
        skipBlanks(inside, at);
        if (at >= inside.size() || inside[at] != '=') {
            continue;
        }
        ++at;
        skipBlanks(inside, at);
        attribute.value = readValue(inside, at);
        if (attribute.value.empty() || m_token.attributes.size() == heron::limits::maxHtmlTagAttributes) {
            continue;
        }
        attribute.lowerValue = lowerCase(attribute.value);
        m_token.attributes.push_back(std::move(attribute));
    }
}

}
