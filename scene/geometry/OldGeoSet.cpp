#include "scene/geometry/OldGeoSet.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/ReadError.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/BunchSplitter.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/Object.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>

namespace finch
{

namespace
{

enum OldGeoSetTag : std::uint32_t
{
    colorsTag = 1,
    normalsTag = 2,
    positionsTag = 3,
    texCoords0Tag = 4,
    texCoords1Tag = 5,
    indicesTag = 6,
    stripLengthsTag = 7,
    groupCountTag = 10,
    groupTag = 11,
    branchTag = 20,
    framesTag = 21,
    threeDroppedTag = 22,
    twoDroppedTag = 23,
};

// A stored group record: kind, three references and four int32.
constexpr std::uint32_t groupRecordBytes = 4 + 3 * 4 + 4 * 4;
// Texture coordinates within this of the origin are left alone; a span this wide cannot be moved.
constexpr float usualTexCoord = 40.0f;
constexpr float drasticSpan = 120.0f;

// An array stored as a count and its elements' raw bytes.
template <class Element>
void readRawArray(heron::DataSource& source, std::vector<Element>& elements)
{
    static_assert(std::is_trivially_copyable_v<Element>);
    std::uint32_t count = 0;
    if (!readArrayCount(source, count, sizeof(Element))) {
        return;
    }
    std::vector<Element> read(count);
    if (count != 0 && source.read(read.data(), count * sizeof(Element)) != count * sizeof(Element)) {
        failRead(source);
        return;
    }
    elements = std::move(read);
}

void dropInt32s(heron::DataSource& source, int count)
{
    for (int i = 0; i < count; ++i) {
        std::int32_t dropped = 0;
        source.readInt32(dropped);
    }
}

// Whether first .. first + count lies within an array of size elements.
bool fits(std::int64_t first, std::int64_t count, std::size_t size)
{
    return first >= 0 && count >= 0 && first + count <= std::int64_t(size);
}

template <class Element>
std::vector<Element> slice(const std::vector<Element>& elements, std::int64_t first, std::int64_t count)
{
    return std::vector<Element>(elements.begin() + first, elements.begin() + first + count);
}

// Where one group's runs lie in the arrays.
struct GroupRuns
{
    std::int64_t firstStrip = 0;
    std::int64_t strips = 0;
    std::int64_t firstIndex = 0;
    // Loose-triangle indices stored before the strips' indices.
    std::int64_t looseIndices = 0;
    std::int64_t stripIndices = 0;

