#pragma once

#include "base/heron_string.h"
#include "content/world/AnimationController.h"
#include "content/world/Engine.h"
#include "content/world/PelicanObject.h"
#include "scene/graph/Database.h"
#include "scene/render/Fog.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace finch
{
class Branch;
class GroupBranch;
class InstanceBranch;
class Matrix;
class Object;
class RenderAccumulator;
class SwitchBranch;
}

namespace pelican
{

// A record whose switch is named "RING-Zone." and the zone's name.
struct RingZone
{
    PelicanObject* record = nullptr;
    std::int32_t flag = 1;
    heron_string zone;
};

// The scene database the game loads its world into: on top of the scene it keeps the root
// animation engines (owned), the self-running animations and the flip-book switches, the object
// records built from the model's "objects" group, rings and ring zones, fog hooks and the rocks
// group. The first clean prepares it once (external references merged, specials found,
// animations attached, textures loaded). Main thread only.
class PelicanDB : public finch::Database
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::PelicanDB";
    static heron::Streamable* create();

    // Waits after a remap or a content warning is reported, so that the player reads it; tests put
    // in one that does not.
    using WarningPause = std::function<void(double seconds)>;
    // Null puts back the real wait.
    static void setWarningPause(WarningPause pause);
    // Waits the given seconds through the pause in place.
    static void pauseAfterWarning(double seconds);
    // The seconds waited after each remap.
    static constexpr double remapPauseSeconds = 2.0;

    PelicanDB();
    ~PelicanDB() override;

    // The first call prepares the database; every call cleans it and then releases the one-shot
    // hooks scheduled since the last.
    void clean() override;
    bool isPrepared() const { return m_prepared; }

    void addEngine(std::unique_ptr<Engine> engine);
    const std::vector<Engine*>& engines() const { return m_engines; }
    void addAnimation(finch::Object* object, float period);
    const std::vector<AnimationEntry>& animations() const { return m_animations; }
    void addFlipbook(finch::SwitchBranch* flipbook);
    void removeFlipbook(finch::SwitchBranch* flipbook);
    const std::vector<finch::SwitchBranch*>& flipbooks() const { return m_flipbooks; }

    // Appends the other database's root engines, animations and flip-books to this one's lists
    // and empties the other's.
    void takeListsOf(PelicanDB& other);

    // Starts every root engine at time, which also becomes the flip-books' start.
    void startEngines(double time);
    // Once per frame after the scene clock ticked: the engines, then the flip-books' frames.
    void updateAnimation();

    // The root of the object records, built on first need; null without an "objects" group.
    PelicanObject* rootObject();
    // The record whose name path is name. Without a packed data file a missing name is remapped
    // to the one record whose path ends in the most of name's components, which is reported,
    // logged to folder + "remapped_objects.txt" and paused on; a tie finds nothing.
    PelicanObject* findObject(const heron_string& name, const heron_string& folder);
    // Applied to the named record's switch when the database is prepared.
    void setCollisionType(const heron_string& name, int mode);

    const std::vector<RingZone>& ringZones();
    const RingZone* ringZone(const heron_string& name);
    finch::Object* ringObject();
    finch::Branch* ringGeometry();
    finch::Object* ringCounterObject();

    // Draws the record's placement in a fog of its own; nothing for a record without placement.
    void setFog(const finch::Fog& fog, PelicanObject* record);
    void clearFogSetters();

    void setDepthTweakFlag(std::uint8_t flag) { m_depthTweak = flag; }
    std::uint8_t depthTweakFlag() const { return m_depthTweak; }
    // With a depth tweak in the scene, normal drawing keeps to the depth range 0.01 .. 1.
    void applyDepthTweak(finch::RenderAccumulator& accumulator) const;

    void setRockLodScale(float scale) { m_rockLodScale = scale; }
    float rockLodScale() const { return m_rockLodScale; }
    // A new rock showing object in the rocks group (made on the first call under the main
    // object's root group); null for a null object or when there is no root group.
    finch::InstanceBranch* buildRocks(finch::Object* object);
    void removeRockAnimation(finch::InstanceBranch* rock);
    // The position is clamped to 0 .. 1 (a position that is not a number counts as 0).
    void setRockAnimationPosition(finch::InstanceBranch* rock, double position);
    finch::GroupBranch* rocksGroup() const { return m_rocks; }
    static const finch::Matrix& branchTransform(const finch::InstanceBranch& branch);
    static void setBranchTransform(finch::InstanceBranch& branch, const finch::Matrix& matrix);
    // True when both show the same object.
    static bool sameBranchKey(const PelicanObject& record, const finch::InstanceBranch& branch);

    // Registers the scene's classes, the engines and the specials.
    void registerFactories(heron::DataSource& source) override;
    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(finch::LoadClaims& claims) override;

private:
    // In the preparation's own file.
    void prepare();
    void buildObjectList();
    void findAnimations();
    void findRings();
    void applyCollisionTypes();
    void readAnimationCount(heron::DataSource& source, std::size_t& filled);
    void readAnimationPair(heron::DataSource& source, std::size_t& filled);
    PelicanObject* makeObject(finch::GroupBranch& group, PelicanObject* parent);
    void addChildren(PelicanObject& record);
    void wrapInstance(PelicanObject& record, finch::InstanceBranch& instance);
    void findPath(PelicanObject& record, const finch::InstanceBranch& instance) const;
    void takeRingCounter(finch::Object& object);
    void reportMissingFiles() const;
    void makeRocksGroup();
    int flipbookFrame(const finch::SwitchBranch& flipbook, double now) const;
    // Enters every record in the name map under its name path, once.
    void collectNames();
    void startRemapLog(const heron_string& folder) const;
    PelicanObject* remap(const heron_string& name, const heron_string& folder);

    float m_rockLodScale = 1.0f;
    std::vector<Engine*> m_engines;
    bool m_prepared = false;
    bool m_objectListBuilt = false;
    std::unique_ptr<PelicanObject> m_rootObject;
    std::vector<AnimationEntry> m_animations;
    std::vector<finch::SwitchBranch*> m_flipbooks;
    double m_flipbookStart = 0.0;
    std::map<heron_string, PelicanObject*> m_names;
    bool m_lookedUp = false;
    std::uint8_t m_depthTweak = 0;
    std::vector<PelicanObject*> m_fogRecords;
    std::vector<std::pair<heron_string, int>> m_collisionTypes;
    bool m_ringsSearched = false;
    std::vector<RingZone> m_ringZones;
    finch::Object* m_ringObject = nullptr;
    finch::Object* m_ringCounterObject = nullptr;
    finch::Branch* m_ringGeometry = nullptr;
    // The ring counters' instance branches, out of the scene.
    std::vector<std::unique_ptr<finch::Branch>> m_ringCounterBranches;
    finch::GroupBranch* m_rocks = nullptr;
    std::map<finch::InstanceBranch*, std::vector<finch::Object*>> m_rockAnimations;
};

// Makes the stream reader of the source able to read a content database.
void registerDatabaseFactory(heron::DataSource& source);

}
