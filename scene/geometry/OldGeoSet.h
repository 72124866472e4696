#pragma once

#include "base/Streamable.h"
#include "base/counted_ptr.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

#include <cstdint>
#include <vector>

namespace finch
{

class GeometryBranch;

// One bunch of an older geometry set: its surface and its runs of the set's arrays.
struct OldGeoGroup
{
    // Flag bits.
    static constexpr std::int32_t lit = 1 << 0;
    static constexpr std::int32_t blend = 1 << 1;
    static constexpr std::int32_t takesMaterial = 1 << 2;
    static constexpr std::int32_t texture0 = 1 << 3;
    static constexpr std::int32_t texture1 = 1 << 4;
    static constexpr std::int32_t normals = 1 << 5;
    static constexpr std::int32_t colours = 1 << 6;
    static constexpr std::int32_t texCoords0 = 1 << 8;
    static constexpr std::int32_t texCoords1 = 1 << 9;
    static constexpr std::int32_t flat = 1 << 10;
    static constexpr std::int32_t sphereMap = 1 << 11;
    static constexpr std::int32_t noCulling = 1 << 12;

    std::uint32_t kind = 0;
    heron::counted_ptr<Material> material;
    heron::counted_ptr<Texture> textures[2];
    std::int32_t flags = 0;
    std::int32_t stripCount = 0;
    std::int32_t vertexCount = 0;
    std::int32_t firstVertex = 0;
};

// The arrays of an older geometry set, shared by its groups.
struct OldGeoArrays
{
    std::vector<std::uint32_t> indices;
    std::vector<Vector3f> positions;
    // Packed colours, bytes R, G, B, A in memory order.
    std::vector<std::uint32_t> colors;
    std::vector<Vector3f> normals;
    std::vector<TexCoord> texCoords[2];
    std::vector<std::int32_t> stripLengths;
    std::vector<AnimationFrame> frames;
};

// The older stored form of a branch's geometry ("duskharbor::finch::GeoSet"): arrays shared by
// groups, each group becoming one bunch of the branch once the stream is loaded. Only read: it
// writes an empty block, so that a stream holding one still reads back. Main thread only.
class OldGeoSet : public heron::Streamable
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::GeoSet";
    [[nodiscard]] static heron::Streamable* create();

    const char* className() const override { return classIdentifier; }
    // A group record beyond the announced count throws heron::ReadError "Bad geoset".
    void read(heron::DataSource& source) override;
    // Converts the groups into bunches of the branch.
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;

    const OldGeoArrays& arrays() const { return m_arrays; }
    const std::vector<OldGeoGroup>& groups() const { return m_groups; }

private:
    void readGroupCount(heron::DataSource& source);
    void readGroup(heron::DataSource& source);

    GeometryBranch* m_branch = nullptr;
    OldGeoArrays m_arrays;
    std::vector<OldGeoGroup> m_groups;
    std::size_t m_nextGroup = 0;
    bool m_groupsSized = false;
};

// Adds one bunch per group to the branch, group by group, with running cursors into the strip
// lengths and indices. A group whose runs do not fit the arrays is logged and skipped.
void convertOldGeoGroups(const OldGeoArrays& arrays, const std::vector<OldGeoGroup>& groups, GeometryBranch& branch);

// Moves texture coordinates of one unit that stray beyond 40 from the origin back by whole units,
// or queues the branch for rebuilding when they span 120 or more; a bunch of more than 1400
// triangles queues its branch too.
void repairTexcoords(texcoord_data& texCoords, int triangles, GeometryBranch& branch);

}
