#include "tools/demo/QuillTextWriter.h"

#include <charconv>

namespace demo
{

namespace
{

// The shortest text that reads back as the same number, whatever the locale.
template <typename Number>
std::string numberText(Number value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

std::string colourLine(const char* prefix, const QuillColour& colour)
{
    return std::string("R") + prefix + ": " + numberText(colour.r) + " G" + prefix + ": " + numberText(colour.g) +
           " B" + prefix + ": " + numberText(colour.b) + "\n";
}

bool validPolygon(const QuillTextPolygon& polygon, const QuillTextModel& model)
{
    if (polygon.material < 0 || std::size_t(polygon.material) >= model.materials.size()) {
        return false;
    }
    for (const int vertex : polygon.vertices) {
        if (vertex < 0 || std::size_t(vertex) >= model.vertices.size()) {
            return false;
        }
    }
    return true;
}

std::string vertexLines(const QuillTextModel& model)
{
    std::string text = "Vertices\ncount: " + std::to_string(model.vertices.size()) + "\n";
    for (const QuillPoint& p : model.vertices) {
        // The reader turns (a, b, c) into (a, -c, b).
        text += numberText(p[0]) + " " + numberText(p[2]) + " " + numberText(-p[1]) + "\n";
    }
    return text;
}

std::string polygonLines(const QuillTextModel& model)
{
    std::string text = "Polygons\ncount: " + std::to_string(model.polygons.size()) + "\n";
    for (const QuillTextPolygon& polygon : model.polygons) {
        text += "Material: " + std::to_string(polygon.material) + " Shading: " +
                std::to_string(static_cast<int>(polygon.shading)) + " Sides: " +
                std::to_string(polygon.vertices.size()) + " - Vertices";
        for (const int vertex : polygon.vertices) {
            text += " " + std::to_string(vertex);
        }
        text += "\n";
    }
    return text;
}

std::string materialLines(const QuillTextModel& model)
{
    std::string text = "Materials\ncount: " + std::to_string(model.materials.size()) + "\n";
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        const QuillTextMaterial& material = model.materials[i];
        text += "Material " + std::to_string(i) + ": \"" + material.name + "\"\n";
        text += colourLine("A", material.ambient) + colourLine("D", material.diffuse) + colourLine("S", material.specular);
        text += "Shine: " + numberText(material.shininess) + "\n";
    }
    return text;
}

}

std::string writeQuillText(const QuillTextModel& model, std::string& error)
{
    for (const QuillTextMaterial& material : model.materials) {
        if (material.name.find_first_of("\"\n\r") != std::string::npos) {
            error = "the material name \"" + material.name + "\" holds a quote or a line end";
            return {};
        }
    }
    for (const QuillTextPolygon& polygon : model.polygons) {
        if (!validPolygon(polygon, model)) {
            error = "a polygon names a vertex or material the model does not have";
            return {};
        }
    }
    return std::string(quillTextHeader) + "\n" + vertexLines(model) + polygonLines(model) + materialLines(model);
}

}
