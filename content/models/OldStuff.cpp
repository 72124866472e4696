#include "content/models/OldStuff.h"

#include "base/DataSource.h"
#include "base/ReadError.h"
#include "content/models/QuillReader.h"
#include "content/world/PelicanDB.h"
#include "gui/widgets/ColorRGBA.h"
#include "scene/geometry/Polygon.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/Object.h"
#include "scene/math/Matrix.h"
#include "scene/render/Material.h"

namespace pelican
{

namespace
{

using heron::ReadError;

constexpr const char* sceneMessage = "Bad scene data in OldStuff::readScene()";
// Switch distance of a level that names none.
constexpr double defaultLevelDistance = 10.0;

finch::GroupBranch* addGroup(finch::GroupBranch& parent, const heron_string& name)
{
    auto group = std::make_unique<finch::GroupBranch>();
    group->setName(name);
    finch::GroupBranch* const added = group.get();
    std::unique_ptr<finch::Branch> holder = std::move(group);
    parent.addChild(holder);
    return added;
}

template <class T>
T& require(T* current)
{
    if (current == nullptr) {
        throw ReadError(sceneMessage);
    }
    return *current;
}

}

struct OldStuff::Set
{
    heron_string name;
    std::int32_t number = 0;
    std::vector<std::unique_ptr<finch::Polygon>> polygons;
};

struct OldStuff::Level
{
    heron_string name;
    double distance = defaultLevelDistance;
    std::vector<const Set*> sets;
};

OldStuff::OldStuff(QuillReader& reader) : m_reader(reader) {}

OldStuff::~OldStuff() = default;

finch::Object* OldStuff::readScene(PelicanDB& database)
{
    auto holder = std::make_unique<finch::Object>();
    finch::Object& object = *holder;
    object.setName("Scene");
    m_reader.m_objectIndexes[&object] = -1;
    database.addObject(holder);
    database.setMainObject(&object);
    auto root = std::make_unique<finch::GroupBranch>();
    root->setName("Scene");
    finch::GroupBranch& group = *root;
    std::unique_ptr<finch::Branch> rootHolder = std::move(root);
    object.setRoot(rootHolder);
    readSceneBlock(group);
    return &object;
}

void OldStuff::readSceneBlock(finch::GroupBranch& parent)
{
    const QuillReader::Nesting nesting(m_reader);
    finch::GroupBranch* group = addGroup(parent, m_reader.readString());
    finch::InstanceBranch* instance = nullptr;
    for (std::int32_t tag = m_reader.readRecordTag(); tag != 51; tag = m_reader.readRecordTag()) {
        switch (tag) {
        case 50: readSceneBlock(require(group)); break;
        case 52: group = addGroup(parent, m_reader.readString()); break;
        case 53:
            instance = replaceByInstance(require(group), m_reader.readInt32());
            group = nullptr;
            break;
        case 55: {
            finch::Matrix placement;
            m_reader.readTransform(placement);
            require(instance).setMatrix(placement);
            break;
        }
        case 56:
        case 57: m_reader.readInt32(); break;
        default: throw ReadError(sceneMessage);
        }
    }
}

finch::InstanceBranch* OldStuff::replaceByInstance(finch::GroupBranch& group, std::int32_t index)
{
    auto instance = std::make_unique<finch::InstanceBranch>();
    instance->setName(group.name());
    finch::InstanceBranch* const placed = instance.get();
    std::unique_ptr<finch::Branch> holder = std::move(instance);
    m_reader.forgetBranches(group);
    group.replaceWith(holder);
    delete &group;
    m_reader.m_instanceIndexes[placed] = index;
    return placed;
}

void OldStuff::readObjectRecord(std::int32_t tag)
{
    if (tag == 41) {
        readSet();
    } else {
        readLevel();
    }
}

void OldStuff::readSet()
{
    auto set = std::make_unique<Set>();
    set->name = m_reader.readString();
    for (std::int32_t tag = m_reader.readRecordTag(); tag != 0; tag = m_reader.readRecordTag()) {
        if (tag == 30) {
            readPolygon(*set);
        } else if (tag == 45) {
            set->number = m_reader.readInt32();
        }
    }
    m_sets.push_back(std::move(set));
}

void OldStuff::readLevel()
{
    Level level;
    level.name = m_reader.readString();
    for (std::int32_t tag = m_reader.readRecordTag(); tag != 0; tag = m_reader.readRecordTag()) {
        switch (tag) {
        case 41: addSet(level, findSet(m_reader.readString())); break;
        case 43: level.distance = m_reader.readFloat(); break;
        case 45: addSet(level, findSet(m_reader.readInt32())); break;
        case 49: m_reader.readInt32(); break;
        default: break;
        }
    }
    m_levels.push_back(std::move(level));
}

void OldStuff::addSet(Level& level, const Set* set)
{
    if (set != nullptr) {
        level.sets.push_back(set);
    }
}

const OldStuff::Set* OldStuff::findSet(const heron_string& name) const
{
    for (const auto& set : m_sets) {
        if (set->name.compare(name) == 0) {
            return set.get();
        }
    }
    return nullptr;
}

const OldStuff::Set* OldStuff::findSet(std::int32_t number) const
{
    for (const auto& set : m_sets) {
        if (set->number == number) {
            return set.get();
        }
    }
    return nullptr;
}

std::unique_ptr<finch::Branch> OldStuff::build(const finch::Object& object) const
{
    auto group = std::make_unique<finch::GroupBranch>();
    if (m_levels.size() == 1) {
        group->setName(object.name());
        fillLevel(*group, m_levels.front());
        return group;
    }
    for (const Level& level : m_levels) {
        auto lod = std::make_unique<finch::LodBranch>();
        lod->setName(level.name);
        lod->setDistance(level.distance);
        fillLevel(*lod, level);
        std::unique_ptr<finch::Branch> holder = std::move(lod);
        group->addChild(holder);
    }
    return group;
}

void OldStuff::fillLevel(finch::GroupBranch& group, const Level& level) const
{
    for (const Set* set : level.sets) {
        auto branch = std::make_unique<finch::PolygonBranch>();
        branch->setName(set->name);
        for (const auto& polygon : set->polygons) {
            branch->addPolygon(polygon->clone());
        }
        std::unique_ptr<finch::Branch> holder = std::move(branch);
        group.addChild(holder);
    }
}

void OldStuff::readPolygon(Set& set)
{
    const QuillReader::Nesting nesting(m_reader);
    auto polygon = std::make_unique<finch::Polygon>();
    finch::Material working(finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f});
    for (std::int32_t tag = m_reader.readRecordTag(); tag != 0; tag = m_reader.readRecordTag()) {
        readPolygonRecord(set, *polygon, working, tag);
    }
    if (!working.isLit()) {
        const finch::RGBA& diffuse = working.diffuse();
        const kestrel::ColorRGBA colour(diffuse.r, diffuse.g, diffuse.b, diffuse.a);
        for (finch::PolyVertex* vertex = polygon->firstVertex(); vertex != nullptr; vertex = vertex->next()) {
            vertex->setIndex(std::int32_t(colour.toPacked()));
        }
    }
    polygon->setMaterial(finch::Material::intern(working));
    set.polygons.push_back(std::move(polygon));
}

