#pragma once

#include "tools/demo/QuillWriter.h"

#include <cstdint>

// What the player takes in the first level: the rings, and the pebbles of the rock pile that the
// player throws.
namespace demo
{

// The game takes the object of this name for the world's ring: the shape a collected ring shows in
// the corner of the screen, and the one rock that rings another player's avatar when thrown
// through it. It knows it only by this name and by its having two pieces of geometry.
constexpr const char* ringObjectName = "Ring";

// The ring's gold, the glass of its stones and the pebbles' grey, numbered from first on.
QuillMaterial ringGold(std::int32_t index);
QuillMaterial ringStone(std::int32_t index);
QuillMaterial pebbleGrey(std::int32_t index);

// A gold band 2 units in radius standing upright around the y axis, so that the player flies
// through it along y, and four glass stones set around its outside: two pieces of geometry, "band"
// and "stones". Numbered index for the instances that show it.
QuillObject ringObject(std::int32_t index, std::int32_t gold, std::int32_t stone);
// A flat grey stone about 0.45 units across lying on the origin.
QuillObject pebbleObject(std::int32_t index, std::int32_t material);

}
