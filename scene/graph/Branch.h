#pragma once

#include "base/Refcountable.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "gui/toolkit/TreeViewable.h"
#include "scene/graph/LoadedGraph.h"
#include "scene/graph/TraversalCallback.h"
#include "scene/math/BoundingBox.h"
#include "scene/math/DoublePrecision.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrel
{
class Component;
}

namespace finch
{

class BunchCallbacks;
class GeoBunch;
class GroupBranch;
class Matrix;
class Object;
class Ray;
class Traverser;

// The drawing part of a branch (geometry and polygon branches).
class BranchRenderable
{
public:
    virtual ~BranchRenderable() = default;
    // Queues the branch's geometry with the traverser's accumulator.
    virtual void render(Traverser& traverser) = 0;
    virtual void compile() {}
};

// Skips bunches in collision and ray queries.
class BunchFilter
{
public:
    virtual ~BunchFilter() = default;
    virtual bool skips(const GeoBunch& bunch) const = 0;
};

// The nearest hit of a ray query so far: its distance along the ray and the bunch hit.
struct RayHit
{
    double distance = 0.0;
    GeoBunch* bunch = nullptr;
    std::int32_t part = 0;
};

// A triangle handed to collision: three corners of three floats.
struct CollisionTriangle
{
    float corners[9];
};

// The collision part of a branch (geometry branches).
class BranchCollidable
{
public:
    virtual ~BranchCollidable() = default;
    // True when the ray meets the geometry nearer than hit.distance (which it then shortens).
    virtual bool intersectRay(const Ray& ray, RayHit& hit, bool anyHit, const BunchFilter* filter) = 0;
    // Appends the triangles that may meet the query box; returns how many.
    virtual int collectTriangles(const BoundingBox& query, std::vector<CollisionTriangle>& out,
                                 const BunchFilter* filter) = 0;
};

class Branch;

// Visits branches; false stops the walk.
class BranchProcessor
{
public:
    virtual ~BranchProcessor() = default;
    virtual bool process(Branch& branch) = 0;
};

// A named node of the scene hierarchy: its object and parent (not owned: the parent group owns
// it), bounds in the parent's frame kept by marking (dirty climbs to the root, the object and the
// database; boxes grow upward at once) and cleaning (boxes recomputed downward), a collision mode,
// a user value and an optional traversal callback. Main thread only.
class Branch : public heron::Streamable,
               public heron::Refcountable,
               public LoadedOwner,
               public kestrel::TreeViewable,
               public DoublePrecision
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::Branch";

    // Collision modes.
    enum CollisionMode : std::int32_t
    {
        collides = 0,
        neverCollides = 1,
        collidesInMode2 = 2,
        leftOutInMode3 = 3,
    };

    Branch();
    // Leaves its parent (which relinks its level-of-detail chains and is marked dirty).
    ~Branch() override;
    Branch(const Branch&) = delete;
    Branch& operator=(const Branch&) = delete;

    bool hasChildren() const override { return false; }
    int childCount() const override { return 0; }
    // The child i (a leaf returns itself).
    Branch* child(int i) override { return this; }
    // The component that shows the branch in a tree view, made on the first call.
    heron::counted_ptr<kestrel::Component> treeItem() override;
    virtual bool process(BranchProcessor& processor) { return processor.process(*this); }
    // Grows the box by a child's box; a box that grew is handed up.
    virtual void extendBox(const BoundingBox& childBox);
    virtual void makeDirty();
    virtual void clean() { m_dirty = false; }
    virtual bool isDirty() const { return m_dirty; }
    virtual void traverse(Traverser& traverser);
    virtual void compileGraphics();
    virtual void transformBox(const Matrix& matrix);
    virtual void setObject(Object* object) { m_object = object; }
    // The hook of the geometry under this branch (geometry branches keep it).
    virtual void setBunchCallbacks(const heron::counted_ptr<BunchCallbacks>& callbacks) {}

    void setName(const heron_string& name) { m_name = name; }
    // Holds the new callback and releases the old.
    void setTraversalCallback(const heron::counted_ptr<TraversalCallback>& callback);
    // One-shot callbacks: the branch's callback is taken off at the next release of the scheduled
    // removals, after the walk that ran it. A branch destroyed before then is forgotten. Main
    // thread only.
    void scheduleCallbackRemoval();
    static void releaseScheduledCallbacks();
    void setCollisionMode(int mode) { m_collisionMode = mode; }
    void setUserValue(std::int32_t value) { m_userValue = value; }
    void setRenderable(BranchRenderable* renderable) { m_renderable = renderable; }
    void setCollidable(BranchCollidable* collidable) { m_collidable = collidable; }
    // Takes this branch's place in its parent (a branch without a parent does nothing and the
    // holder keeps its branch); this branch is left without parent or object for the caller.
    void replaceWith(std::unique_ptr<Branch>& holder);

    const heron_string& name() const { return m_name; }
    Object* object() const { return m_object; }
    GroupBranch* parent() const { return m_parent; }
    const BoundingBox& box() const { return m_box; }
    int collisionMode() const { return m_collisionMode; }
    std::int32_t userValue() const { return m_userValue; }
    const heron::counted_ptr<TraversalCallback>& traversalCallback() const { return m_callback; }
    BranchRenderable* renderable() const { return m_renderable; }
    BranchCollidable* collidable() const { return m_collidable; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(LoadClaims& claims) override {}

protected:
    // Hands the box up: to the parent, or for a root branch into its object.
    void passBoxUp();
    // Runs the callback's preTraverse; false when the branch is to skip itself.
    bool preTraverse(Traverser& traverser);
    void postTraverse(Traverser& traverser);
    // The box, writable for the kinds that keep it themselves.
    BoundingBox& ownBox() { return m_box; }
    void setDirtyFlag(bool dirty) { m_dirty = dirty; }

private:
    friend class GroupBranch;
    friend class Object;

    std::int32_t m_userValue = 0;
    heron_string m_name;
    Object* m_object = nullptr;
    GroupBranch* m_parent = nullptr;
    bool m_dirty = true;
    bool m_callbackRemovalScheduled = false;
    BoundingBox m_box;
    std::int32_t m_collisionMode = collides;
    heron::counted_ptr<TraversalCallback> m_callback;
    heron::counted_ptr<TraversalCallback> m_olderCallback;
    heron::counted_ptr<kestrel::Component> m_treeItem;
    BranchRenderable* m_renderable = nullptr;
    BranchCollidable* m_collidable = nullptr;
};

}
