#pragma once

#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "scene/geometry/TriangleList.h"
#include "scene/math/Vector3d.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace heron
{
class DataSource;
}

namespace finch
{
class Branch;
class GroupBranch;
}

namespace pelican
{

class PelicanDB;

// Reads one radiosity solution file (".lsb"): clusters of patches, each patch a tree of
// subdivisions whose leaves are triangles and quadrilaterals with a lit colour per vertex. The
// triangles become one triangle list per texture (and one untextured), centred on the origin and
// cut into geometry branches. Every fault throws heron::ReadError; readLsbFile catches it. One
// reader per file, used once; main thread (it makes scene objects).
class LsbReader
{
public:
    LsbReader(heron::DataSource& source, const heron::FilePath& path);

    // False when the two text lines that start every such file are not there.
    bool readHeaderLines();
    // The rest of the file after the header lines into a new database holding one object.
    heron::counted_ptr<PelicanDB> read();

private:
    struct Vertex
    {
        finch::Vector3d position;
        std::uint32_t colour = 0xFFFFFFFF;
        finch::TexCoord texCoord;
        // Given vertices, and derived ones once their position is worked out.
        bool computed = false;
    };
    // A patch node: a leaf's corner and midpoint numbers (0 for none), or an interior node's
    // children, whose corner k is its own corner k.
    struct Node
    {
        bool leaf = false;
        bool triangle = false;
        std::array<std::uint32_t, 4> corners{};
        std::array<std::uint32_t, 4> midpoints{};
        std::array<std::size_t, 4> children{};
    };
    struct Cluster
    {
        bool wide = false;
        bool textured = false;
        std::uint32_t texture = 0;
        std::int64_t rootCount = 0;
        std::int64_t nodeCount = 0;
        std::int64_t givenCount = 0;
        std::int64_t vertexCount = 0;
        std::vector<Vertex> vertices;
        std::vector<Node> nodes;
    };
    struct TextureRecord
    {
        heron_string name;
        finch::TriangleList triangles;
    };

    // The file header and its name lists; the number of clusters.
    std::uint32_t readFileHeader();
    // Logs each name as "<kind>: <name>"; keep adds it to the texture records.
    void readNames(std::uint32_t count, const char* kind, bool keep);
    void readPatchCluster();
    void readClusterHeader(Cluster& cluster);
    void readVertices(Cluster& cluster);
    std::int64_t readCount(const Cluster& cluster);
    std::uint32_t readNumber(const Cluster& cluster);
    std::size_t readPatch(Cluster& cluster, int depth);
    void readPatchLeaf(Cluster& cluster, Node& node);
    void deriveMidpoints(Cluster& cluster, std::size_t node);
    void emitTriangles(const Cluster& cluster, std::size_t node, finch::TriangleList& list) const;
    static std::vector<std::array<std::uint32_t, 3>> fanOf(const Node& node);
    void emitLeaf(const Cluster& cluster, const Node& node, finch::TriangleList& list) const;
    // The group of all geometry, moved so that the given vertices' box centres on the origin.
    std::unique_ptr<finch::Branch> buildRoot();
    void buildBranches(const finch::TriangleList& list, finch::GroupBranch& parent);
    void buildTexturedBranches(finch::GroupBranch& group, const finch::Vector3d& offset);
    heron::FilePath textureFile(const heron_string& name) const;
    std::uint64_t bytesLeft() const;

    heron::DataSource& m_source;
    heron::FilePath m_path;
    std::vector<TextureRecord> m_textures;
    finch::TriangleList m_untextured;
    finch::Vector3d m_low;
    finch::Vector3d m_high;
    double m_splitTime = 0.0;
};

}
