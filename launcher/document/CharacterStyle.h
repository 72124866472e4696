#pragma once

#include "gui/paint/Font.h"

#include <cstdint>
#include <string>

namespace old_document
{

// The look of a run of characters in a document.
struct CharacterStyle
{
    int face = 125;                 // the toolkit's font face id: 123 monospace, 125 sans-serif
    int size = 12;                  // pixels
    int style = 0;                  // kestrel::Font bits: 1 bold, 2 italic, 4 underline
    std::uint32_t colour = 0;       // packed 0x..BBGGRR; 0: the document's text colour
    const std::string* link = nullptr;  // target interned in the document; null: no link

    // The font the characters are drawn with: a link is always underlined.
    kestrel::FontKey fontKey() const
    {
        return kestrel::FontKey{face, size, style | (link ? kestrel::Font::Underline : 0)};
    }
};

}
