#pragma once

#include "gui/paint/GuiColor.h"

#include <cstdint>

namespace kestrel
{

// Hue in degrees, saturation and value in [0, 1].
struct HSV
{
    float hue = 0.0f;
    float saturation = 0.0f;
    float value = 0.0f;
};

// A colour as four floats in [0, 1]. Its packed form is 0xAABBGGRR (red in the lowest byte: in
// memory the bytes R, G, B, A), the form of the GUI palette and of GL colour bytes.
struct ColorRGBA
{
    ColorRGBA() = default;
    ColorRGBA(float red, float green, float blue, float alpha = 1.0f) : r(red), g(green), b(blue), a(alpha) {}
    // Each byte of 0xAABBGGRR / 255.
    explicit ColorRGBA(std::uint32_t packed) { setPacked(packed); }
    explicit ColorRGBA(GuiColor colour) : ColorRGBA(GuiColor::toSystemColour(colour.color())) {}

    void setPacked(std::uint32_t packed);
    // 0xAABBGGRR, each channel clamped to [0, 1] and times 255 truncated.
    std::uint32_t toPacked() const;

    // The hue is brought into [0, 360), saturation and value are clamped; alpha is 1.
    static ColorRGBA fromHSV(const HSV& hsv);
    // Writes into hsv, which keeps its hue for a grey when that hue lies in [0, 360] (else 0).
    void toHSV(HSV& hsv) const;

    bool operator==(const ColorRGBA& other) const = default;

    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;
};

// Between the toolkit's packing 0xAABBGGRR and the 0xRRGGBB of settings and web colours, so red
// and blue never swap where the two meet. The packed form comes out opaque.
std::uint32_t packedFromRRGGBB(std::uint32_t rrggbb);
std::uint32_t rrggbbFromPacked(std::uint32_t packed);

}