    std::int64_t indicesUsed() const { return looseIndices + stripIndices; }
};

// The runs of the group at the cursors; false when they run past the arrays.
bool findRuns(const OldGeoArrays& arrays, const OldGeoGroup& group, std::int64_t stripCursor,
              std::int64_t indexCursor, GroupRuns& runs)
{
    const std::vector<std::int32_t>& lengths = arrays.stripLengths;
    if (!fits(stripCursor, group.stripCount, lengths.size())) {
        return false;
    }
    runs.firstStrip = stripCursor;
    runs.strips = group.stripCount;
    if (runs.strips > 0 && lengths[std::size_t(stripCursor)] < 0) {
        runs.looseIndices = -std::int64_t(lengths[std::size_t(stripCursor)]);
        ++runs.firstStrip;
        --runs.strips;
    }
    for (std::int64_t k = 0; k < runs.strips; ++k) {
        const std::int64_t length = lengths[std::size_t(runs.firstStrip + k)];
        runs.stripIndices += length < 0 ? -length : length;
    }
    runs.firstIndex = indexCursor;
    return fits(indexCursor, runs.indicesUsed(), arrays.indices.size());
}

bool uses(const OldGeoGroup& group, std::int32_t bit)
{
    return (group.flags & bit) != 0;
}

// A texture the group gives for the unit: its bit set and a file name.
heron::counted_ptr<Texture> groupTexture(const OldGeoGroup& group, int unit)
{
    const heron::counted_ptr<Texture>& texture = group.textures[unit];
    const bool given = uses(group, unit == 0 ? OldGeoGroup::texture0 : OldGeoGroup::texture1);
    return given && texture && texture->name().length() != 0 ? texture : heron::counted_ptr<Texture>();
}

Material groupMaterial(const OldGeoGroup& group)
{
    Material material(RGBA{1, 1, 1, 1});
    if (uses(group, OldGeoGroup::takesMaterial) && group.material) {
        material.assign(*group.material);
    }
    material.setLit(uses(group, OldGeoGroup::lit));
    material.setSmoothShading(!uses(group, OldGeoGroup::flat));
    material.setSphereMap(uses(group, OldGeoGroup::sphereMap));
    for (int unit = 0; unit < 2; ++unit) {
        material.setTexture(unit, groupTexture(group, unit));
    }
    float value = 0.0f;
    if (material.texture(0) && Texture::legacyValue(*material.texture(0), value)) {
        material.setValue30(value);
    }
    material.setFlag32(false);
    material.setFlag33(false);
    return material;
}

// Which texture units take coordinates.
std::array<bool, 2> texturedUnits(const OldGeoGroup& group)
{
    const bool unit0 = (groupTexture(group, 0) || uses(group, OldGeoGroup::texCoords0)) && !uses(group, OldGeoGroup::sphereMap);
    const bool unit1 = unit0 && (groupTexture(group, 1) || uses(group, OldGeoGroup::texCoords1));
    return {unit0, unit1};
}

// Whether every array the group takes vertices from holds its vertex range.
bool vertexRangeFits(const OldGeoArrays& arrays, const OldGeoGroup& group)
{
    const std::int64_t first = group.firstVertex;
    const std::int64_t count = group.vertexCount;
    const std::array<bool, 2> units = texturedUnits(group);
    const bool framesFit = std::all_of(arrays.frames.begin(), arrays.frames.end(),
                                       [&](const AnimationFrame& frame) { return fits(first, count, frame.size()); });
    return fits(first, count, arrays.positions.size()) && framesFit
           && (!uses(group, OldGeoGroup::colours) || fits(first, count, arrays.colors.size()))
           && (!uses(group, OldGeoGroup::normals) || fits(first, count, arrays.normals.size()))
           && (!units[0] || fits(first, count, arrays.texCoords[0].size()))
           && (!units[1] || fits(first, count, arrays.texCoords[1].size()));
}

template <class Stream, class Element>
heron::counted_ptr<Stream> streamOf(std::vector<Element> elements)
{
    return heron::counted_ptr<Stream>(new Stream(std::move(elements)));
}

void setVertexAttributes(GeoBunch& bunch, Material& material, const OldGeoArrays& arrays, const OldGeoGroup& group)
{
    const std::int64_t first = group.firstVertex;
    const std::int64_t count = group.vertexCount;
    bunch.setVertexData(streamOf<vertex_data>(slice(arrays.positions, first, count)), true);
    if (uses(group, OldGeoGroup::colours)) {
        material.setFlag32(true);
        std::vector<std::uint32_t> colours = slice(arrays.colors, first, count);
        const bool translucent = std::any_of(colours.begin(), colours.end(), [](std::uint32_t c) {
            return reinterpret_cast<const std::uint8_t*>(&c)[3] < 255;
        });
        bunch.editSurface().blend = bunch.editSurface().blend || translucent;
        bunch.setColorData(streamOf<color_data>(std::move(colours)));
    }
    if (uses(group, OldGeoGroup::normals)) {
        material.setFlag33(true);
        material.setVertexColours(uses(group, OldGeoGroup::colours));
        bunch.setNormalData(streamOf<normal_data>(slice(arrays.normals, first, count)));
    }
    const std::array<bool, 2> units = texturedUnits(group);
    for (int unit = 0; unit < 2; ++unit) {
        if (units[std::size_t(unit)]) {
            bunch.setTexcoordData(streamOf<texcoord_data>(slice(arrays.texCoords[unit], first, count)), unit);
        }
    }
    if (!arrays.frames.empty()) {
        std::vector<AnimationFrame> frames;
        for (const AnimationFrame& frame : arrays.frames) {
            frames.push_back(slice(frame, first, count));
        }
        bunch.animationFrames() = std::move(frames);
    }
}

// Strips first, then the loose triangles stored before them.
void setStripsAndIndices(GeoBunch& bunch, const OldGeoArrays& arrays, const GroupRuns& runs)
{
    if (runs.strips > 0) {
        bunch.setStripData(streamOf<strip_data>(slice(arrays.stripLengths, runs.firstStrip, runs.strips)));
    }
    std::vector<std::uint32_t> indices = slice(arrays.indices, runs.firstIndex + runs.looseIndices, runs.stripIndices);
    const std::vector<std::uint32_t> loose = slice(arrays.indices, runs.firstIndex, runs.looseIndices);
    indices.insert(indices.end(), loose.begin(), loose.end());
    if (!indices.empty()) {
        bunch.setIndexData(streamOf<index_data>(std::move(indices)));
    }
}

void convertGroup(const OldGeoArrays& arrays, const OldGeoGroup& group, const GroupRuns& runs, GeometryBranch& branch)
{
    auto bunch = std::make_unique<GeoBunch>();
    Material material = groupMaterial(group);
    bunch->editSurface().cullFaces = !uses(group, OldGeoGroup::noCulling);
    bunch->editSurface().blend = uses(group, OldGeoGroup::blend);
    setVertexAttributes(*bunch, material, arrays, group);
    setStripsAndIndices(*bunch, arrays, runs);
    for (int unit = 0; unit < 2; ++unit) {
        if (bunch->texcoordSlot(unit)) {
            repairTexcoords(*bunch->texcoordSlot(unit), bunch->triangleCount(), branch);
        }
    }
    bunch->internals().computeBounds();
    bunch->editSurface().setMaterial(Material::intern(material));
    branch.addBunch(std::move(bunch));
}

const char* objectName(const GeometryBranch& branch)
{
    return branch.object() != nullptr ? branch.object()->name().c_str() : "";
}

}

heron::Streamable* OldGeoSet::create()
{
    return new OldGeoSet;
}

void OldGeoSet::read(heron::DataSource& source)
{
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case colorsTag: readRawArray(source, m_arrays.colors); break;
        case normalsTag: readRawArray(source, m_arrays.normals); break;
        case positionsTag: readRawArray(source, m_arrays.positions); break;
        case texCoords0Tag: readRawArray(source, m_arrays.texCoords[0]); break;
        case texCoords1Tag: readRawArray(source, m_arrays.texCoords[1]); break;
        case indicesTag: readRawArray(source, m_arrays.indices); break;
        case stripLengthsTag: readRawArray(source, m_arrays.stripLengths); break;
        case groupCountTag: readGroupCount(source); break;
        case groupTag: readGroup(source); break;
        case branchTag: readBorrowedRef(source, m_branch); break;
        case framesTag: readAnimationFrames(source, m_arrays.frames); break;
        case threeDroppedTag: dropInt32s(source, 3); break;
        case twoDroppedTag: dropInt32s(source, 2); break;
        default: break;
        }
    });
}

