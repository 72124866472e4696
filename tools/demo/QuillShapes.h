#pragma once

#include "tools/demo/QuillWriter.h"

#include <array>
#include <cstdint>
#include <vector>

// Small building blocks of the demo's models: vertices, flat facets and simple solids.
namespace demo
{

// A vertex at (x, y, z) with texture coordinates (u, v) and the given normal.
QuillVertex flatVertex(double x, double y, double z, float u, float v, std::array<float, 3> normal);
// The unit normal of the triangle a, b, c, on the side from which it runs counter-clockwise.
std::array<float, 3> normalOf(const QuillPoint& a, const QuillPoint& b, const QuillPoint& c);
// The flat triangle a, b, c drawn with material, facing the side from which it runs counter-clockwise.
QuillPolygon facet(std::int32_t material, const QuillPoint& a, const QuillPoint& b, const QuillPoint& c);
// A cut stone: eight flat facets between six tips, at centre plus and minus each of the half
// sizes along x, y and z; appended to faces.
void addGem(std::vector<QuillPolygon>& faces, std::int32_t material, const QuillPoint& centre, const QuillPoint& halfSizes);

}
