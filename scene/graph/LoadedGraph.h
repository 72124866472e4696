#pragma once

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
    // True the first time; later claims are logged with what was listed and refused.
    bool claim(const void* object, const char* what);
    // The owner adopts its own after the current one.
    void queue(LoadedOwner& owner);
    // Objects and instance branches met, for the instance tables and cycles.
    void noteObject(Object& object) { m_objects.push_back(&object); }
    void noteInstance(InstanceBranch& branch) { m_instances.push_back(&branch); }

    // Adopts from the root down, then puts the instance tables in step with the instance
    // branches and cuts instance cycles.
    void settle(LoadedOwner& root);

private:
    void rebuildInstanceTables();
    void cutInstanceCycles();

    std::unordered_set<const void*> m_claimed;
    std::vector<LoadedOwner*> m_pending;
    std::vector<Object*> m_objects;
    std::vector<InstanceBranch*> m_instances;
};

// Settles the graph of the stream whose afterLoad calls run now, once per stream; every stored
// owner's afterLoad calls it first. Nothing outside a stream's afterLoad calls.
void settleLoadedGraph();

}
