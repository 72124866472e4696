#pragma once

#include <array>

namespace old_document
{

// How the bytes of a document's text become the characters its fonts draw, Unicode code points.
// Parsing asks here for every character byte and nowhere else, so a text in another single-byte
// code page only needs a table of its own.
class CodePage
{
public:
    // Entry b is the code point of text byte b.
    explicit CodePage(const std::array<char32_t, 256>& codePoints) : m_codePoints(codePoints) {}

    // Texts of the Western European languages.
    static const CodePage& windows1252();
    // Texts of the Central European languages, Polish among them.
    static const CodePage& windows1250();

    char32_t codePoint(unsigned char byte) const { return m_codePoints[byte]; }

private:
    std::array<char32_t, 256> m_codePoints;
};

}
