#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A writer of radiosity solution files (".lsb"): clusters of patches, each patch a tree of
// subdivisions whose leaves are triangles or quadrilaterals, with a lit colour per vertex. The
// game's model reader turns them into geometry.
namespace demo
{

using RadiosityColour = std::array<float, 3>;

struct RadiosityVertex
{
    std::array<float, 3> position{};
    RadiosityColour colour{1.0f, 1.0f, 1.0f};
    // Written only by clusters with texture coordinates.
    std::array<float, 2> texCoord{};
};

// A leaf: corner and midpoint numbers (vertices of the cluster from 1, the derived ones first and
// then the given ones; 0 for none; a fourth corner 0 makes a triangle), edge k running from
// corner k to corner k + 1. Or an interior node: four children, child k holding corner k.
struct RadiosityPatch
{
    std::array<std::uint32_t, 4> corners{};
    std::array<std::uint32_t, 4> midpoints{};
    std::vector<RadiosityPatch> children;
};

struct RadiosityCluster
{
    // Counts and vertex numbers as 32-bit values rather than 16-bit ones.
    bool wide = false;
    bool textured = false;
    // The number of a texture name of the model, from 1; 0 for none.
    std::uint32_t texture = 0;
    // Vertices whose position the reader works out from the patches: their colours only.
    std::vector<RadiosityColour> derived;
    std::vector<RadiosityVertex> given;
    std::vector<RadiosityPatch> roots;
};

struct RadiosityModel
{
    std::vector<std::string> materials;
    std::vector<std::string> layers;
    std::vector<std::string> textures;
    std::vector<RadiosityCluster> clusters;
};

// The file's bytes. Empty, with the reason in error, when a name holds a line feed, a narrow
// cluster's counts or numbers exceed 16 bits, or a patch has other than none or four children.
std::string writeRadiosity(const RadiosityModel& model, std::string& error);

}
