#include "base/LineTokenizer.h"
#include "base/ReadError.h"
#include "content/models/QuillReader.h"
#include "content/world/PelicanDB.h"
#include "scene/geometry/Polygon.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"

#include <optional>
#include <set>

// The model editor's text form: sections of vertices, polygons and materials, one object with one
// polygon branch.
namespace pelican
{

namespace
{

using heron::LineTokenizer;
using heron::ReadError;

struct TextPolygon
{
    std::int32_t material = 0;
    std::int32_t shading = 0;
    // Null when the line kept fewer than three vertices.
    std::unique_ptr<finch::Polygon> polygon;
};

struct TextMaterial
{
    heron_string name;
    finch::RGBA ambient;
    finch::RGBA diffuse;
    finch::RGBA specular;
    float shininess = 0.0f;
};

struct TextModel
{
    std::vector<finch::Vector3d> vertices;
    std::vector<TextPolygon> polygons;
    std::vector<TextMaterial> materials;
};

// The count of the current line, which follows a section word; none when it is not a count line
// or its number does not parse.
std::optional<int> readTextCount(LineTokenizer& lines)
{
    if (!lines.matchKeyword("count:", false, false)) {
        return std::nullopt;
    }
    int count = 0;
    lines.readInt(count);
    if (lines.fail()) {
        return std::nullopt;
    }
    return count;
}

// Each line three numbers a, b, c in the editor's y-up frame: the position (a, -c, b).
void readTextVertices(LineTokenizer& lines, int count, TextModel& model)
{
    for (int i = 0; i < count && lines.nextLine(); ++i) {
        double a = 0.0;
        double b = 0.0;
        double c = 0.0;
        lines.readDouble(a);
        const bool aRead = !lines.fail();
        lines.readDouble(b);
        const bool bRead = !lines.fail();
        lines.readDouble(c);
        if (aRead && bRead && !lines.fail()) {
            model.vertices.emplace_back(a, -c, b);
        }
    }
}

// Reads one integer after a literal; false when either is not there.
bool readLabelled(LineTokenizer& lines, const char* label, int& value)
{
    lines.expect(label);
    if (lines.fail()) {
        return false;
    }
    lines.readInt(value);
    return !lines.fail();
}

// Appends a vertex for each vertex number that lies in the list; the first number that does not
// parse ends the line.
void readPolygonVertices(LineTokenizer& lines, int sides, const TextModel& model, finch::Polygon& polygon)
{
    for (int i = 0; i < sides; ++i) {
        int number = 0;
        lines.readInt(number);
        if (lines.fail()) {
            return;
        }
        if (number < 0 || std::size_t(number) >= model.vertices.size()) {
            continue;
        }
        auto vertex = std::make_unique<finch::PolyVertex>();
        vertex->setPosition(model.vertices[std::size_t(number)]);
        polygon.addVertex(vertex);
    }
}

// "Material:" m "Shading:" s "Sides:" k "-" "Vertices" and k vertex numbers.
void readTextPolygon(LineTokenizer& lines, TextModel& model)
{
    TextPolygon entry;
    int sides = 0;
    const bool parsed = readLabelled(lines, "Material:", entry.material) &&
                        readLabelled(lines, "Shading:", entry.shading) && readLabelled(lines, "Sides:", sides);
    if (parsed && sides >= 3) {
        lines.expect("-");
        lines.expect("Vertices");
        auto polygon = std::make_unique<finch::Polygon>();
        if (!lines.fail()) {
            readPolygonVertices(lines, sides, model, *polygon);
        }
        if (polygon->vertexCount() >= 3) {
            entry.polygon = std::move(polygon);
        }
    }
    model.polygons.push_back(std::move(entry));
}

void readTextPolygons(LineTokenizer& lines, int count, TextModel& model)
{
    for (int i = 0; i < count && lines.nextLine(); ++i) {
        readTextPolygon(lines, model);
    }
}

// Three labelled colour values on the current line; false at the first that is missing.
bool readTextColour(LineTokenizer& lines, const char* (&labels)[3], finch::RGBA& colour)
{
    float* const values[3] = {&colour.r, &colour.g, &colour.b};
    for (int i = 0; i < 3; ++i) {
        lines.expect(labels[i]);
        if (!lines.fail()) {
            lines.readFloat(*values[i]);
        }
        if (lines.fail()) {
            return false;
        }
    }
    return true;
}

// The first line of a material: "Material", its index, ":" and its name.
bool readMaterialHead(LineTokenizer& lines, int& index, heron_string& name)
{
    lines.expect("Material");
    if (lines.fail()) {
        return false;
    }
    lines.readInt(index);
    if (lines.fail()) {
        return false;
    }
    lines.expect(":");
    if (lines.fail()) {
        return false;
    }
    lines.readWord(name);
    return true;
}

// One line of the material's five; false when the line is missing or does not parse.
bool readMaterialLine(LineTokenizer& lines, int line, int& index, TextMaterial& material)
{
    static const char* ambient[3] = {"RA:", "GA:", "BA:"};
    static const char* diffuse[3] = {"RD:", "GD:", "BD:"};
    static const char* specular[3] = {"RS:", "GS:", "BS:"};
    switch (line) {
    case 0: return readMaterialHead(lines, index, material.name);
    case 1: return readTextColour(lines, ambient, material.ambient);
    case 2: return readTextColour(lines, diffuse, material.diffuse);
    case 3: return readTextColour(lines, specular, material.specular);
    default:
        lines.expect("Shine:");
        if (!lines.fail()) {
            lines.readFloat(material.shininess);
        }
        return !lines.fail();
    }
}

// Five lines; the material is stored when all of them parse. Its index must be the number of the
// materials stored before it, across sections. False when the data ends first.
bool readTextMaterial(LineTokenizer& lines, TextModel& model, std::size_t due)
{
    if (model.materials.size() != due) {
        throw ReadError("Bad material");
    }
    TextMaterial material;
    int index = 0;
    bool parsed = true;
    for (int line = 0; line < 5; ++line) {
        if (!lines.nextLine()) {
            return false;
        }
        parsed = parsed && readMaterialLine(lines, line, index, material);
    }
    if (!parsed) {
        return true;
    }
    if (index < 0 || std::size_t(index) != due) {
        throw ReadError("Bad material index");
    }
    model.materials.push_back(std::move(material));
    return true;
}

void readTextMaterials(LineTokenizer& lines, int count, TextModel& model)
{
    const std::size_t first = model.materials.size();
    for (int i = 0; i < count; ++i) {
        if (!readTextMaterial(lines, model, first + std::size_t(i))) {
            return;
        }
    }
}

enum class TextSection
{
    None,
    Vertices,
    Polygons,
    Materials,
};

TextSection sectionOf(LineTokenizer& lines)
{
    if (lines.matchKeyword("Vertices", true, true)) {
        return TextSection::Vertices;
    }
    if (lines.matchKeyword("Polygons", true, true)) {
        return TextSection::Polygons;
    }
    return lines.matchKeyword("Materials", true, true) ? TextSection::Materials : TextSection::None;
}

void readSection(LineTokenizer& lines, TextSection section, int count, TextModel& model)
{
    switch (section) {
    case TextSection::Vertices: readTextVertices(lines, count, model); break;
    case TextSection::Polygons: readTextPolygons(lines, count, model); break;
    case TextSection::Materials: readTextMaterials(lines, count, model); break;
    case TextSection::None: break;
    }
}

// Every line up to the end of the data. A section word's next line must be its count line; when
// it is not, the section reads nothing and that line is taken as it stands (it may begin a
// section of its own).
void readTextSections(LineTokenizer& lines, TextModel& model)
{
    bool haveLine = lines.nextLine();
    while (haveLine) {
        const TextSection section = sectionOf(lines);
        haveLine = lines.nextLine();
        if (section == TextSection::None || !haveLine) {
            continue;
        }
        if (const std::optional<int> count = readTextCount(lines)) {
            readSection(lines, section, *count, model);
            haveLine = lines.nextLine();
        }
    }
}

// Materials of one file compare by value; equal ones are shared.
struct MaterialOrder
{
    bool operator()(const heron::counted_ptr<finch::Material>& a, const heron::counted_ptr<finch::Material>& b) const
    {
        return *a < *b;
    }
};
using MaterialSet = std::set<heron::counted_ptr<finch::Material>, MaterialOrder>;

heron::counted_ptr<finch::Material> textMaterial(const TextModel& model, const TextPolygon& entry, MaterialSet& made)
{
    if (entry.material < 0 || std::size_t(entry.material) >= model.materials.size()) {
        throw ReadError("Bad material number");
    }
    const TextMaterial& record = model.materials[std::size_t(entry.material)];
    heron::counted_ptr<finch::Material> working(new finch::Material(finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f}));
    working->setName(record.name);
    working->setAmbient(record.ambient);
    working->setDiffuse(record.diffuse);
    working->setSpecular(record.specular);
    working->setShininess(record.shininess);
    // Shading 0 is unlit and flat (also for values the editor does not write), 1 lit and flat,
    // 2 lit and smooth.
    working->setSmoothShading(entry.shading == 2);
    working->setLit(entry.shading == 1 || entry.shading == 2);
    return *made.insert(working).first;
}

heron_string objectName(const heron::FilePath& path)
{
    heron_string name = path.name();
    const std::uint32_t cut = name.find_first_of(".quill");
    if (cut != heron_string::npos) {
        name.resize(cut);
    }
    return name;
}

}

void QuillReader::readTextVariant(PelicanDB& database)
{
    auto object = std::make_unique<finch::Object>();
    finch::Object& added = *object;
    added.setName(objectName(m_path));
    database.addObject(object);
    auto branch = std::make_unique<finch::PolygonBranch>();
    finch::PolygonBranch& root = *branch;
    root.setName(added.name());
    std::unique_ptr<finch::Branch> holder = std::move(branch);
    added.setRoot(holder);

    TextModel model;
    LineTokenizer lines(&m_source);
    readTextSections(lines, model);
    if (model.vertices.empty() || model.polygons.empty() || model.materials.empty()) {
        throw ReadError("Incomplete file");
    }
    MaterialSet made;
    for (TextPolygon& entry : model.polygons) {
        if (!entry.polygon) {
            continue;
        }
        entry.polygon->setMaterial(textMaterial(model, entry, made));
        entry.polygon->markChanged();
        root.addPolygon(std::move(entry.polygon));
    }
}

}
