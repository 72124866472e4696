// The content database's one-time preparation: external references merged, specials found, the
// object records built, animations attached, rings found, collision types applied, graphics
// compiled and textures loaded.
#include "content/world/PelicanDB.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "content/DataFiles.h"
#include "content/world/BranchWalks.h"
#include "content/world/EngineKinds.h"
#include "content/world/SpecialFinding.h"
#include "scene/Engine.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/render/Texture.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <typeinfo>

namespace pelican
{

namespace
{

// Progress codes of the preparation, reported if it ends the program.
constexpr int progressPreparing = 101;
constexpr int progressCompiling = 105;

// The prefix of the switch names of ring zones.
constexpr const char* ringZonePrefix = "RING-Zone.";

// The special found on a group that a switch replaces goes on acting from the switch.
void takeSpecial(const finch::GroupBranch& group, finch::SwitchBranch& replacement)
{
    replacement.setTraversalCallback(group.traversalCallback());
}

// Merges the lists of referenced content databases into the referring ones, innermost first;
// each database is merged once, so that references in a cycle end.
class ExrefMerger : public finch::Database::ObjectProcessor
{
public:
    void run(finch::Database& database)
    {
        if (m_met.insert(&database).second) {
            database.forEachObject(*this);
        }
    }
    void process(finch::Object& object) override
    {
        auto* const referenced = dynamic_cast<PelicanDB*>(referencedDatabase(object));
        if (referenced == nullptr) {
            return;
        }
        run(*referenced);
        auto* const own = dynamic_cast<PelicanDB*>(object.database());
        if (own != nullptr && own != referenced) {
            own->takeListsOf(*referenced);
        }
    }

private:
    std::set<const finch::Database*> m_met;
};

class BranchCompiler : public finch::Database::ObjectProcessor
{
public:
    void process(finch::Object& object) override
    {
        finch::Branch* root = object.root();
        const finch::Database* const referenced = referencedDatabase(object);
        if (referenced != nullptr) {
            root = referenced->mainObject() != nullptr ? referenced->mainObject()->root() : nullptr;
        }
        if (root != nullptr) {
            root->compileGraphics();
        }
    }
};

// Finds the first group named "objects".
class ObjectListBuilder : public finch::BranchProcessor
{
public:
    bool process(finch::Branch& branch) override
    {
        auto* const group = dynamic_cast<finch::GroupBranch*>(&branch);
        if (group == nullptr || group->name() != "objects") {
            return true;
        }
        m_found = group;
        return false;
    }
    finch::GroupBranch* found() const { return m_found; }

private:
    finch::GroupBranch* m_found = nullptr;
};

// Counts geometry branches and keeps the second as the ring's.
class RingGeometryFinder : public finch::BranchProcessor
{
public:
    bool process(finch::Branch& branch) override
    {
        if (dynamic_cast<finch::GeometryBranch*>(&branch) == nullptr) {
            return true;
        }
        geometry = &branch;
        return ++count < 2;
    }
    finch::Branch* geometry = nullptr;
    int count = 0;
};

class RingZoneFinder : public ObjectRefProcessor
{
public:
    explicit RingZoneFinder(std::vector<RingZone>& zones) : m_zones(zones) {}
    void process(PelicanObject& record) override
    {
        const heron_string& name = record.switchBranch()->name();
        const std::size_t prefix = std::strlen(ringZonePrefix);
        if (name.length() >= prefix && std::strncmp(name.c_str(), ringZonePrefix, prefix) == 0) {
            m_zones.push_back(RingZone{&record, 1, heron_string(name.c_str() + prefix)});
        }
    }

private:
    std::vector<RingZone>& m_zones;
};

// The animation switch of the object an instance shows: the one child of its root group (or of
// the joint that is the group's first child), a switch whose children are all instances.
finch::SwitchBranch* findAnimationSwitch(const finch::InstanceBranch& instance)
{
    const finch::Object* object = instance.instance();
    if (object == nullptr) {
        return nullptr;
    }
    const finch::Database* const referenced = referencedDatabase(*object);
    if (referenced != nullptr && referenced->mainObject() != nullptr) {
        object = referenced->mainObject();
    }
    auto* group = dynamic_cast<finch::GroupBranch*>(object->root());
    if (group == nullptr || group->children().empty()) {
        return nullptr;
    }
    if (auto* const joint = dynamic_cast<finch::JointBranch*>(group->children().front())) {
        group = joint;
    }
    if (group->children().size() != 1) {
        return nullptr;
    }
    auto* const animations = dynamic_cast<finch::SwitchBranch*>(group->children().front());
    if (animations == nullptr) {
        return nullptr;
    }
    const std::vector<finch::Branch*>& frames = animations->children();
    const bool allInstances = std::all_of(frames.begin(), frames.end(), [](finch::Branch* frame) {
        return dynamic_cast<finch::InstanceBranch*>(frame) != nullptr;
    });
    return allInstances ? animations : nullptr;
}

// The first spline engine of the tree that moves the instance.
SplineEngine* findSpline(Engine& engine, const finch::InstanceBranch& instance)
{
    auto* const spline = dynamic_cast<SplineEngine*>(&engine);
    if (spline != nullptr && spline->target() == &instance) {
        return spline;
    }
    for (Engine* child : engine.children()) {
        if (SplineEngine* const found = findSpline(*child, instance)) {
            return found;
        }
    }
    return nullptr;
}

// Attaches to each leaf record the animations of the objects its placement shows: directly
// when the shown object is animated, as a sequence step when an animated object lies under one
// of the record's animation-switch children.
class AnimFinder : public ObjectRefProcessor
{
public:
    explicit AnimFinder(PelicanDB& database) : m_database(database) {}

