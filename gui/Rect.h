#pragma once

#include <cstdint>

namespace kestrel
{

// A rectangle in window coordinates with a bottom-left origin, y upwards: (x, y) is its
// bottom-left pixel and (x + width - 1, y + height - 1) its top-right pixel.
struct Rect
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    // True when width or height is below 1.
    bool isEmpty() const { return width < 1 || height < 1; }
    std::int32_t right() const { return x + width - 1; }
    std::int32_t top() const { return y + height - 1; }
    // True when the two overlap by at least one pixel.
    bool intersects(const Rect& other) const
    {
        return x < other.x + other.width && other.x < x + width && y < other.y + other.height &&
               other.y < y + height;
    }
    // The common part; all four fields 0 when the two do not overlap.
    Rect intersection(const Rect& other) const;
    bool contains(std::int32_t px, std::int32_t py) const
    {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
    bool operator==(const Rect& other) const = default;
};

inline Rect Rect::intersection(const Rect& other) const
{
    const std::int32_t left = x > other.x ? x : other.x;
    const std::int32_t bottom = y > other.y ? y : other.y;
    const std::int32_t rightEdge = right() < other.right() ? right() : other.right();
    const std::int32_t topEdge = top() < other.top() ? top() : other.top();
    if (rightEdge < left || topEdge < bottom) {
        return Rect{};
    }
    return Rect{left, bottom, rightEdge - left + 1, topEdge - bottom + 1};
}

}
