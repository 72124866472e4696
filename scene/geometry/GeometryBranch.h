#pragma once

#include "base/counted_ptr.h"
#include "scene/geometry/BunchCallbacks.h"
#include "scene/graph/Branch.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace finch
{

class CullTree;
class GeoBunch;
class TriangleList;

// The leaf that holds geometry: bunches (owned) with an optional draw hook, a facing mode that
// turns the geometry towards the eye, and a stored cull tree. It queues its bunches for drawing,
// hands out triangles near a box for collision and intersects rays. Main thread only.
class GeometryBranch : public Branch, public BranchRenderable, public BranchCollidable
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::GeometryBranch";
    [[nodiscard]] static heron::Streamable* create();

    enum FacingMode : std::int32_t
    {
        fixed = 0,
        turnsAboutZ = 1,
        facesEye = 2,
    };

    GeometryBranch();
    // Destroys the bunches, last first, then the cull tree.
    ~GeometryBranch() override;

    // Takes the bunch; its box joins the branch box.
    void addBunch(std::unique_ptr<GeoBunch> bunch);
    // Adds a bunch built from the list's triangles.
    void addTriangles(const TriangleList& list);
    // A bunch being destroyed leaves the list.
    void removeBunch(GeoBunch& bunch);
    void setFacingMode(int mode) { m_facingMode = mode; }
    void setBunchCallbacks(const heron::counted_ptr<BunchCallbacks>& callbacks) override;
    const heron::counted_ptr<BunchCallbacks>& bunchCallbacks() const { return m_bunchCallbacks; }
    const std::vector<GeoBunch*>& bunches() const { return m_bunches; }
    int facingMode() const { return m_facingMode; }
    const CullTree* cullTree() const { return m_cullTree; }

    // Recomputes every bunch's bounds into the branch box.
    void clean() override;
    void traverse(Traverser& traverser) override;

    // BranchRenderable.
    void render(Traverser& traverser) override;
    void compile() override;
    // BranchCollidable; invalid bunches take no part.
    bool intersectRay(const Ray& ray, RayHit& hit, bool anyHit, const BunchFilter* filter) override;
    int collectTriangles(const BoundingBox& query, std::vector<CollisionTriangle>& out,
                         const BunchFilter* filter) override;

    const char* className() const override { return classIdentifier; }
    void registerFactories(heron::DataSource& source) override;
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(LoadClaims& claims) override;

private:
    // Valid bunches with positions that the filter does not skip.
    static bool takesPart(GeoBunch& bunch, const BunchFilter* filter);

    std::vector<GeoBunch*> m_bunches;
    heron::counted_ptr<BunchCallbacks> m_bunchCallbacks;
    std::int32_t m_facingMode = fixed;
    CullTree* m_cullTree = nullptr;
};

}
