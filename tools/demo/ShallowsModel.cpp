#include "tools/demo/ShallowsModel.h"

#include "gui/paint/Image.h"
#include "tools/demo/ImageWriters.h"
#include "tools/demo/QuillShapes.h"
#include "tools/demo/ReefFish.h"
#include "tools/demo/ShallowsGliders.h"
#include "tools/demo/ShallowsPickups.h"
#include "tools/demo/ShallowsProps.h"

#include <algorithm>
#include <iterator>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace demo
{

namespace
{

// Table indexes of the level's materials and textures.
enum Material : std::int32_t
{
    sandMaterial,
    waterMaterial,
    towerMaterial,
    lampMaterial,
    goldMaterial,
    stoneMaterial,
    pebbleMaterial,
    // One for each glider, in their order.
    firstGliderMaterial,
};

enum Texture : std::int32_t
{
    sandTexture,
    glassTexture,
    towerTexture,
};

// Object indexes instance branches show.
enum ObjectIndex : std::int32_t
{
    shallowsIndex,
    beaconIndex,
    ringIndex,
    postIndex,
    rockIndex,
    // One for each glider, in their order.
    firstGliderIndex,
};

// After the gliders.
constexpr auto fishIndex = static_cast<ObjectIndex>(firstGliderIndex + static_cast<std::int32_t>(gliders.size()));
constexpr auto pebbleIndex = static_cast<ObjectIndex>(fishIndex + 1);

// The seabed and the water are grids whose lines lie 10 apart over the islands and further apart
// outward, to beyond every far clip of the world, so that no zone shows the edge of the sea. Small
// cells keep the per-vertex lighting and fog true near the player.
constexpr double islandsHalfSide = 120.0;
constexpr double islandsCell = 10.0;
constexpr std::array<double, 14> outerLines = {135, 155, 180, 210, 250, 300, 360, 430, 520, 620, 740, 880, 1040, 1200};
constexpr double waterCell = 60.0;
constexpr double seabedDepth = -4.0;
constexpr double towerRadius = 2.5;
constexpr double towerHeight = 14.0;
constexpr double lampHeight = 15.0;
constexpr double lampReach = 9.0;
// Degrees a second the lamp turns.
constexpr double lampTurnRate = 60.0;
// A ring hangs this high over the ground, the water or the tower beneath it: the lowest of its band
// is more than a player's height (a ball of radius 2) above them, so that a player flying low
// passes beneath it.
constexpr double ringClearance = 7.0;

struct Island
{
    double x;
    double y;
    double radius;
    double height;
};

// The lighthouse stands on the first.
constexpr std::array<Island, 3> islands = {{
    {30.0, 20.0, 16.0, 9.0},
    {-40.0, -30.0, 22.0, 7.0},
    {-10.0, 55.0, 12.0, 5.5},
}};

double seabedHeight(double x, double y)
{
    double height = seabedDepth;
    for (const Island& island : islands) {
        const double dx = (x - island.x) / island.radius;
        const double dy = (y - island.y) / island.radius;
        height += island.height * std::exp(-(dx * dx + dy * dy));
    }
    return height;
}

std::array<float, 3> seabedNormal(double x, double y)
{
    constexpr double step = 0.5;
    const double dx = (seabedHeight(x + step, y) - seabedHeight(x - step, y)) / (2 * step);
    const double dy = (seabedHeight(x, y + step) - seabedHeight(x, y - step)) / (2 * step);
    const double length = std::sqrt(dx * dx + dy * dy + 1.0);
    return {static_cast<float>(-dx / length), static_cast<float>(-dy / length), static_cast<float>(1.0 / length)};
}

QuillColourWord packColour(double r, double g, double b, double a = 1.0)
{
    const auto channel = [](double v) { return static_cast<QuillColourWord>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    return channel(r) | channel(g) << 8 | channel(b) << 16 | channel(a) << 24;
}

// Wet sand in the deep, pale glass where the islands break the surface.
QuillColourWord seabedColour(double height)
{
    const double t = std::clamp((height - seabedDepth) / 10.0, 0.0, 1.0);
    return packColour(0.55 + 0.35 * t, 0.48 + 0.42 * t, 0.36 + 0.58 * t);
}

QuillMatrix translation(double x, double y, double z)
{
    QuillMatrix m = identityMatrix;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

QuillBranch polygons(const std::string& name, std::vector<QuillPolygon> list)
{
    QuillBranch branch;
    branch.kind = QuillBranchKind::Polygons;
    branch.name = name;
    branch.polygons = std::move(list);
    return branch;
}

// The grid lines of one axis: the outer lines on both sides around the inner ones, cell apart.
std::vector<double> gridLines(double cell)
{
    std::vector<double> lines;
    for (auto outer = outerLines.rbegin(); outer != outerLines.rend(); ++outer) {
        lines.push_back(-*outer);
    }
    for (double x = -islandsHalfSide; x <= islandsHalfSide; x += cell) {
        lines.push_back(x);
    }
    for (const double outer : outerLines) {
        lines.push_back(outer);
    }
    return lines;
}

// One quad for each cell of the grid, counter-clockwise seen from above; vertex(i, j) makes the
// corner on line i of x and line j of y.
template <class Vertex>
std::vector<QuillPolygon> gridQuads(std::size_t lines, const QuillPolygon& kind, const Vertex& vertex)
{
    std::vector<QuillPolygon> quads;
    for (std::size_t j = 0; j + 1 < lines; ++j) {
        for (std::size_t i = 0; i + 1 < lines; ++i) {
            QuillPolygon quad = kind;
            quad.vertices = {vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1), vertex(i, j + 1)};
            quads.push_back(std::move(quad));
        }
    }
    return quads;
}

QuillBranch seabed(std::vector<QuillPoint>& table)
{
    const std::vector<double> lines = gridLines(islandsCell);
    const std::size_t side = lines.size();
    for (const double y : lines) {
        for (const double x : lines) {
            table.push_back({x, y, seabedHeight(x, y)});
        }
    }
    const auto corner = [&](std::size_t i, std::size_t j) {
        const std::size_t index = j * side + i;
        const QuillPoint& p = table[index];
        QuillVertex v;
        v.shared = static_cast<std::int32_t>(index);
        v.texCoord = {static_cast<float>(p[0] / 16.0), static_cast<float>(p[1] / 16.0)};
        v.normal = seabedNormal(p[0], p[1]);
        v.colour = seabedColour(p[2]);
        return v;
    };
    return polygons("seabed", gridQuads(side, QuillPolygon{.material = sandMaterial, .texture = sandTexture}, corner));
}

// A translucent sheet at height 0, above the seabed everywhere but on the islands.
QuillBranch water()
{
    const std::vector<double> lines = gridLines(waterCell);
    const auto corner = [&](std::size_t i, std::size_t j) {
        const double x = lines[i];
        const double y = lines[j];
        return flatVertex(x, y, 0.0, static_cast<float>(x / 20.0), static_cast<float>(y / 20.0), {0, 0, 1});
    };
    const QuillPolygon kind{.material = waterMaterial, .texture = glassTexture, .smooth = false};
    return polygons("water", gridQuads(lines.size(), kind, corner));
}

// The level's special effects: the water and the sand seen through it shimmer, slowly drifting,
// and the lamp's beams glow.
constexpr const char* shimmerSpecial = "texturewobble=0.5,0.02,0,0.01,0.005";
constexpr const char* beamGlowSpecial = "glow";

void addShimmer(QuillBranch& root)
{
    root.special = shimmerSpecial;
}

void addBeamGlow(QuillBranch& lamp)
{
    lamp.special = beamGlowSpecial;
}

QuillBranch instanceOf(const std::string& name, ObjectIndex shows, const QuillMatrix& placement)
{
    QuillBranch branch;
    branch.kind = QuillBranchKind::Instance;
    branch.name = name;
    branch.shows = shows;
    branch.placement = placement;
    return branch;
}

// The props' places: the post on the shore island, the rock at the foot of the lighthouse island.
constexpr double postX = -36.0;
constexpr double postY = -27.0;
// The post stands this deep in the sand until the player reaches the shore; then the shore's act
// raises it out of the sand at this speed (units a second), in two seconds.
constexpr double postSunk = 3.0;
constexpr double postRiseSpeed = 1.5;
constexpr double rockX = 38.0;
constexpr double rockY = 12.0;

// Where the pebbles lie around the rock.
constexpr std::array<std::array<double, 2>, 5> pebbleOffsets = {{{3.0, 1.0}, {-2.5, 2.0}, {1.0, -3.0}, {-3.0, -1.5}, {2.5, 2.8}}};

QuillBranch placedOnGround(const std::string& name, ObjectIndex shows, double x, double y)
{
    return instanceOf(name, shows, translation(x, y, seabedHeight(x, y)));
}

void placeProps(QuillBranch& placed)
{
    placed.children.push_back(placedOnGround("post", postIndex, postX, postY));
    placed.children.push_back(placedOnGround("rock", rockIndex, rockX, rockY));
    for (const auto& [dx, dy] : pebbleOffsets) {
        placed.children.push_back(placedOnGround("pebble", pebbleIndex, rockX + dx, rockY + dy));
    }
}

// The five rings: above the lighthouse's lamp, so that the player flies through it there, and
// over the shore, the small island, the way to the tide gate and the open water. Each is the
// record of a ring zone (its name starts "RING-Zone."), so that a ring passed on to another player
// comes back to its place.
void placeRings(QuillBranch& placed)
{
    const double islandTop = seabedHeight(islands[0].x, islands[0].y);
    placed.children.push_back(
        instanceOf("RING-Zone.lighthouse", ringIndex, translation(islands[0].x, islands[0].y, islandTop + towerHeight + ringClearance)));
    struct Place
    {
        const char* name;
        double x;
        double y;
    };
    constexpr std::array<Place, 4> places = {{
        {"RING-Zone.shore", -40.0, -12.0},
        {"RING-Zone.isle", -10.0, 55.0},
        {"RING-Zone.gate", 85.0, 65.0},
        {"RING-Zone.sea", -45.0, -100.0},
    }};
    for (const Place& place : places) {
        const double below = std::max(seabedHeight(place.x, place.y), 0.0);
        placed.children.push_back(instanceOf(place.name, ringIndex, translation(place.x, place.y, below + ringClearance)));
    }
}

void placeGliders(QuillBranch& placed)
{
    for (std::size_t i = 0; i < gliders.size(); ++i) {
        const QuillPoint& home = gliders[i].home;
        const auto shows = static_cast<ObjectIndex>(firstGliderIndex + static_cast<std::int32_t>(i));
        placed.children.push_back(instanceOf(gliders[i].placement, shows, translation(home[0], home[1], home[2])));
    }
}

// Numbers the branch and those below it in the order the model reader walks them, so that an
// engine may connect to any of them.
void numberBranches(QuillBranch& branch, std::int32_t& next)
{
    branch.index = next++;
    for (QuillBranch& child : branch.children) {
        numberBranches(child, next);
    }
}

// The post's rise: a clock running at the rising speed hands the distance on to a straight path
// from where the post stands sunk up to where it stands on the sand. The shore's act holds the clock
// and moves the post along the path; its end ends the act.
QuillEngine postRise(std::int32_t postBranch)
{
    const double ground = seabedHeight(postX, postY);
    const auto at = [&](double risen) { return QuillPoint{postX, postY, ground - postSunk + risen}; };
    QuillEngine path{.kind = QuillEngineKind::Spline, .target = postBranch};
    path.path = {{at(0.0), at(postSunk / 3.0), at(postSunk * 2.0 / 3.0), at(postSunk)}};
    QuillEngine clock{.kind = QuillEngineKind::Linear};
    clock.p[1] = postRiseSpeed;
    clock.children.push_back(std::move(path));
    return clock;
}

const QuillBranch* childNamed(const QuillBranch& parent, const std::string& name)
{
    const auto found = std::find_if(parent.children.begin(), parent.children.end(),
                                    [&](const QuillBranch& child) { return child.name == name; });
    return found != parent.children.end() ? &*found : nullptr;
}

// The number of the post's placement among the numbered branches of the level's tree; -1 (which
// connects nothing) without one.
std::int32_t postBranchIndex(const QuillBranch& root)
{
    const QuillBranch* const placed = childNamed(root, "objects");
    const QuillBranch* const post = placed != nullptr ? childNamed(*placed, "post") : nullptr;
    return post != nullptr ? post->index.value_or(-1) : -1;
}

std::vector<QuillObject> propReferences()
{
    return {{.name = "Post", .index = postIndex, .externalReference = postReference},
            {.name = "Rock", .index = rockIndex, .externalReference = rockReference}};
}

QuillObject shallowsObject()
{
    QuillObject object{.name = "Shallows", .index = shallowsIndex, .main = true};
    QuillBranch placed;
    placed.name = "objects";
    placed.children.push_back(placedOnGround("beacon", beaconIndex, islands[0].x, islands[0].y));
    placeRings(placed);
    placeProps(placed);
    placeGliders(placed);
    placed.children.push_back(instanceOf("fish", fishIndex, fishSchoolPlacement()));
    QuillBranch root;
    root.name = "Shallows";
    root.children.push_back(seabed(object.sharedVertices));
    root.children.push_back(water());
    root.children.push_back(std::move(placed));
    // The shape of the rings the player holds, which the game draws in a corner of the screen: the
    // ring itself, shown by a branch of this name that leaves the scene when the model is prepared.
    root.children.push_back(instanceOf("ring counter", ringIndex, identityMatrix));
    addShimmer(root);
    std::int32_t next = 0;
    numberBranches(root, next);
    object.engines = postRise(postBranchIndex(root));
    object.root = std::move(root);
    return object;
}

// An upright octagonal glass tower with a cap.
QuillBranch tower()
{
    constexpr int sides = 8;
    std::vector<QuillPolygon> faces;
    QuillPolygon cap{.material = towerMaterial, .texture = glassTexture, .smooth = false};
    for (int i = 0; i < sides; ++i) {
        const double a0 = 2 * std::numbers::pi * i / sides;
        const double a1 = 2 * std::numbers::pi * (i + 1) / sides;
        const double mid = (a0 + a1) / 2;
        const std::array<float, 3> out = {static_cast<float>(std::cos(mid)), static_cast<float>(std::sin(mid)), 0.0f};
        const double x0 = towerRadius * std::cos(a0);
        const double y0 = towerRadius * std::sin(a0);
        const double x1 = towerRadius * std::cos(a1);
        const double y1 = towerRadius * std::sin(a1);
        const float u0 = static_cast<float>(i) / sides;
        const float u1 = static_cast<float>(i + 1) / sides;
        QuillPolygon face{.material = towerMaterial, .texture = towerTexture, .smooth = false};
        face.vertices = {flatVertex(x0, y0, 0.0, u0, 0.0f, out), flatVertex(x1, y1, 0.0, u1, 0.0f, out),
                         flatVertex(x1, y1, towerHeight, u1, 1.0f, out), flatVertex(x0, y0, towerHeight, u0, 1.0f, out)};
        faces.push_back(std::move(face));
        cap.vertices.push_back(flatVertex(x0, y0, towerHeight, 0.5f + 0.5f * std::cos(a0), 0.5f + 0.5f * std::sin(a0), {0, 0, 1}));
    }
    faces.push_back(std::move(cap));
    return polygons("tower", std::move(faces));
}

// Two crossed blades of warm light, unlit, that the lamp's engine turns.
QuillBranch lampBeams()
{
    const QuillColourWord glow = packColour(1.0, 0.85, 0.45);
    std::vector<QuillPolygon> blades;
    for (int blade = 0; blade < 2; ++blade) {
        const double cx = blade == 0 ? lampReach : 0.0;
        const double cy = blade == 0 ? 0.0 : lampReach;
        const std::array<float, 3> normal = {static_cast<float>(cy / lampReach), static_cast<float>(-cx / lampReach), 0.0f};
        QuillPolygon face{.material = lampMaterial, .colour = glow, .smooth = false, .lit = false};
        face.vertices = {flatVertex(-cx, -cy, lampHeight - 0.6, 0, 0, normal), flatVertex(cx, cy, lampHeight - 0.6, 1, 0, normal),
                         flatVertex(cx, cy, lampHeight + 0.6, 1, 1, normal), flatVertex(-cx, -cy, lampHeight + 0.6, 0, 1, normal)};
        for (QuillVertex& v : face.vertices) {
            v.colour = glow;
        }
        blades.push_back(std::move(face));
    }
    return polygons("beams", std::move(blades));
}

// Branch numbers of the beacon, every one numbered so that an engine finds the lamp.
enum BeaconBranch : std::int32_t
{
    beaconRoot,
    towerBranch,
    lampBranch,
    beamsBranch,
};

QuillObject beaconObject()
{
    QuillObject object{.name = "Beacon", .index = beaconIndex};
    QuillBranch lamp;
    lamp.kind = QuillBranchKind::Joint;
    lamp.name = "lamp";
    lamp.index = lampBranch;
    lamp.pivot = translation(0.0, 0.0, lampHeight);
    lamp.children.push_back(lampBeams());
    lamp.children.back().index = beamsBranch;
    addBeamGlow(lamp);
    QuillBranch root;
    root.name = "beacon";
    root.index = beaconRoot;
    root.children.push_back(tower());
    root.children.back().index = towerBranch;
    root.children.push_back(std::move(lamp));
    object.root = std::move(root);
    // A clock that runs at the turn rate, handed to the lamp as its heading.
    QuillEngine turn{.kind = QuillEngineKind::Output, .target = lampBranch};
    turn.axes[3] = true;
    QuillEngine clock{.kind = QuillEngineKind::Linear};
    clock.p[1] = lampTurnRate;
    clock.children.push_back(turn);
    object.engines = std::move(clock);
    return object;
}

QuillMaterial material(std::int32_t index, const std::string& name, QuillColour diffuse)
{
    return {.index = index, .name = name, .ambient = {diffuse.r * 0.4f, diffuse.g * 0.4f, diffuse.b * 0.4f}, .diffuse = diffuse};
}

// Grains of sand in sixteen shades, so that the GIF's table holds them exactly.
kestrel::Image sandImage()
{
    constexpr int side = 64;
    kestrel::Image image(side, side);
    std::uint32_t seed = 12345;
    for (int i = 0; i < side * side; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const std::uint32_t shade = (seed >> 28) & 0xF;
        const std::uint32_t r = 0xC8 + shade * 2;
        const std::uint32_t g = 0xB0 + shade * 2;
        const std::uint32_t b = 0x80 + shade * 2;
        *image.pixelAtIndex(i) = 0xFF000000 | r << 16 | g << 8 | b;
    }
    return image;
}

// Pale blue-green glass with soft ripples, half see-through.
kestrel::Image glassImage()
{
    constexpr int side = 64;
    kestrel::Image image(side, side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double ripple = 0.5 + 0.25 * std::sin(x * 0.39) + 0.25 * std::sin((x + y) * 0.21);
            const auto r = static_cast<std::uint32_t>(150 + 60 * ripple);
            const auto g = static_cast<std::uint32_t>(200 + 50 * ripple);
            const auto b = static_cast<std::uint32_t>(210 + 45 * ripple);
            const auto a = static_cast<std::uint32_t>(140 + 80 * ripple);
            *image.pixelAt(x, y) = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return image;
}

std::string asString(const Bytes& bytes)
{
    return {bytes.begin(), bytes.end()};
}

}

QuillModel shallowsModel()
{
    QuillModel model;
    model.materials = {
        material(sandMaterial, "sand", {0.85f, 0.78f, 0.6f}),
        {.index = waterMaterial, .name = "water", .ambient = {0.1f, 0.2f, 0.3f}, .diffuse = {0.3f, 0.55f, 0.75f},
         .specular = {0.8f, 0.8f, 0.9f}, .shininess = 64.0f, .opacity = 0.45f},
        {.index = towerMaterial, .name = "glass", .ambient = {0.3f, 0.35f, 0.4f}, .diffuse = {0.75f, 0.9f, 0.95f},
         .specular = {1.0f, 1.0f, 1.0f}, .shininess = 96.0f, .opacity = 0.8f},
        {.index = lampMaterial, .name = "lamp", .diffuse = {1.0f, 0.85f, 0.45f}, .emission = {1.0f, 0.85f, 0.45f}},
        ringGold(goldMaterial),
        ringStone(stoneMaterial),
        pebbleGrey(pebbleMaterial),
    };
    model.textures = {
        {.index = sandTexture, .file = "sand.gif"},
        {.index = glassTexture, .file = "glass.sgi", .translucent = true},
        {.index = towerTexture, .file = "tower.jpg"},
    };
    model.objects = {shallowsObject(), beaconObject(), ringObject(ringIndex, goldMaterial, stoneMaterial)};
    for (QuillObject& prop : propReferences()) {
        model.objects.push_back(std::move(prop));
    }
    for (std::size_t i = 0; i < gliders.size(); ++i) {
        const auto offset = static_cast<std::int32_t>(i);
        model.materials.push_back(gliderMaterial(gliders[i], firstGliderMaterial + offset));
        model.objects.push_back(gliderObject(gliders[i], firstGliderIndex + offset, firstGliderMaterial + offset));
    }
    model.objects.push_back({.name = "Fish", .index = fishIndex, .externalReference = fishReference});
    model.objects.push_back(pebbleObject(pebbleIndex, pebbleMaterial));
    return model;
}

std::vector<WorldFile> shallowsFiles(std::string& error)
{
    std::string shallows = writeQuill(shallowsModel(), error);
    const std::optional<Bytes> sand = writeGif(sandImage());
    // The tower's walls: the glass picture as a JPEG, which keeps no alpha.
    const Bytes tower = writeJpeg(glassImage());
    if (shallows.empty()) {
        return {};
    }
    if (!sand) {
        error = "the sand texture does not fit a GIF";
        return {};
    }
    if (tower.empty()) {
        error = "the tower texture could not be written as JPEG";
        return {};
    }
    std::vector<WorldFile> props = propFiles(error);
    if (props.empty()) {
        return {};
    }
    std::vector<WorldFile> fish = fishFiles(error);
    if (fish.empty()) {
        return {};
    }
    std::vector<WorldFile> files = {
        {shallowsModelFile, std::move(shallows)},
        {"textures/sand.gif", asString(*sand)},
        {"textures/glass.sgi", asString(writeSgi(glassImage()))},
        {"textures/tower.jpg", asString(tower)},
    };
    std::move(props.begin(), props.end(), std::back_inserter(files));
    std::move(fish.begin(), fish.end(), std::back_inserter(files));
    return files;
}

}
