#include "content/models/LsbReader.h"

#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "content/DataFiles.h"
#include "content/models/PelicanDatabaseReader.h"
#include "content/world/PelicanDB.h"
#include "gui/widgets/ColorRGBA.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace pelican
{

namespace
{

using heron::ReadError;

constexpr const char* firstHeaderLine = "Lightscape Radiosity LSB Format";
constexpr const char* secondHeaderLine = "!";
// Cluster flags: counts and vertex numbers are 32-bit; given vertices carry texture coordinates.
constexpr std::uint16_t wideFlag = 1;
constexpr std::uint16_t texturedFlag = 2;
constexpr char interiorNode = 'i';
constexpr char leafNode = 'l';
// A list of this many triangles or more is halved before it becomes geometry, so that culling
// and drawing work on bounded pieces.
constexpr std::size_t splitTriangles = 5000;
// The start of the box of all given positions, on every axis.
constexpr double farAway = 1.0e35;
// Bytes of a derived vertex (a colour) and of a given one without and with texture coordinates.
constexpr std::uint64_t derivedBytes = 12;
constexpr std::uint64_t givenBytes = 24;
constexpr std::uint64_t texCoordBytes = 8;

const char* const clusterError = "File error in readPatchCluster()";
const char* const leafError = "File error in readPatchLeaf()";

// The bytes up to the next LF, which is dropped (a CR stays part of the line); false when the
// data ends first.
bool readLineFeedLine(heron::DataSource& source, heron_string& line)
{
    line.clear();
    for (int byte = source.readByte(); byte >= 0; byte = source.readByte()) {
        if (byte == '\n') {
            return true;
        }
        line.push_back(char(byte));
    }
    return false;
}

// Whether the next line is exactly expected; reads no further than one byte past its length.
bool lineIs(heron::DataSource& source, const char* expected)
{
    const std::size_t length = std::strlen(expected);
    for (std::size_t i = 0; i <= length; ++i) {
        const int byte = source.readByte();
        const int wanted = i < length ? static_cast<unsigned char>(expected[i]) : '\n';
        if (byte != wanted) {
            return false;
        }
    }
    return true;
}

float readFloat(heron::DataSource& source)
{
    std::uint32_t bits = 0;
    source.readUInt32(bits);
    return std::bit_cast<float>(bits);
}

// A channel that is not a number is dark: packing clamps only numbers into the byte range.
float readChannel(heron::DataSource& source)
{
    const float value = readFloat(source);
    return std::isnan(value) ? 0.0f : value;
}

std::uint32_t readColour(heron::DataSource& source)
{
    const float r = readChannel(source);
    const float g = readChannel(source);
    const float b = readChannel(source);
    return kestrel::ColorRGBA(r, g, b).toPacked();
}

void skipUInt32s(heron::DataSource& source, int count)
{
    std::uint32_t ignored = 0;
    for (int i = 0; i < count; ++i) {
        source.readUInt32(ignored);
    }
}

}

heron::counted_ptr<PelicanDB> readLsbFile(const heron::FilePath& path, heron_string* failure)
{
    DataFileName record(path, databasesCategory);
    const heron::counted_ptr<heron::DataSource> source = openDataFile(record);
    if (!source) {
        return {};
    }
    try {
        LsbReader reader(*source, path);
        if (!reader.readHeaderLines()) {
            return {};
        }
        return reader.read();
    } catch (const ReadError& error) {
        heron::debug("LSB read failed because: %s\n", error.what());
        if (failure != nullptr) {
            *failure = error.what();
        }
        return {};
    }
}

LsbReader::LsbReader(heron::DataSource& source, const heron::FilePath& path)
    : m_source(source), m_path(path), m_low(farAway, farAway, farAway), m_high(-farAway, -farAway, -farAway)
{
}

bool LsbReader::readHeaderLines()
{
    m_source.setBigEndian(true);
    return lineIs(m_source, firstHeaderLine) && lineIs(m_source, secondHeaderLine);
}

heron::counted_ptr<PelicanDB> LsbReader::read()
{
    const std::uint32_t clusters = readFileHeader();
    const double start = heron::getTime();
    for (std::uint32_t i = 0; i < clusters; ++i) {
        readPatchCluster();
    }
    std::unique_ptr<finch::Branch> root = buildRoot();
    heron::debug("splitTime = %f\n", m_splitTime);
    heron::debug("Load time = %f\n", heron::getTime() - start);
    heron::counted_ptr<PelicanDB> database(new PelicanDB);
    auto object = std::make_unique<finch::Object>();
    object->setRoot(root);
    database->addObject(object);
    return database;
}

std::uint32_t LsbReader::readFileHeader()
{
    std::uint16_t ignored = 0;
    m_source.readUInt16(ignored).readUInt16(ignored);
    std::uint32_t clusters = 0;
    m_source.readUInt32(clusters);
    skipUInt32s(m_source, 4);
    std::uint32_t materials = 0;
    std::uint32_t layers = 0;
    std::uint32_t textures = 0;
    m_source.readUInt32(materials).readUInt32(layers).readUInt32(textures);
    heron::requireGood(m_source, "File error in the header");
    if (textures > heron::limits::maxRadiosityTextureNames) {
        throw ReadError("Too many texture names");
    }
    readNames(materials, "Material", false);
    readNames(layers, "Layer", false);
    readNames(textures, "Texture", true);
    return clusters;
}

void LsbReader::readNames(std::uint32_t count, const char* kind, bool keep)
{
    heron_string name;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!readLineFeedLine(m_source, name)) {
            throw ReadError("File error in the name lists");
        }
        heron::debug("%s: %s\n", kind, name.c_str());
        if (keep) {
            m_textures.push_back({name, {}});
        }
    }
}

