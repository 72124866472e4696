#pragma once

#include "tools/demo/QuillWriter.h"

#include <string>
#include <vector>

// A writer of the model editor's text files (".quill" at revision 1.0): a list of vertices, a
// list of polygons and a list of materials. The game's model reader turns them into one object
// with one polygon branch.
namespace demo
{

// How a polygon is lit; the numbers are the file's.
enum class QuillShading : int
{
    Unlit = 0,
    Flat = 1,
    Smooth = 2,
};

struct QuillTextPolygon
{
    // The number of a material of the model's list.
    int material = 0;
    QuillShading shading = QuillShading::Smooth;
    // Numbers of vertices of the model's list, in order round the polygon.
    std::vector<int> vertices;
};

struct QuillTextMaterial
{
    std::string name;
    QuillColour ambient{0.2f, 0.2f, 0.2f};
    QuillColour diffuse;
    QuillColour specular{0.0f, 0.0f, 0.0f};
    // As the material takes it, not scaled.
    float shininess = 0.0f;
};

struct QuillTextModel
{
    // Positions in the game's z-up frame; the file holds them in the editor's y-up frame.
    std::vector<QuillPoint> vertices;
    std::vector<QuillTextPolygon> polygons;
    std::vector<QuillTextMaterial> materials;
};

// The header line the writer writes.
constexpr const char* quillTextHeader = "Compatibility: 1.0";

// The file's text. Empty, with the reason in error, when a material name holds a double quote or
// a line end, or a polygon names a vertex or material outside the lists.
std::string writeQuillText(const QuillTextModel& model, std::string& error);

}