    void process(PelicanObject& record) override
    {
        if (!record.children().empty() || record.instance() == nullptr) {
            return;
        }
        m_record = &record;
        m_searched.clear();
        search(record.instance()->instance(), std::nullopt, 0);
    }

private:
    // Each object is searched once per step for a record: objects that show themselves, or one
    // object reached along many paths, cost no more than their number. The nesting is bounded as
    // the scene's own walks bound it.
    void search(finch::Object* object, std::optional<int> step, int depth)
    {
        object = throughReferences(object, step);
        if (object == nullptr || depth >= heron::limits::maxInstanceNesting ||
            !m_searched.emplace(object, step.value_or(noStep)).second) {
            return;
        }
        for (finch::InstanceBranch* instance : instancesUnder(*object)) {
            search(instance->instance(), step ? step : std::optional<int>(stepOf(*instance)), depth + 1);
        }
    }
    // Follows external references to the object to walk; null when the search ends (the object is
    // animated, and attached, or a reference shows nothing).
    finch::Object* throughReferences(finch::Object* object, std::optional<int> step)
    {
        for (int followed = 0; object != nullptr && followed <= heron::limits::maxInstanceNesting; ++followed) {
            if (const AnimationEntry* const entry = animationOf(*object)) {
                attach(*entry, step);
                return nullptr;
            }
            const finch::Database* const referenced = referencedDatabase(*object);
            if (referenced == nullptr) {
                return object;
            }
            object = referenced->mainObject();
        }
        return nullptr;
    }
    void attach(const AnimationEntry& entry, std::optional<int> step)
    {
        if (!step) {
            m_record->attachAnimation(entry);
            return;
        }
        m_record->addScaleSpecial();
        m_database.removeFlipbook(m_record->animationSwitch());
        m_record->addSequenceStep(*step, entry);
    }
    const AnimationEntry* animationOf(const finch::Object& object) const
    {
        const std::vector<AnimationEntry>& animations = m_database.animations();
        const auto found = std::find_if(animations.begin(), animations.end(),
                                        [&](const AnimationEntry& entry) { return entry.object == &object; });
        return found != animations.end() ? &*found : nullptr;
    }
    // The instance's index among the animation switch's children; -1 when it is none of them.
    int stepOf(const finch::InstanceBranch& instance) const
    {
        const finch::SwitchBranch* const animations = m_record->animationSwitch();
        if (animations == nullptr) {
            return -1;
        }
        const std::vector<finch::Branch*>& frames = animations->children();
        const auto found = std::find(frames.begin(), frames.end(), &instance);
        return found != frames.end() ? int(found - frames.begin()) : -1;
    }

    // The key of objects searched before any step is known.
    static constexpr int noStep = -2;

