#pragma once

#include "tools/demo/QuillWriter.h"

#include <array>
#include <cstdint>

// Four gliders hovering over the water just ahead of the first level's start, one colour each.
// They are the world's avatars: in network play each player holds one and the others see it fly;
// alone, the player herds them into the pen beside them.
namespace demo
{

struct Glider
{
    // The model's object, and the branch of the "objects" group that places it.
    const char* object;
    const char* placement;
    QuillColour colour;
    // Where it waits, nose toward the islands; the look file's avatar zones are centred here.
    QuillPoint home;
};

inline constexpr std::array<Glider, 4> gliders = {{
    {"RedGlider", "redglider", {0.9f, 0.2f, 0.15f}, {-9.0, -70.0, 5.0}},
    {"YellowGlider", "yellowglider", {0.95f, 0.8f, 0.2f}, {-3.0, -70.0, 5.0}},
    {"GreenGlider", "greenglider", {0.2f, 0.75f, 0.4f}, {3.0, -70.0, 5.0}},
    {"VioletGlider", "violetglider", {0.55f, 0.3f, 0.85f}, {9.0, -70.0, 5.0}},
}};

// A glossy sail of the glider's colour, numbered index.
QuillMaterial gliderMaterial(const Glider& glider, std::int32_t index);
// A delta wing about 3 units across with a keel below, nose along +y, seen from either side,
// drawn with material; numbered index for the instances that show it.
QuillObject gliderObject(const Glider& glider, std::int32_t index, std::int32_t material);

}
