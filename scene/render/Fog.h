#pragma once

#include <cstdint>

namespace finch
{

// A fog setting: mode 0 off, 1 linear from start to end, 2 exponential and 3 squared exponential
// with the density; the colour's alpha is not used.
struct Fog
{
    std::int32_t mode = 0;
    float start = 0.0f;
    float end = 1000.0f;
    float density = 0.005f;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    // Sets the GL fog (only while the "Enable fog" switch is on); other modes change nothing.
    void apply() const;
};

}
