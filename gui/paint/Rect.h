#pragma once

#include <algorithm>
#include <cstdint>

namespace kestrel
{

// A rectangle in window coordinates with a bottom-left origin, y upwards: (x, y) is its
// bottom-left pixel and (x + width - 1, y + height - 1) its top-right pixel. The tests and the
// intersection work in 64 bits, so a rectangle whose far edge lies beyond the 32-bit range
// still clips correctly.
struct Rect
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    // True when width or height is below 1.
    bool isEmpty() const { return width < 1 || height < 1; }
    // Right column and top row; meaningful while they fit in 32 bits.
    std::int32_t right() const { return static_cast<std::int32_t>(farX() - 1); }
    std::int32_t top() const { return static_cast<std::int32_t>(farY() - 1); }
    // True when the two overlap by at least one pixel.
    bool intersects(const Rect& other) const
    {
        return x < other.farX() && other.x < farX() && y < other.farY() && other.y < farY();
    }
    // The common part; all four fields 0 when the two do not overlap.
    Rect intersection(const Rect& other) const;
    bool contains(std::int32_t px, std::int32_t py) const
    {
        return px >= x && py >= y && px < farX() && py < farY();
    }
    bool operator==(const Rect& other) const = default;

private:
    // One past the right column and the top row.
    std::int64_t farX() const { return static_cast<std::int64_t>(x) + width; }
    std::int64_t farY() const { return static_cast<std::int64_t>(y) + height; }
};

inline Rect Rect::intersection(const Rect& other) const
{
    const std::int32_t left = std::max(x, other.x);
    const std::int32_t bottom = std::max(y, other.y);
    const std::int64_t farRight = std::min(farX(), other.farX());
    const std::int64_t farTop = std::min(farY(), other.farY());
    if (farRight <= left || farTop <= bottom) {
        return Rect{};
    }
    return Rect{left, bottom, static_cast<std::int32_t>(farRight - left), static_cast<std::int32_t>(farTop - bottom)};
}

}
