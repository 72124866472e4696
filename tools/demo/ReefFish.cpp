#include "tools/demo/ReefFish.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <utility>

namespace demo
{

namespace
{

enum FishMaterial : std::int32_t
{
    amberMaterial,
    coralMaterial,
    goldMaterial,
};

struct Fish
{
    QuillPoint at;
    // Degrees about z from +x.
    double heading;
    double scale;
    // Radians ahead of the cycle, so that the school does not move as one.
    double phase;
    FishMaterial material;
};

constexpr std::array<Fish, 9> school = {{
    {{-2.4, 0.9, 0.5}, -6.0, 1.0, 0.0, amberMaterial},
    {{-1.1, -1.0, -0.3}, 4.0, 0.9, 1.3, coralMaterial},
    {{0.2, 0.5, 0.8}, -3.0, 1.1, 2.6, goldMaterial},
    {{0.5, -0.6, -0.5}, 7.0, 0.95, 3.9, amberMaterial},
    {{1.7, 1.2, 0.2}, -8.0, 1.05, 5.2, coralMaterial},
    {{2.0, -1.4, 0.6}, 5.0, 0.9, 0.7, goldMaterial},
    {{-0.7, 2.0, -0.2}, -4.0, 0.85, 2.0, coralMaterial},
    {{3.1, 0.1, -0.2}, 2.0, 1.0, 4.5, amberMaterial},
    {{-2.1, -2.0, 0.3}, 6.0, 0.95, 3.3, goldMaterial},
}};

// A cross-section of the body: where it lies along the fish, its half width and half height, and
// how far its normals lean forwards (the body narrows both ways from the middle).
struct Section
{
    double x;
    double halfWidth;
    double halfHeight;
    double lean;
};

constexpr int sides = 6;
constexpr std::array<Section, 3> sections = {{
    {0.45, 0.12, 0.26, 0.35},
    {0.0, 0.14, 0.3, 0.0},
    {-0.45, 0.07, 0.14, -0.35},
}};

// The vertices of one fish, in the order of its part of the shared table.
enum Part : std::int32_t
{
    nose,
    firstRing,
    tailRoot = firstRing + sides * static_cast<std::int32_t>(sections.size()),
    upperTip,
    notch,
    lowerTip,
    dorsalTip,
    partCount,
};

// The swimming: a wave that runs down the body, growing towards the tail, and the whole fish
// rising and falling.
constexpr double swayReach = 0.22;
constexpr double waveNumber = 2.2;
constexpr double bendStart = 0.2;
constexpr double bendLength = 1.15;
constexpr double bob = 0.14;

constexpr QuillPoint schoolPlace = {58.0, 126.0, 1.5};
// Degrees about z, counter-clockwise from +x.
constexpr double schoolHeading = 30.0;

double ringAngle(int side)
{
    // The first vertex of each ring is on top.
    return std::numbers::pi / 2 + 2 * std::numbers::pi * side / sides;
}

std::int32_t ringVertex(std::size_t section, int side)
{
    return firstRing + static_cast<std::int32_t>(section) * sides + (side % sides);
}

// One fish at rest, nose along +x, about 1.75 long.
std::array<QuillPoint, partCount> restShape()
{
    std::array<QuillPoint, partCount> shape{};
    shape[nose] = {0.8, 0.0, 0.0};
    for (std::size_t s = 0; s < sections.size(); ++s) {
        for (int side = 0; side < sides; ++side) {
            const double a = ringAngle(side);
            shape[static_cast<std::size_t>(ringVertex(s, side))] = {sections[s].x, sections[s].halfWidth * std::cos(a),
                                                                     sections[s].halfHeight * std::sin(a)};
        }
    }
    shape[tailRoot] = {-0.62, 0.0, 0.0};
    shape[upperTip] = {-0.95, 0.0, 0.32};
    shape[notch] = {-0.82, 0.0, 0.0};
    shape[lowerTip] = {-0.95, 0.0, -0.32};
    shape[dorsalTip] = {-0.35, 0.0, 0.42};
    return shape;
}

// Turned by the fish's heading about z.
std::array<double, 3> turned(const Fish& fish, double x, double y, double z)
{
    const double h = fish.heading * std::numbers::pi / 180.0;
    return {x * std::cos(h) - y * std::sin(h), x * std::sin(h) + y * std::cos(h), z};
}

// Rounded to what the game reads back, so that a frame's positions and the model's match exactly.
double single(double value)
{
    return static_cast<double>(static_cast<float>(value));
}

QuillPoint swimming(const Fish& fish, const QuillPoint& rest, double angle)
{
    const double bend = std::pow(std::clamp((bendStart - rest[0]) / bendLength, 0.0, 1.0), 2.0);
    const double sway = swayReach * bend * std::sin(angle + fish.phase - waveNumber * (bendStart - rest[0]));
    const std::array<double, 3> p = turned(fish, rest[0] * fish.scale, (rest[1] + sway) * fish.scale, rest[2] * fish.scale);
    const double rise = bob * std::sin(angle + fish.phase);
    return {single(fish.at[0] + p[0]), single(fish.at[1] + p[1]), single(fish.at[2] + p[2] + rise)};
}

std::array<float, 3> unitNormal(const Fish& fish, double x, double y, double z)
{
    const std::array<double, 3> n = turned(fish, x, y, z);
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return {static_cast<float>(n[0] / length), static_cast<float>(n[1] / length), static_cast<float>(n[2] / length)};
}

// The body's smooth normal at a vertex of the rest shape.
std::array<float, 3> bodyNormal(const Fish& fish, std::int32_t part)
{
    if (part == nose) {
        return unitNormal(fish, 1.0, 0.0, 0.0);
    }
    if (part == tailRoot) {
        return unitNormal(fish, -1.0, 0.0, 0.0);
    }
    const auto s = static_cast<std::size_t>((part - firstRing) / sides);
    const double a = ringAngle((part - firstRing) % sides);
    return unitNormal(fish, sections[s].lean, std::cos(a) / sections[s].halfWidth, std::sin(a) / sections[s].halfHeight);
}

class FishBuilder
{
public:
    FishBuilder(const Fish& fish, std::int32_t first, std::vector<QuillPolygon>& faces)
        : m_fish(fish), m_first(first), m_faces(faces), m_rest(restShape())
    {
    }