std::unique_ptr<finch::Branch> LsbReader::buildRoot()
{
    auto group = std::make_unique<finch::GroupBranch>();
    const finch::Vector3d offset = (m_low + m_high) * -0.5;
    if (m_untextured.size() != 0) {
        m_untextured.translate(offset);
        buildBranches(m_untextured, *group);
    }
    buildTexturedBranches(*group, offset);
    return group;
}

std::uint64_t LsbReader::bytesLeft() const
{
    return m_source.canSeek() ? m_source.remaining() : std::numeric_limits<std::uint64_t>::max();
}

void LsbReader::readPatchCluster()
{
    Cluster cluster;
    readClusterHeader(cluster);
    readVertices(cluster);
    std::vector<std::size_t> roots;
    for (std::int64_t i = 0, count = cluster.rootCount; i < count; ++i) {
        roots.push_back(readPatch(cluster, 0));
    }
    for (const std::size_t root : roots) {
        deriveMidpoints(cluster, root);
    }
    finch::TriangleList& list = cluster.texture == 0 ? m_untextured : m_textures[cluster.texture - 1].triangles;
    for (const std::size_t root : roots) {
        emitTriangles(cluster, root, list);
    }
}

std::int64_t LsbReader::readCount(const Cluster& cluster)
{
    // Wide counts are signed.
    const std::uint32_t count = readNumber(cluster);
    return cluster.wide ? std::int64_t(std::int32_t(count)) : std::int64_t(count);
}

std::uint32_t LsbReader::readNumber(const Cluster& cluster)
{
    if (cluster.wide) {
        std::uint32_t number = 0;
        m_source.readUInt32(number);
        return number;
    }
    std::uint16_t number = 0;
    m_source.readUInt16(number);
    return number;
}