void OldStuff::readPolygonRecord(Set& set, finch::Polygon& polygon, finch::Material& working, std::int32_t tag)
{
    switch (tag) {
    case 20: readVertex(polygon); break;
    case 30: readPolygon(set); break;
    case 31:
    case 36: working.assign(*materialEntry()); break;
    case 32: readShading(polygon, working); break;
    case 33: m_reader.readNormal(); break;
    case 34: working.setTexture(0, m_reader.tableTexture(m_reader.readInt32()).texture); break;
    case 37: polygon.setValue(m_reader.readInt32()); break;
    case 38: working.setSphereMap((m_reader.readByte() & 1) != 0); break;
    default: break;
    }
}

heron::counted_ptr<finch::Material> OldStuff::materialEntry() const
{
    std::int32_t index = 0;
    if (m_reader.isBelow(3.0)) {
        index = m_reader.readByte();
    } else {
        std::uint16_t wide = 0;
        m_reader.m_source.readUInt16(wide);
        index = wide;
    }
    heron::counted_ptr<finch::Material> material = m_reader.tableMaterial(index);
    if (!material) {
        throw ReadError("QuillReader: Bad material index in file");
    }
    return material;
}

void OldStuff::readShading(finch::Polygon& polygon, finch::Material& working) const
{
    switch (m_reader.readByte()) {
    case 0:
        working.setLit(false);
        working.setSmoothShading(false);
        break;
    case 1:
        working.setLit(true);
        working.setSmoothShading(false);
        break;
    case 2:
        working.setLit(true);
        working.setSmoothShading(true);
        polygon.markChanged();
        break;
    default: break;
    }
}

void OldStuff::readVertex(finch::Polygon& polygon) const
{
    auto vertex = std::make_unique<finch::PolyVertex>();
    for (std::int32_t tag = m_reader.readRecordTag(); tag != 0; tag = m_reader.readRecordTag()) {
        switch (tag) {
        case 22: vertex->setPosition(m_reader.readPosition()); break;
        case 23: vertex->setTexCoord(0, m_reader.readTexCoord()); break;
        case 24: vertex->setNormal(finch::Vector3f(m_reader.readNormal())); break;
        case 27: vertex->setPosition(m_reader.tablePosition(m_reader.readInt32())); break;
        default: break;
        }
    }
    polygon.addVertex(vertex);
}

}
