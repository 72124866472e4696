#include "gui/widgets/ColorRGBA.h"

#include <algorithm>
#include <cmath>

namespace kestrel
{

namespace
{

float clampUnit(float value)
{
    return std::clamp(value, 0.0f, 1.0f);
}

// A channel that is not a number (from a damaged file, say) packs as 0: converting NaN to an
// integer is undefined.
std::uint32_t toByte(float channel)
{
    if (std::isnan(channel)) {
        return 0;
    }
    return static_cast<std::uint32_t>(clampUnit(channel) * 255.0f);
}

float fromByte(std::uint32_t packed, int shift)
{
    return static_cast<float>(packed >> shift & 0xFF) / 255.0f;
}

float wrapHue(float hue)
{
    if (!std::isfinite(hue)) {
        return 0.0f;
    }
    hue = std::fmod(hue, 360.0f);
    return hue < 0.0f ? hue + 360.0f : hue;
}

}

void ColorRGBA::setPacked(std::uint32_t packed)
{
    r = fromByte(packed, 0);
    g = fromByte(packed, 8);
    b = fromByte(packed, 16);
    a = fromByte(packed, 24);
}

std::uint32_t ColorRGBA::toPacked() const
{
    return toByte(r) | toByte(g) << 8 | toByte(b) << 16 | toByte(a) << 24;
}

ColorRGBA ColorRGBA::fromHSV(const HSV& hsv)
{
    const float h = wrapHue(hsv.hue);
    const float s = clampUnit(hsv.saturation);
    const float v = clampUnit(hsv.value);
    if (s == 0.0f) {
        return ColorRGBA(v, v, v);
    }
    const float h6 = h / 60.0f;
    const int sector = std::min(static_cast<int>(h6), 5);
    const float f = h6 - static_cast<float>(sector);
    const float p = v * (1.0f - s);
    const float q = v * (1.0f - s * f);
    const float t = v * (1.0f - s * (1.0f - f));
    switch (sector) {
    case 0:
        return ColorRGBA(v, t, p);
    case 1:
        return ColorRGBA(q, v, p);
    case 2:
        return ColorRGBA(p, v, t);
    case 3:
        return ColorRGBA(p, q, v);
    case 4:
        return ColorRGBA(t, p, v);
    default:
        return ColorRGBA(v, p, q);
    }
}

void ColorRGBA::toHSV(HSV& hsv) const
{
    const float red = clampUnit(r);
    const float green = clampUnit(g);
    const float blue = clampUnit(b);
    const float high = std::max({red, green, blue});
    const float low = std::min({red, green, blue});
    const float range = high - low;
    hsv.value = high;
    hsv.saturation = high > 0.0f ? range / high : 0.0f;
    if (hsv.saturation == 0.0f) {
        if (!(hsv.hue >= 0.0f && hsv.hue <= 360.0f)) {
            hsv.hue = 0.0f;
        }
        return;
    }
    float hue = 0.0f;
    if (red == high) {
        hue = (green - blue) / range;
    } else if (green == high) {
        hue = 2.0f + (blue - red) / range;
    } else {
        hue = 4.0f + (red - green) / range;
    }
    hue *= 60.0f;
    hsv.hue = hue < 0.0f ? hue + 360.0f : hue;
}

std::uint32_t packedFromRRGGBB(std::uint32_t rrggbb)
{
    return 0xFF000000u | (rrggbb & 0xFF) << 16 | (rrggbb & 0xFF00) | (rrggbb >> 16 & 0xFF);
}

std::uint32_t rrggbbFromPacked(std::uint32_t packed)
{
    return (packed & 0xFF) << 16 | (packed & 0xFF00) | (packed >> 16 & 0xFF);
}

}