void LsbReader::readClusterHeader(Cluster& cluster)
{
    std::uint16_t flags = 0;
    std::uint16_t ignored = 0;
    m_source.readUInt16(flags).readUInt16(ignored);
    skipUInt32s(m_source, 4);
    std::uint32_t material = 0;
    std::uint32_t layer = 0;
    m_source.readUInt32(material).readUInt32(layer).readUInt32(cluster.texture);
    cluster.wide = (flags & wideFlag) != 0;
    cluster.textured = (flags & texturedFlag) != 0;
    cluster.rootCount = readCount(cluster);
    cluster.nodeCount = readCount(cluster);
    cluster.givenCount = readCount(cluster);
    cluster.vertexCount = readCount(cluster);
    heron::requireGood(m_source, clusterError);
    if (cluster.texture > m_textures.size()) {
        throw ReadError("Bad texture number in readPatchCluster()");
    }
    const std::int64_t given = cluster.givenCount;
    const std::int64_t all = cluster.vertexCount;
    const bool counted = given >= 0 && given <= all && all <= heron::limits::maxRadiosityClusterItems &&
                         cluster.rootCount >= 0 && cluster.rootCount <= cluster.nodeCount &&
                         cluster.nodeCount <= heron::limits::maxRadiosityClusterItems;
    // The vertices, and at least the kind byte of every node, must be there.
    const std::uint64_t givenSize = givenBytes + (cluster.textured ? texCoordBytes : 0);
    if (!counted || std::uint64_t(all - given) * derivedBytes + std::uint64_t(given) * givenSize +
                            std::uint64_t(cluster.nodeCount) > bytesLeft()) {
        throw ReadError("Bad counts in readPatchCluster()");
    }
}

void LsbReader::readVertices(Cluster& cluster)
{
    const std::int64_t given = cluster.givenCount;
    const std::int64_t all = cluster.vertexCount;
    // Vertices are numbered from 1; 0 stands for none.
    cluster.vertices.emplace_back();
    for (std::int64_t i = given; i < all; ++i) {
        Vertex vertex;
        vertex.colour = readColour(m_source);
        cluster.vertices.push_back(vertex);
    }
    for (std::int64_t i = 0; i < given; ++i) {
        Vertex vertex;
        vertex.position.x = readFloat(m_source);
        vertex.position.y = readFloat(m_source);
        vertex.position.z = readFloat(m_source);
        vertex.colour = readColour(m_source);
        if (cluster.textured) {
            vertex.texCoord.s = readFloat(m_source);
            vertex.texCoord.t = readFloat(m_source);
        }
        vertex.computed = true;
        for (int axis = 0; axis < 3; ++axis) {
            m_low[axis] = std::min(m_low[axis], vertex.position[axis]);
            m_high[axis] = std::max(m_high[axis], vertex.position[axis]);
        }
        cluster.vertices.push_back(vertex);
    }
    heron::requireGood(m_source, clusterError);
}

std::size_t LsbReader::readPatch(Cluster& cluster, int depth)
{
    if (depth >= heron::limits::maxRadiosityPatchDepth) {
        throw ReadError("Patch tree too deep");
    }
    if (std::int64_t(cluster.nodes.size()) >= cluster.nodeCount) {
        throw ReadError("More patch nodes than the cluster holds");
    }
    const std::size_t index = cluster.nodes.size();
    cluster.nodes.emplace_back();
    char kind = 0;
    m_source.readByte(kind);
    heron::requireGood(m_source, leafError);
    if (kind == leafNode) {
        readPatchLeaf(cluster, cluster.nodes[index]);
        return index;
    }
    if (kind != interiorNode) {
        throw ReadError("Bad patch node");
    }
    std::array<std::size_t, 4> children{};
    for (std::size_t& child : children) {
        child = readPatch(cluster, depth + 1);
    }
    Node& node = cluster.nodes[index];
    node.children = children;
    node.triangle = cluster.nodes[children[0]].triangle;
    for (std::size_t k = 0; k < (node.triangle ? 3 : 4); ++k) {
        node.corners[k] = cluster.nodes[children[k]].corners[k];
    }
    return index;
}

void LsbReader::readPatchLeaf(Cluster& cluster, Node& node)
{
    node.leaf = true;
    for (std::uint32_t& corner : node.corners) {
        corner = readNumber(cluster);
    }
    for (std::uint32_t& midpoint : node.midpoints) {
        midpoint = readNumber(cluster);
    }
    heron::requireGood(m_source, leafError);
    node.triangle = node.corners[3] == 0;
    const std::size_t count = cluster.vertices.size();
    const auto inRange = [count](std::uint32_t number) { return number < count; };
    const bool cornersSet = std::count(node.corners.begin(), node.corners.begin() + 3, 0u) == 0;
    if (!cornersSet || !std::all_of(node.corners.begin(), node.corners.end(), inRange) ||
        !std::all_of(node.midpoints.begin(), node.midpoints.end(), inRange)) {
        throw ReadError("Bad vertex number in readPatchLeaf()");
    }
}