    void build()
    {
        for (int side = 0; side < sides; ++side) {
            bodyTriangle(nose, ringVertex(0, side), ringVertex(0, side + 1));
            for (std::size_t s = 0; s + 1 < sections.size(); ++s) {
                bodyTriangle(ringVertex(s, side), ringVertex(s + 1, side), ringVertex(s + 1, side + 1));
                bodyTriangle(ringVertex(s, side), ringVertex(s + 1, side + 1), ringVertex(s, side + 1));
            }
            bodyTriangle(tailRoot, ringVertex(sections.size() - 1, side + 1), ringVertex(sections.size() - 1, side));
        }
        fin(tailRoot, upperTip, notch);
        fin(tailRoot, notch, lowerTip);
        fin(ringVertex(1, 0), dorsalTip, ringVertex(2, 0));
    }

private:
    QuillVertex vertex(std::int32_t part, const std::array<float, 3>& normal) const
    {
        return {.shared = m_first + part, .normal = normal};
    }

    // A smooth triangle of the body, wound to face outwards.
    void bodyTriangle(std::int32_t a, std::int32_t b, std::int32_t c)
    {
        if (!facesOut(a, b, c)) {
            std::swap(b, c);
        }
        QuillPolygon face{.material = m_fish.material};
        for (const std::int32_t part : {a, b, c}) {
            face.vertices.push_back(vertex(part, bodyNormal(m_fish, part)));
        }
        m_faces.push_back(std::move(face));
    }

    bool facesOut(std::int32_t a, std::int32_t b, std::int32_t c) const
    {
        const QuillPoint& p = m_rest[static_cast<std::size_t>(a)];
        const QuillPoint& q = m_rest[static_cast<std::size_t>(b)];
        const QuillPoint& r = m_rest[static_cast<std::size_t>(c)];
        const std::array<double, 3> u = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
        const std::array<double, 3> v = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
        const std::array<double, 3> n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        // Away from the fish's axis, at the triangle's middle.
        return n[1] * (p[1] + q[1] + r[1]) + n[2] * (p[2] + q[2] + r[2]) > 0.0;
    }

