#pragma once

namespace finch
{

// A colour as four floats, 0..1 in use.
struct RGBA
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;

    const float* data() const { return &r; }
    bool operator==(const RGBA& other) const = default;
};

}