void LsbReader::deriveMidpoints(Cluster& cluster, std::size_t index)
{
    const Node node = cluster.nodes[index];
    if (node.leaf) {
        return;
    }
    std::vector<Vertex>& vertices = cluster.vertices;
    // Vertex 0 stands for none and is never written.
    const auto average = [&vertices](std::uint32_t target, std::uint32_t a, std::uint32_t b) {
        if (target == 0) {
            return;
        }
        Vertex& vertex = vertices[target];
        vertex.position = (vertices[a].position + vertices[b].position) * 0.5;
        vertex.texCoord.s = (vertices[a].texCoord.s + vertices[b].texCoord.s) * 0.5f;
        vertex.texCoord.t = (vertices[a].texCoord.t + vertices[b].texCoord.t) * 0.5f;
        vertex.computed = true;
    };
    const std::size_t sides = node.triangle ? 3 : 4;
    for (std::size_t k = 0; k < sides; ++k) {
        const std::size_t next = (k + 1) % sides;
        const std::uint32_t midpoint = cluster.nodes[node.children[k]].corners[next];
        if (!vertices[midpoint].computed) {
            average(midpoint, node.corners[k], node.corners[next]);
        }
    }
    if (!node.triangle) {
        const std::uint32_t centre = cluster.nodes[node.children[2]].corners[0];
        average(centre, cluster.nodes[node.children[0]].corners[1], cluster.nodes[node.children[2]].corners[3]);
    }
    for (const std::size_t child : node.children) {
        deriveMidpoints(cluster, child);
    }
}

void LsbReader::emitTriangles(const Cluster& cluster, std::size_t index, finch::TriangleList& list) const
{
    const Node& node = cluster.nodes[index];
    if (node.leaf) {
        emitLeaf(cluster, node, list);
        return;
    }
    for (const std::size_t child : node.children) {
        emitTriangles(cluster, child, list);
    }
}

namespace
{

// A corner or a midpoint of a leaf, numbered round the leaf from the edge where a case starts.
struct Slot
{
    bool midpoint;
    int offset;
};
constexpr Slot c0{false, 0}, c1{false, 1}, c2{false, 2}, c3{false, 3};
constexpr Slot m0{true, 0}, m1{true, 1}, m2{true, 2}, m3{true, 3};

// The triangles of a leaf of sides corners whose midpoints present are count edges spaced step
// apart from some edge k (the slots count from k).
struct FanCase
{
    int sides;
    int count;
    int step;
    std::vector<std::array<Slot, 3>> triangles;
};

const std::vector<FanCase>& fanCases()
{
    static const std::vector<FanCase> cases = {
        {3, 0, 1, {{c0, c1, c2}}},
        {3, 1, 1, {{c0, m0, c2}, {m0, c1, c2}}},
        {3, 2, 1, {{c0, m0, m1}, {m0, c1, m1}, {m1, c2, c0}}},
        {3, 3, 1, {{c0, m0, m2}, {m0, c1, m1}, {m1, c2, m2}, {m0, m1, m2}}},
        {4, 0, 1, {{c0, c1, c3}, {c1, c2, c3}}},
        {4, 1, 1, {{c0, m0, c3}, {m0, c1, c2}, {c2, c3, m0}}},
        {4, 2, 1, {{c0, m0, c3}, {m0, c1, m1}, {m1, c2, c3}, {m0, m1, c3}}},
        {4, 2, 2, {{c0, m2, c3}, {c0, m0, m2}, {m0, c2, m2}, {m0, c1, c2}}},
        {4, 3, 1, {{c0, m2, c3}, {c0, m0, m2}, {m0, m1, m2}, {m0, c1, m1}, {m1, c2, m2}}},
        {4, 4, 1, {{c0, m0, m3}, {m3, m0, m2}, {c3, m3, m2}, {m0, c1, m1}, {m0, m1, m2}, {m1, c2, m2}}},
    };
    return cases;
}

// The first edge k from which count midpoints spaced step apart are present; -1 when none.
int firstRun(const std::array<std::uint32_t, 4>& midpoints, int sides, int count, int step)
{
    for (int k = 0; k < sides; ++k) {
        bool run = true;
        for (int i = 0; i < count; ++i) {
            run = run && midpoints[std::size_t((k + i * step) % sides)] != 0;
        }
        if (run) {
            return k;
        }
    }
    return -1;
}

}

