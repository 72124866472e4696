#pragma once

#include "gui/toolkit/Container.h"
#include "gui/paint/Graphics.h"
#include "gui/paint/GuiColor.h"
#include "gui/paint/Image.h"
#include "gui/toolkit/LayoutManager.h"

#include <cstdint>
#include <vector>

namespace testing_gui
{

// Leaves every child where the test put it.
class FixedLayout : public kestrel::LayoutManager
{
public:
    void getPreferredSize(kestrel::Container& container, int& width, int& height) override
    {
        width = container.getBounds().width;
        height = container.getBounds().height;
    }
    void layoutContainer(kestrel::Container&) override {}
};

// A component that asks for a fixed size.
class Sized : public kestrel::Component
{
public:
    Sized(int width, int height) : m_width(width), m_height(height) {}
    void getPreferredSize(int& width, int& height) override
    {
        width = m_width;
        height = m_height;
    }

private:
    int m_width;
    int m_height;
};

// A component that fills its bounds with one palette colour and counts its draws.
class Swatch : public kestrel::Component
{
public:
    explicit Swatch(kestrel::GuiColor::gui_color colour) : colour(colour) {}
    void draw(kestrel::Graphics& graphics) override
    {
        ++draws;
        graphics.setColor(colour);
        graphics.fillRect(bounds);
    }
    kestrel::GuiColor::gui_color colour;
    int draws = 0;
};

using Pixels = std::vector<std::uint32_t>;

// An image's pixels, bottom row first; none for an empty image.
inline Pixels pixelsOf(const kestrel::Image& image)
{
    const std::uint32_t* first = image.pixels();
    return Pixels(first, first + static_cast<std::size_t>(image.width()) * image.height());
}

// A palette colour as the opaque pixel 0xFFRRGGBB that windows and images hold.
inline std::uint32_t pixelOf(kestrel::GuiColor::gui_color colour)
{
    return kestrel::packedToPixel(kestrel::GuiColor::toSystemColour(colour));
}

}
