#pragma once

#include "launcher/document/CharacterStyle.h"

#include <cstddef>
#include <string_view>

namespace old_document
{

class OldDocument;

// Longest text parsed; the rest of a longer one is dropped with a log line.
constexpr std::size_t maxMarkupBytes = 256 * 1024;

// Replaces the document's paragraphs with those of the text, read in the document's tiny markup:
// <p> breaks the paragraph, <b>, <i>, <u> and <tt> nest bold, italic, underline and the monospace
// face, <a href="target"> starts a link and </a> ends it, <center> centres the paragraphs that
// end inside it. Whatever is not a tag is text; unknown tags are dropped; nothing is refused.
// The base style is the style of plain text. Returns the document.
OldDocument& parseMarkup(OldDocument& document, std::string_view text, const CharacterStyle& base);

}