// The vertex numbers of the leaf's triangles.
std::vector<std::array<std::uint32_t, 3>> LsbReader::fanOf(const Node& node)
{
    const int sides = node.triangle ? 3 : 4;
    const int present = int(std::count_if(node.midpoints.begin(), node.midpoints.begin() + sides,
                                          [](std::uint32_t midpoint) { return midpoint != 0; }));
    std::vector<std::array<std::uint32_t, 3>> triangles;
    for (const FanCase& fan : fanCases()) {
        const int k = fan.sides == sides && fan.count == present ? firstRun(node.midpoints, sides, fan.count, fan.step) : -1;
        if (k < 0) {
            continue;
        }
        for (const std::array<Slot, 3>& slots : fan.triangles) {
            std::array<std::uint32_t, 3>& numbers = triangles.emplace_back();
            for (std::size_t i = 0; i < 3; ++i) {
                const std::size_t at = std::size_t((k + slots[i].offset) % sides);
                numbers[i] = slots[i].midpoint ? node.midpoints[at] : node.corners[at];
            }
        }
        break;
    }
    return triangles;
}

void LsbReader::emitLeaf(const Cluster& cluster, const Node& node, finch::TriangleList& list) const
{
    for (const std::array<std::uint32_t, 3>& numbers : fanOf(node)) {
        finch::Triangle triangle;
        for (std::size_t i = 0; i < 3; ++i) {
            const Vertex& vertex = cluster.vertices[numbers[i]];
            triangle[i].position = finch::Vector3f(vertex.position);
            triangle[i].colour = vertex.colour;
            triangle[i].texCoords[0] = vertex.texCoord;
        }
        list.add(triangle);
    }
}

void LsbReader::buildBranches(const finch::TriangleList& list, finch::GroupBranch& parent)
{
    if (list.size() < splitTriangles) {
        auto geometry = std::make_unique<finch::GeometryBranch>();
        geometry->addTriangles(list);
        std::unique_ptr<finch::Branch> holder = std::move(geometry);
        parent.addChild(holder);
        return;
    }
    finch::TriangleList halves[2];
    const double start = heron::getTime();
    list.splitLongestAxis(halves[0], halves[1]);
    m_splitTime += heron::getTime() - start;
    for (const finch::TriangleList& half : halves) {
        auto group = std::make_unique<finch::GroupBranch>();
        buildBranches(half, *group);
        std::unique_ptr<finch::Branch> holder = std::move(group);
        parent.addChild(holder);
    }
}

void LsbReader::buildTexturedBranches(finch::GroupBranch& group, const finch::Vector3d& offset)
{
    for (TextureRecord& record : m_textures) {
        if (record.triangles.size() == 0) {
            continue;
        }
        heron::counted_ptr<finch::Texture> texture(new finch::Texture);
        texture->setFile(textureFile(record.name));
        heron::counted_ptr<finch::Material> material(new finch::Material(finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f}));
        material->setTexture(0, texture);
        finch::Surface surface;
        surface.setMaterial(material);
        record.triangles.setSurface(surface);
        record.triangles.translate(offset);
        buildBranches(record.triangles, group);
    }
}

heron::FilePath LsbReader::textureFile(const heron_string& name) const
{
    heron::FilePath file = m_path;
    file.setName(name.c_str());
    DataFileName beside(file, texturesCategory);
    if (!resolveDataFile(beside).empty()) {
        return file;
    }
    file.intoSubdirectory("textures");
    DataFileName inFolder(file, texturesCategory);
    if (!resolveDataFile(inFolder).empty()) {
        return file;
    }
    file.setExtension(".jpg");
    return file;
}

}
