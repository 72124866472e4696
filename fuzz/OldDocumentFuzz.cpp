// Feeds arbitrary bytes as document markup: the first two give the width to lay out at, the rest is
// the text. Every paragraph must wrap into non-empty lines that cover its characters and overflow
// only with a single character; drawing, hit tests and the link addresses must stay in bounds.

#include "gui/paint/BitmapGraphics.h"
#include "launcher/document/LinkOpener.h"
#include "launcher/document/MarkupParser.h"
#include "launcher/document/OldDocument.h"
#include "launcher/document/ParagraphInternals.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace
{

void checkLines(old_document::Paragraph& paragraph, int width)
{
    std::size_t covered = 0;
    for (const old_document::Line& line : paragraph.lines(width)) {
        if (line.chars < 1 || (line.width > width && line.chars > 1)) {
            std::abort();
        }
        covered += static_cast<std::size_t>(line.chars);
    }
    if (covered != paragraph.chars().size()) {
        std::abort();
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const int width = data[0] | (data[1] & 0x7F) << 8;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    old_document::OldDocument document;
    old_document::parseMarkup(document, text, old_document::CharacterStyle{125, 12, 0, 0, nullptr});
    document.setBounds(0, 0, width, 200);
    int preferredWidth = 0;
    int preferredHeight = 0;
    document.getPreferredSize(preferredWidth, preferredHeight);
    for (const auto& paragraph : document.paragraphs()) {
        checkLines(*paragraph, width);
        old_document::ParagraphInternals::CharFinder finder(width / 2, 100);
        paragraph->internals().walk(kestrel::Rect{0, 0, width, 200}, finder);
        if (finder.hit() && finder.hit()->link) {
            static_cast<void>(old_document::linkUrl(*finder.hit()->link));
        }
    }
    kestrel::BitmapGraphics graphics;
    graphics.begin(nullptr, kestrel::Rect{0, 0, 64, 64});
    document.draw(graphics);
    return 0;
}
