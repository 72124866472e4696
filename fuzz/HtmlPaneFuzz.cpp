// Reads arbitrary text as an HTML document, lays it out at a width taken from the first bytes,
// paints part of it and hit-tests points in it, so every document the parser accepts also goes
// through layout, painting and the glyph finder.

#include "gui/paint/BitmapGraphics.h"
#include "gui/paint/ImageReader.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/html/HTMLPane.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace
{

// Pictures whose names give their size ("12x34"), kept small; any other name gives none.
class NamedSizes : public kestrel::ImageReader
{
public:
    void readImage(const heron_string& name, kestrel::Image& image) override
    {
        int width = 0;
        int height = 0;
        if (std::sscanf(name.c_str(), "%dx%d", &width, &height) == 2 && width > 0 && height > 0) {
            image = kestrel::Image(std::min(width, 300), std::min(height, 300));
        }
    }
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const int width = data[0] * 4 + data[1] % 4;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    static NamedSizes reader;
    const heron::counted_ptr<kestrel::HTMLPane> pane(new kestrel::HTMLPane);
    pane->setText(text.c_str(), &reader);
    pane->setPageWidth(width);
    pane->setBounds(0, 0, pane->pageWidth(), pane->pageHeight());
    kestrel::BitmapGraphics graphics;
    graphics.begin(nullptr, kestrel::Rect{0, std::max(pane->pageHeight() - 200, 0), 200, 200});
    pane->draw(graphics);
    graphics.endPaint();
    kestrel::Event event(kestrel::Event::MouseMove);
    for (int step = 0; step < 16; ++step) {
        event.type = step % 2 == 0 ? kestrel::Event::MouseMove : kestrel::Event::LeftPress;
        event.x = step * 17 % (pane->pageWidth() + 1);
        event.y = pane->pageHeight() - step * 13;
        pane->handleMouse(event);
    }
    static_cast<void>(pane->minimumWidth());
    return 0;
}
