#pragma once

#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace finch
{
class Branch;
class GroupBranch;
class InstanceBranch;
class Material;
class Object;
class Polygon;
}

namespace pelican
{

class PelicanDB;
class QuillReader;

// The older layout of model-editor files: a scene of named groups and placed instances, and
// objects made of named sets of polygons gathered into levels of detail. A store collects one
// object's sets and levels while its record is read, and builds its branch tree at the end.
class OldStuff
{
public:
    explicit OldStuff(QuillReader& reader);
    ~OldStuff();
    OldStuff(const OldStuff&) = delete;
    OldStuff& operator=(const OldStuff&) = delete;

    // A new main object "Scene" of the database (instance index -1) whose root group holds the
    // scene block that follows; returns it.
    finch::Object* readScene(PelicanDB& database);
    // An object's set (tag 41) or level (tag 42).
    void readObjectRecord(std::int32_t tag);
    // The object's new root: a group, named after the object and holding the sets of a single
    // level, or holding one level-of-detail branch per level; empty without levels.
    [[nodiscard]] std::unique_ptr<finch::Branch> build(const finch::Object& object) const;

private:
    struct Set;
    struct Level;

    void readSceneBlock(finch::GroupBranch& parent);
    // Puts a new instance branch showing the object of that index in the group's place; the
    // group is deleted.
    finch::InstanceBranch* replaceByInstance(finch::GroupBranch& group, std::int32_t index);
    void readSet();
    void readLevel();
    // The first set of that name, or of that number; null when there is none.
    const Set* findSet(const heron_string& name) const;
    const Set* findSet(std::int32_t number) const;
    static void addSet(Level& level, const Set* set);
    void fillLevel(finch::GroupBranch& group, const Level& level) const;
    // An older polygon, and the further polygons it holds, appended to the set.
    void readPolygon(Set& set);
    void readPolygonRecord(Set& set, finch::Polygon& polygon, finch::Material& working, std::int32_t tag);
    // The table entry an older index names; an index past the table or an unused entry is a bad file.
    heron::counted_ptr<finch::Material> materialEntry() const;
    void readShading(finch::Polygon& polygon, finch::Material& working) const;
    void readVertex(finch::Polygon& polygon) const;

    QuillReader& m_reader;
    std::vector<std::unique_ptr<Set>> m_sets;
    std::vector<Level> m_levels;
};

}