    PelicanDB& m_database;
    PelicanObject* m_record = nullptr;
    std::set<std::pair<finch::Object*, int>> m_searched;
};

}

void PelicanDB::prepare()
{
    heron::progressCode = progressPreparing;
    ExrefMerger merger;
    merger.run(*this);
    specialFinder().run(*this);
    findAnimations();
    specialFinder().run(*this);
    findRings();
    applyCollisionTypes();
    heron::progressCode = progressCompiling;
    heron::debug("BranchCompiler() needs looking at\n");
    BranchCompiler compiler;
    forEachObject(compiler);
    heron::progressCode = progressCompiling;
    finch::Texture::loadAll();
    reportMissingFiles();
}

void PelicanDB::reportMissingFiles() const
{
    const std::vector<DataFileName> missing = listedFiles(FileList::Missing);
    if (missing.empty()) {
        return;
    }
    heron::debug("\n\n");
    heron::debug("Missing files\n");
    heron::debug("=============\n");
    for (const DataFileName& file : missing) {
        heron::debug("%s\n", file.path.str().c_str());
    }
    heron::debug("\n");
    clearFileList(FileList::Missing);
    finch::printGeometryStats(finch::getGeometryStats());
}

void PelicanDB::takeListsOf(PelicanDB& other)
{
    m_engines.insert(m_engines.end(), other.m_engines.begin(), other.m_engines.end());
    m_animations.insert(m_animations.end(), other.m_animations.begin(), other.m_animations.end());
    m_flipbooks.insert(m_flipbooks.end(), other.m_flipbooks.begin(), other.m_flipbooks.end());
    other.m_engines.clear();
    other.m_animations.clear();
    other.m_flipbooks.clear();
}

void PelicanDB::buildObjectList()
{
    if (m_objectListBuilt) {
        return;
    }
    m_objectListBuilt = true;
    if (mainObject() == nullptr) {
        return;
    }
    ObjectListBuilder builder;
    mainObject()->process(builder);
    finch::GroupBranch* const objects = builder.found();
    if (objects == nullptr) {
        return;
    }
    if (objects->parent() != nullptr) {
        for (const finch::Branch* child : objects->parent()->children()) {
            heron::debug("Child=%s\n", child->name().c_str());
        }
    }
    makeObject(*objects, nullptr);
}

PelicanObject* PelicanDB::makeObject(finch::GroupBranch& group, PelicanObject* parent)
{
    auto made = std::make_unique<finch::SwitchBranch>(finch::SwitchBranch::onOff);
    finch::SwitchBranch* const switchBranch = made.get();
    switchBranch->setName(group.name());
    group.moveChildrenTo(*switchBranch);
    std::unique_ptr<finch::Branch> holder(made.release());
    finch::Object* const object = group.object();
    if (typeid(group) != typeid(finch::GroupBranch)) {
        group.addChild(holder);
    } else if (group.parent() != nullptr) {
        takeSpecial(group, *switchBranch);
        group.replaceWith(holder);
        delete &group;
    } else if (object != nullptr && object->root() == &group) {
        takeSpecial(group, *switchBranch);
        object->setRoot(holder);
    } else {
        group.addChild(holder);
    }
    auto record = std::make_unique<PelicanObject>(this, switchBranch);
    PelicanObject* added = record.get();
    if (parent != nullptr) {
        parent->addChild(std::move(record));
    } else {
        m_rootObject = std::move(record);
    }
    addChildren(*added);
    return added;
}

void PelicanDB::addChildren(PelicanObject& record)
{
    const std::vector<finch::Branch*> children = record.switchBranch()->children();
    for (finch::Branch* child : children) {
        if (auto* const instance = dynamic_cast<finch::InstanceBranch*>(child)) {
            wrapInstance(record, *instance);
        } else if (auto* const group = dynamic_cast<finch::GroupBranch*>(child)) {
            makeObject(*group, &record);
        }
    }
}

void PelicanDB::wrapInstance(PelicanObject& record, finch::InstanceBranch& instance)
{
    auto made = std::make_unique<finch::SwitchBranch>(finch::SwitchBranch::onOff);
    finch::SwitchBranch* const switchBranch = made.get();
    switchBranch->setName(instance.name());
    std::unique_ptr<finch::Branch> holder(made.release());
    instance.replaceWith(holder);
    std::unique_ptr<finch::Branch> shown(&instance);
    switchBranch->addChild(shown);
    PelicanObject* const child = record.addChild(std::make_unique<PelicanObject>(this, switchBranch));
    findPath(*child, instance);
    child->setAnimationSwitch(findAnimationSwitch(instance));
}

void PelicanDB::findPath(PelicanObject& record, const finch::InstanceBranch& instance) const
{
    for (Engine* engine : m_engines) {
        if (SplineEngine* const spline = findSpline(*engine, instance)) {
            record.setPath(spline, dynamic_cast<LinearEngine*>(spline->parent()));
            return;
        }
    }
}

void PelicanDB::findAnimations()
{
    if (rootObject() == nullptr) {
        return;
    }
    AnimFinder finder(*this);
    m_rootObject->visit(finder);
}

void PelicanDB::findRings()
{
    if (m_ringsSearched) {
        return;
    }
    m_ringsSearched = true;
    for (finch::Object* object : objects()) {
        takeRingCounter(*object);
        if (object->name() == "Ring") {
            RingGeometryFinder finder;
            object->process(finder);
            m_ringGeometry = finder.count > 0 ? finder.geometry : m_ringGeometry;
            m_ringObject = finder.count >= 2 ? object : m_ringObject;
        }
    }
    if (rootObject() != nullptr) {
        RingZoneFinder finder(m_ringZones);
        m_rootObject->visit(finder);
    }
}

void PelicanDB::takeRingCounter(finch::Object& object)
{
    const std::vector<finch::InstanceBranch*>& instances = object.instances();
    const auto counter = std::find_if(instances.begin(), instances.end(),
                                      [](const finch::InstanceBranch* branch) { return branch->name() == "ring counter"; });
    if (counter == instances.end()) {
        return;
    }
    m_ringCounterObject = &object;
    // The counter is drawn by the game on its own: its branch leaves the scene. It is kept, not
    // deleted, since engines and records may still point at it.
    finch::InstanceBranch* const branch = *counter;
    if (branch->parent() != nullptr) {
        m_ringCounterBranches.push_back(branch->parent()->removeChild(*branch));
    }
}

// The names are looked up in the name map, which the first lookup by name would fill: a
// preparation that comes before any lookup fills it, so that no collision type is lost.
void PelicanDB::applyCollisionTypes()
{
    collectNames();
    while (!m_collisionTypes.empty()) {
        const auto [name, mode] = m_collisionTypes.back();
        m_collisionTypes.pop_back();
        const auto found = m_names.find(name);
        if (found != m_names.end() && found->second != nullptr) {
            found->second->switchBranch()->setCollisionMode(mode);
        }
    }
}

}
