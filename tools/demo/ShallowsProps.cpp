#include "tools/demo/ShallowsProps.h"

namespace demo
{

namespace
{

constexpr double postHalfWidth = 0.2;
constexpr double postHeight = 6.0;
constexpr double capHeight = 0.6;

enum PostMaterial : int
{
    postWhite,
    postRed,
};

// Vertex numbers of the rock: the derived midpoints first, then the given corners.
enum RockVertex : std::uint32_t
{
    none,
    base12,
    side2,
    side1,
    base1,
    base2,
    base3,
    base4,
    apex,
};

RadiosityPatch leaf(std::array<std::uint32_t, 4> corners, std::array<std::uint32_t, 4> midpoints = {})
{
    return {.corners = corners, .midpoints = midpoints, .children = {}};
}

// The face base1, base2, apex cut into four, its midpoints worked out by the reader.
RadiosityPatch subdividedFace()
{
    RadiosityPatch face;
    face.children = {leaf({base1, base12, side1, none}), leaf({base12, base2, side2, none}),
                     leaf({side1, side2, apex, none}), leaf({base12, side2, side1, none})};
    return face;
}

}

QuillTextModel markerPost()
{
    constexpr double w = postHalfWidth;
    QuillTextModel post;
    post.vertices = {{-w, -w, 0}, {w, -w, 0}, {w, w, 0}, {-w, w, 0},
                     {-w, -w, postHeight}, {w, -w, postHeight}, {w, w, postHeight}, {-w, w, postHeight},
                     {0, 0, postHeight + capHeight}};
    for (int side = 0; side < 4; ++side) {
        const int next = (side + 1) % 4;
        post.polygons.push_back({.material = postWhite, .shading = QuillShading::Flat,
                                 .vertices = {side, next, next + 4, side + 4}});
        post.polygons.push_back({.material = postRed, .shading = QuillShading::Flat, .vertices = {side + 4, next + 4, 8}});
    }
    post.materials = {
        {.name = "post", .diffuse = {0.95f, 0.95f, 0.9f}},
        {.name = "cap", .ambient = {0.3f, 0.05f, 0.05f}, .diffuse = {0.85f, 0.15f, 0.1f}, .specular = {0.5f, 0.5f, 0.5f},
         .shininess = 0.3f},
    };
    return post;
}

RadiosityModel litRock()
{
    const RadiosityColour lit{0.95f, 0.8f, 0.6f};
    const RadiosityColour shade{0.3f, 0.28f, 0.35f};
    RadiosityCluster cluster;
    cluster.derived = {lit, lit, lit};
    cluster.given = {
        {.position = {-1.5f, -1.4f, 0.0f}, .colour = lit},
        {.position = {1.6f, -1.3f, 0.0f}, .colour = lit},
        {.position = {1.4f, 1.5f, 0.0f}, .colour = shade},
        {.position = {-1.3f, 1.6f, 0.0f}, .colour = shade},
        {.position = {0.1f, 0.0f, 1.3f}, .colour = {0.8f, 0.7f, 0.55f}},
    };
    cluster.roots = {
        subdividedFace(),
        leaf({base2, base3, apex, none}, {none, none, side2, none}),
        leaf({base3, base4, apex, none}),
        leaf({base4, base1, apex, none}, {none, side1, none, none}),
        leaf({base1, base4, base3, base2}, {none, none, none, base12}),
    };
    RadiosityModel rock;
    rock.materials = {"rock"};
    rock.clusters = {cluster};
    return rock;
}

std::vector<WorldFile> propFiles(std::string& error)
{
    std::string post = writeQuillText(markerPost(), error);
    std::string rock = post.empty() ? std::string() : writeRadiosity(litRock(), error);
    if (rock.empty()) {
        return {};
    }
    return {{postModelFile, std::move(post)}, {rockModelFile, std::move(rock)}};
}

}
