#pragma once

#include "base/DataDest.h"
#include "base/Streamable.h"
#include "scene/geometry/OldGeoSet.h"

#include <vector>

// Writes the older stored geometry set, which the engine only reads: arrays as counts and raw
// bytes, the group count, the group records (references null) and, when extraGroups is set, that
// many records more than the count announces.
class OldGeoSetWriter : public heron::Streamable
{
public:
    finch::OldGeoArrays arrays;
    std::vector<finch::OldGeoGroup> groups;
    int extraGroups = 0;

    const char* className() const override { return finch::OldGeoSet::classIdentifier; }
    void read(heron::DataSource&) override {}
    void write(heron::DataDest& dest) const override
    {
        writeRaw(dest, 1, arrays.colors);
        writeRaw(dest, 2, arrays.normals);
        writeRaw(dest, 3, arrays.positions);
        writeRaw(dest, 4, arrays.texCoords[0]);
        writeRaw(dest, 5, arrays.texCoords[1]);
        writeRaw(dest, 6, arrays.indices);
        writeRaw(dest, 7, arrays.stripLengths);
        dest.writeTag(10).writeTag(std::uint32_t(groups.size()));
        for (std::size_t g = 0; g < groups.size() + std::size_t(extraGroups); ++g) {
            const finch::OldGeoGroup& group = groups[g % groups.size()];
            dest.writeTag(11).writeUInt32(group.kind);
            dest.writeObjectRef(nullptr).writeObjectRef(nullptr).writeObjectRef(nullptr);
            dest.writeInt32(group.flags).writeInt32(group.stripCount).writeInt32(group.vertexCount).writeInt32(group.firstVertex);
        }
        dest.writeTag(22).writeInt32(1).writeInt32(2).writeInt32(3);
        dest.writeTag(23).writeInt32(4).writeInt32(5);
        dest.writeTag(20).writeObjectRef(nullptr);
        dest.writeTag(0);
    }

private:
    template <class Element>
    static void writeRaw(heron::DataDest& dest, std::uint32_t tag, const std::vector<Element>& elements)
    {
        dest.writeTag(tag).writeTag(std::uint32_t(elements.size()));
        dest.write(elements.data(), std::uint32_t(elements.size() * sizeof(Element)));
    }
};
