#pragma once

#include <array>

namespace old_document
{

// How the bytes of a document's text become the characters its fonts draw, which are
// Windows-1252 bytes. Parsing asks here for every character byte and nowhere else, so a text
// in another code page only needs a table of its own.
class CodePage
{
public:
    // Entry b is the font character of text byte b.
    explicit CodePage(const std::array<unsigned char, 256>& fontChars) : m_fontChars(fontChars) {}

    // Text bytes that are already the fonts' own characters.
    static const CodePage& windows1252();

    unsigned char fontChar(unsigned char byte) const { return m_fontChars[byte]; }

private:
    std::array<unsigned char, 256> m_fontChars;
};

}
