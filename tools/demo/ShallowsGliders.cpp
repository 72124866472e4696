#include "tools/demo/ShallowsGliders.h"

#include "tools/demo/QuillShapes.h"

#include <utility>
#include <vector>

namespace demo
{

namespace
{

constexpr QuillPoint nose = {0.0, 1.4, 0.1};
constexpr QuillPoint leftTip = {-1.6, -0.5, 0.35};
constexpr QuillPoint rightTip = {1.6, -0.5, 0.35};
constexpr QuillPoint tail = {0.0, -0.2, 0.0};
constexpr QuillPoint keelFront = {0.0, 0.9, 0.05};
constexpr QuillPoint keelFoot = {0.0, -0.1, -0.45};

// The triangle a, b, c and its back, so that the thin sail shows from below as well.
void addTwoSided(std::vector<QuillPolygon>& faces, std::int32_t material, const QuillPoint& a, const QuillPoint& b,
                 const QuillPoint& c)
{
    faces.push_back(facet(material, a, b, c));
    faces.push_back(facet(material, a, c, b));
}

}

QuillMaterial gliderMaterial(const Glider& glider, std::int32_t index)
{
    const QuillColour& c = glider.colour;
    return {.index = index,
            .name = glider.placement,
            .ambient = {c.r * 0.4f, c.g * 0.4f, c.b * 0.4f},
            .diffuse = c,
            .specular = {0.6f, 0.6f, 0.6f},
            .shininess = 40.0f};
}

QuillObject gliderObject(const Glider& glider, std::int32_t index, std::int32_t material)
{
    std::vector<QuillPolygon> faces;
    addTwoSided(faces, material, nose, leftTip, tail);
    addTwoSided(faces, material, nose, tail, rightTip);
    addTwoSided(faces, material, keelFront, keelFoot, tail);
    QuillBranch sail;
    sail.kind = QuillBranchKind::Polygons;
    sail.name = "sail";
    sail.polygons = std::move(faces);
    return {.name = glider.object, .index = index, .root = std::move(sail)};
}

}