// The group array is sized once: the records' reference fields are set when the stream ends, so
// they must stay where they are.
void OldGeoSet::readGroupCount(heron::DataSource& source)
{
    std::uint32_t count = 0;
    if (!readArrayCount(source, count, groupRecordBytes) || m_groupsSized) {
        return;
    }
    m_groupsSized = true;
    m_groups.resize(count);
}

void OldGeoSet::readGroup(heron::DataSource& source)
{
    if (m_nextGroup >= m_groups.size()) {
        throw heron::ReadError("Bad geoset");
    }
    OldGeoGroup& group = m_groups[m_nextGroup++];
    source.readUInt32(group.kind);
    heron::StreamReader::readCheckedRef(source, group.material);
    heron::StreamReader::readCheckedRef(source, group.textures[0]);
    heron::StreamReader::readCheckedRef(source, group.textures[1]);
    source.readInt32(group.flags);
    source.readInt32(group.stripCount);
    source.readInt32(group.vertexCount);
    source.readInt32(group.firstVertex);
}

void OldGeoSet::write(heron::DataDest& dest) const
{
    dest.writeTag(0);
}

void OldGeoSet::afterLoad()
{
    if (m_branch != nullptr) {
        convertOldGeoGroups(m_arrays, m_groups, *m_branch);
    }
}

void convertOldGeoGroups(const OldGeoArrays& arrays, const std::vector<OldGeoGroup>& groups, GeometryBranch& branch)
{
    std::int64_t stripCursor = 0;
    std::int64_t indexCursor = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        GroupRuns runs;
        if (!findRuns(arrays, groups[g], stripCursor, indexCursor, runs)) {
            heron::debug("Old geometry set: group %d runs past the strip lengths or indices; it and the groups "
                         "after it are left out\n",
                         int(g));
            return;
        }
        stripCursor = runs.firstStrip + runs.strips;
        indexCursor += runs.indicesUsed();
        if (!vertexRangeFits(arrays, groups[g])) {
            heron::debug("Old geometry set: group %d takes vertices %d + %d past its arrays; it is left out\n", int(g),
                         int(groups[g].firstVertex), int(groups[g].vertexCount));
            continue;
        }
        convertGroup(arrays, groups[g], runs, branch);
    }
}

void repairTexcoords(texcoord_data& texCoords, int triangles, GeometryBranch& branch)
{
    float lowS = 1e35f, lowT = 1e35f, highS = -1e35f, highT = -1e35f;
    for (const TexCoord& c : texCoords.elements()) {
        lowS = std::min(lowS, c.s);
        highS = std::max(highS, c.s);
        lowT = std::min(lowT, c.t);
        highT = std::max(highT, c.t);
    }
    const auto usual = [](float v) { return v >= -usualTexCoord && v <= usualTexCoord; };
    const float spanS = highS - lowS;
    const float spanT = highT - lowT;
    if (!(usual(lowS) && usual(highS) && usual(lowT) && usual(highT))) {
        if (spanS >= drasticSpan || spanT >= drasticSpan) {
            heron::debug("%s is drastic\n", objectName(branch));
            queueForSplit(branch);
            return;
        }
        heron::debug("fix %s  %f  %f\n", objectName(branch), double(spanS), double(spanT));
        const float shiftS = std::trunc(lowS + spanS * 0.5f);
        const float shiftT = std::trunc(lowT + spanT * 0.5f);
        for (TexCoord& c : texCoords.elements()) {
            c.s -= shiftS;
            c.t -= shiftT;
        }
    }
    if (triangles > largestUnsplitBunch) {
        queueForSplit(branch);
    }
}

}
