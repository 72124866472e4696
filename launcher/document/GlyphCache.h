#pragma once

#include "gui/paint/Font.h"

namespace old_document
{

// What layout and drawing need of one character in one font. Made on first request and kept,
// at the same address, until the program ends.
struct Glyph
{
    char32_t code = 0;                      // the character, a Unicode code point
    const kestrel::Font* font = nullptr;    // kept by the cache as long as the glyph
    int advance = 0;
    int ascent = 0;                         // without the internal leading
    int descent = 0;
    bool blank = false;                     // the space character, where lines may break
};

// The program-wide glyph of a character in the font of the key; the font is made the first time
// its key is asked for. GUI thread only.
const Glyph& glyphFor(const kestrel::FontKey& key, char32_t code);

}
