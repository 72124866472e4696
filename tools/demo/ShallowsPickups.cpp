#include "tools/demo/ShallowsPickups.h"

#include "tools/demo/QuillShapes.h"

#include <array>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace demo
{

namespace
{

constexpr int ringSegments = 16;
constexpr int ringSides = 8;
constexpr double ringRadius = 2.0;
constexpr double ringThickness = 0.35;
constexpr int stoneCount = 4;
constexpr QuillPoint stoneHalfSizes = {0.22, 0.2, 0.22};
constexpr QuillPoint pebbleHalfSizes = {0.22, 0.16, 0.1};

// A torus around the y axis, smooth; the ring display, which turns it about z, shows it face on
// at first.
QuillBranch band(std::int32_t material)
{
    const auto point = [](int segment, int side) {
        const double a = 2 * std::numbers::pi * segment / ringSegments;
        const double b = 2 * std::numbers::pi * side / ringSides;
        const std::array<double, 3> n = {std::cos(a) * std::cos(b), -std::sin(b), std::sin(a) * std::cos(b)};
        const double r = ringRadius + ringThickness * std::cos(b);
        return flatVertex(r * std::cos(a), -ringThickness * std::sin(b), r * std::sin(a), static_cast<float>(segment) / ringSegments,
                          static_cast<float>(side) / ringSides,
                          {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])});
    };
    QuillBranch branch;
    branch.kind = QuillBranchKind::Polygons;
    branch.name = "band";
    for (int s = 0; s < ringSegments; ++s) {
        for (int t = 0; t < ringSides; ++t) {
            QuillPolygon quad{.material = material};
            quad.vertices = {point(s, t), point(s + 1, t), point(s + 1, t + 1), point(s, t + 1)};
            branch.polygons.push_back(std::move(quad));
        }
    }
    return branch;
}

// Stones half sunk into the band's outside, between the quarters.
QuillBranch stones(std::int32_t material)
{
    QuillBranch branch;
    branch.kind = QuillBranchKind::Polygons;
    branch.name = "stones";
    const double out = ringRadius + ringThickness;
    for (int i = 0; i < stoneCount; ++i) {
        const double a = 2 * std::numbers::pi * (i + 0.5) / stoneCount;
        addGem(branch.polygons, material, {out * std::cos(a), 0.0, out * std::sin(a)}, stoneHalfSizes);
    }
    return branch;
}

}

QuillMaterial ringGold(std::int32_t index)
{
    return {.index = index, .name = "gold", .ambient = {0.35f, 0.28f, 0.1f}, .diffuse = {1.0f, 0.8f, 0.3f},
            .specular = {1.0f, 0.95f, 0.8f}, .shininess = 80.0f};
}

QuillMaterial ringStone(std::int32_t index)
{
    return {.index = index, .name = "ring stone", .ambient = {0.1f, 0.25f, 0.3f}, .diffuse = {0.45f, 0.85f, 0.95f},
            .specular = {1.0f, 1.0f, 1.0f}, .emission = {0.1f, 0.25f, 0.3f}, .shininess = 110.0f};
}

QuillMaterial pebbleGrey(std::int32_t index)
{
    return {.index = index, .name = "pebble", .ambient = {0.3f, 0.28f, 0.26f}, .diffuse = {0.62f, 0.58f, 0.54f},
            .specular = {0.2f, 0.2f, 0.2f}, .shininess = 10.0f};
}

QuillObject ringObject(std::int32_t index, std::int32_t gold, std::int32_t stone)
{
    QuillBranch root;
    root.name = "ring";
    root.children.push_back(band(gold));
    root.children.push_back(stones(stone));
    return {.name = ringObjectName, .index = index, .root = std::move(root)};
}

QuillObject pebbleObject(std::int32_t index, std::int32_t material)
{
    QuillBranch stone;
    stone.kind = QuillBranchKind::Polygons;
    stone.name = "pebble";
    addGem(stone.polygons, material, {0.0, 0.0, pebbleHalfSizes[2]}, pebbleHalfSizes);
    return {.name = "Pebble", .index = index, .root = std::move(stone)};
}

}
