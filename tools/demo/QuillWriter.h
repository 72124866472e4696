#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A writer of the model editor's binary files (".quill"), newest revision, little-endian: a
// description of materials, textures and named objects in, the file's bytes out. The game's model
// reader turns the bytes back into a scene database.
namespace demo
{

struct QuillColour
{
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
};

struct QuillMaterial
{
    std::int32_t index = 0;
    std::string name{};
    QuillColour ambient{0.2f, 0.2f, 0.2f};
    QuillColour diffuse{};
    QuillColour specular{0.0f, 0.0f, 0.0f};
    QuillColour emission{0.0f, 0.0f, 0.0f};
    // 0..128, as the editor shows it.
    float shininess = 0.0f;
    float opacity = 1.0f;
};

struct QuillTexture
{
    std::int32_t index = 0;
    // The image's file name, found through the texture search folders.
    std::string file{};
    bool clampS = false;
    bool clampT = false;
    bool translucent = false;
};

using QuillPoint = std::array<double, 3>;

// 0xAABBGGRR; -1 is opaque white.
using QuillColourWord = std::uint32_t;
constexpr QuillColourWord opaqueWhite = 0xFFFFFFFF;

struct QuillVertex
{
    QuillPoint position{};
    // An entry of the object's shared vertex table in place of the position, when set.
    std::optional<std::int32_t> shared{};
    std::array<float, 2> texCoord{};
    std::array<float, 3> normal{0.0f, 0.0f, 1.0f};
    QuillColourWord colour = opaqueWhite;
};

struct QuillPolygon
{
    // Table indexes; -1 for none.
    std::int32_t material = -1;
    std::int32_t texture = -1;
    QuillColourWord colour = opaqueWhite;
    bool smooth = true;
    bool lit = true;
    std::vector<QuillVertex> vertices{};
};

enum class QuillBranchKind
{
    Group,
    Polygons,
    Lod,
    Instance,
    Switch,
    Joint,
};

// A 4x4 matrix in row order, translation in the last row.
using QuillMatrix = std::array<double, 16>;
constexpr QuillMatrix identityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct QuillBranch
{
    QuillBranchKind kind = QuillBranchKind::Group;
    std::string name{};
    // The number engines connect to; every branch that an engine connects to, and every branch
    // visited before it, needs one.
    std::optional<std::int32_t> index{};
    std::vector<QuillPolygon> polygons{};   // Polygons
    std::int32_t shows = 0;                 // Instance: the index of the object it shows
    QuillMatrix placement = identityMatrix; // Instance
    QuillMatrix pivot = identityMatrix;     // Joint
    double distance = 0.0;                  // Lod
    std::string special{};                  // the special-effect text, when not empty
    std::vector<QuillBranch> children{};    // Group, Lod, Switch, Joint
};

enum class QuillEngineKind
{
    Plain,
    Wave,
    Spline,
    Output,
    Linear,
    Pulse,
};

// One cubic Bezier segment of a path: where it starts, its two control points and where it ends.
using QuillBezier = std::array<QuillPoint, 4>;

struct QuillEngine
{
    QuillEngineKind kind = QuillEngineKind::Plain;
    std::int32_t integer = 0;
    std::array<double, 5> p{};
    std::array<double, 3> q{};
    // Output engines: translate x, y, z, then rotate heading, pitch, roll.
    std::array<bool, 6> axes{};
    // The index of the branch the engine drives, when set.
    std::optional<std::int32_t> target{};
    // Spline engines: the path their instance is placed along (in its parent's space), the
    // distance along it coming from the engine above.
    std::vector<QuillBezier> path{};
    std::vector<QuillEngine> children{};
};

struct QuillObject
{
    std::string name{};
    // The number instance branches show it by.
    std::int32_t index = 0;
    bool main = false;
    std::vector<QuillPoint> sharedVertices{};
    // Either a branch tree or a reference to another model file.
    std::optional<QuillBranch> root{};
    std::string externalReference{};
    // The root engine is kept by the reader only when it has children.
    std::optional<QuillEngine> engines{};
};

struct QuillModel
{
    std::vector<QuillMaterial> materials{};
    std::vector<QuillTexture> textures{};
    std::vector<QuillObject> objects{};
};

// The revision the writer writes.
constexpr const char* quillHeader = "Compatibility: 412";

// The file's bytes. Empty, with the reason in error, when a name or file name holds a byte that
// ends strings in the format (NUL, LF, CR), or an index lies outside what the format allows.
std::string writeQuill(const QuillModel& model, std::string& error);

}
