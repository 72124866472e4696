#pragma once

#include "base/Limits.h"

#include <functional>
#include <unordered_set>
#include <vector>

namespace finch
{

class InstanceBranch;
class LoadClaims;
class Object;

// A stored class that owns other stored objects outright (databases, objects, group and geometry
// branches, bunches, cull trees). A damaged stream can list one object under two owners or make
// an owner own its own ancestor; the graph of a stream is therefore settled once, from its root
// down, before any afterLoad relies on it: each owner claims what it lists, and an object already
// claimed is refused.
class LoadedOwner
{
public:
    // Claims what this owner lists (dropping what is refused), sets the owned objects' links back
    // (parent, object, database, owner) and queues them to adopt theirs.
    virtual void adoptLoaded(LoadClaims& claims) = 0;

protected:
    ~LoadedOwner() = default;
};

// The claims of one settlement.
class LoadClaims
{
public:
    // True for the owner adopting now when it lies heron::limits::maxSceneOwnerDepth below the
    // stream's root.
    bool atDepthLimit() const { return m_current.depth == heron::limits::maxSceneOwnerDepth; }
    // For an owner at the depth limit: what it queues from now on is still settled, so that every
    // object ends with one owner, and then destroyed by `cut` once the stream's afterLoad calls
    // are over, with one log line per settlement.
    void cutAfterSettling(std::function<void()> cut);

    // True the first time; later claims are logged with what was listed and refused. An object
    // is known by its whole address, whichever of its bases it is listed as.
    template <class Stored>
    [[nodiscard]] bool claim(const Stored* object, const char* what)
    {
        return claimAddress(dynamic_cast<const void*>(object), what);
    }
    // The owner adopts its own after the current one.
    void queue(LoadedOwner& owner);
    // Objects and instance branches met, for the instance tables and cycles; those to be cut are
    // left out.
    void noteObject(Object& object);
    void noteInstance(InstanceBranch& branch);

    // Adopts from the root down, then puts the instance tables in step with the instance
    // branches and cuts instance cycles.
    void settle(LoadedOwner& root);

private:
    struct Pending
    {
        LoadedOwner* owner = nullptr;
        int depth = 0;
        // Below an owner at the depth limit.
        bool doomed = false;
    };

    bool claimAddress(const void* object, const char* what);
    void runCuts();
    void rebuildInstanceTables();
    void cutInstanceCycles();

    std::unordered_set<const void*> m_claimed;
    std::vector<Pending> m_pending;
    Pending m_current;
    bool m_cutting = false;
    std::vector<std::function<void()>> m_cuts;
    std::vector<Object*> m_objects;
    std::vector<InstanceBranch*> m_instances;
};

// Settles the graph of the stream whose afterLoad calls run now, once per stream; every stored
// owner's afterLoad calls it first. Nothing outside a stream's afterLoad calls.
void settleLoadedGraph();

}
