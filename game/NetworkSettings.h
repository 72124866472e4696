#pragma once

#include "base/heron_string.h"

#include <cstdint>

// The player's name and colour as other players see them; the console's chat lines carry them.
// Main thread only.
struct NetworkSettings
{
    static heron_string userName;
    // 0xRRGGBB.
    static std::uint32_t userColor;
};