    // A thin fin in the fish's upright plane, flat, seen from both sides; a, b, c run clockwise
    // seen from the fish's left (+y before the heading).
    void fin(std::int32_t a, std::int32_t b, std::int32_t c)
    {
        for (const double side : {1.0, -1.0}) {
            QuillPolygon face{.material = m_fish.material, .smooth = false};
            const std::array<float, 3> normal = unitNormal(m_fish, 0.0, side, 0.0);
            for (const std::int32_t part : side > 0.0 ? std::array<std::int32_t, 3>{a, c, b} : std::array<std::int32_t, 3>{a, b, c}) {
                face.vertices.push_back(vertex(part, normal));
            }
            m_faces.push_back(std::move(face));
        }
    }

    const Fish& m_fish;
    std::int32_t m_first;
    std::vector<QuillPolygon>& m_faces;
    std::array<QuillPoint, partCount> m_rest;
};

QuillMaterial glass(FishMaterial index, const char* name, QuillColour colour)
{
    return {.index = index,
            .name = name,
            .ambient = {colour.r * 0.5f, colour.g * 0.5f, colour.b * 0.5f},
            .diffuse = colour,
            .specular = {1.0f, 0.95f, 0.85f},
            .emission = {colour.r * 0.18f, colour.g * 0.1f, colour.b * 0.05f},
            .shininess = 90.0f};
}

std::string frameText(int frame)
{
    std::string text = "# The reef's school of fish, frame " + std::to_string(frame) + "\n";
    char line[96];
    for (const QuillPoint& p : fishSchoolPose(frame)) {
        std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
        text += line;
    }
    return text;
}

}

std::vector<QuillPoint> fishSchoolPose(int frame)
{
    const double angle = 2 * std::numbers::pi * frame / fishFrameCount;
    const std::array<QuillPoint, partCount> rest = restShape();
    std::vector<QuillPoint> table;
    for (const Fish& fish : school) {
        for (const QuillPoint& p : rest) {
            table.push_back(swimming(fish, p, angle));
        }
    }
    return table;
}

QuillMatrix fishSchoolPlacement()
{
    const double h = schoolHeading * std::numbers::pi / 180.0;
    return {std::cos(h), std::sin(h), 0, 0, -std::sin(h), std::cos(h), 0, 0, 0, 0, 1, 0,
            schoolPlace[0], schoolPlace[1], schoolPlace[2], 1};
}

QuillModel fishSchool()
{
    std::vector<QuillPolygon> faces;
    for (std::size_t i = 0; i < school.size(); ++i) {
        FishBuilder(school[i], static_cast<std::int32_t>(i) * partCount, faces).build();
    }
    QuillBranch body{.kind = QuillBranchKind::Polygons, .name = "fish", .polygons = std::move(faces)};
    // The frames are found for geometry that is the first child of the main object's root group.
    QuillBranch root{.name = "school"};
    root.children.push_back(std::move(body));
    QuillModel model;
    model.materials = {glass(amberMaterial, "amber", {1.0f, 0.6f, 0.2f}), glass(coralMaterial, "coral", {1.0f, 0.4f, 0.3f}),
                       glass(goldMaterial, "gold", {1.0f, 0.82f, 0.35f})};
    model.objects = {{.name = "school", .index = 0, .main = true, .sharedVertices = fishSchoolPose(0), .root = std::move(root)}};
    return model;
}

std::vector<WorldFile> fishFiles(std::string& error)
{
    std::string model = writeQuill(fishSchool(), error);
    if (model.empty()) {
        return {};
    }
    std::vector<WorldFile> files = {{fishModelFile, std::move(model)}};
    for (int frame = 0; frame < fishFrameCount; ++frame) {
        char name[16];
        std::snprintf(name, sizeof name, "frame%02d.obj", frame);
        files.push_back({std::string(fishFrameFolder) + name, frameText(frame)});
    }
    char control[48];
    std::snprintf(control, sizeof control, "cycleTime = %g\n", fishCycleSeconds);
    files.push_back({modelsControlFile, control});
    return files;
}

}
