#pragma once

#include "scene/graph/Traverser.h"
#include "scene/math/Ray.h"

#include <cstdint>
#include <vector>

namespace finch
{

class Branch;
class Database;
class InstanceBranch;
class Object;

// Finds where a ray segment first meets a scene's geometry: the branch hit, the distance along the
// traced ray and the instance branches through which that branch was reached. The ray is carried
// into each branch's frame (any affine placement, non-uniform scale included, since hits are
// measured as fractions of the segment) and branches whose boxes it misses are left out. The
// scene should be clean: each dirty branch met is logged and traced as it is. Main thread only.
class RayTracer : public Traverser
{
public:
    static constexpr const char* dirtyMessage = "finch::RayTracer - you tried to raytrace a dirty database!\n";

    RayTracer();

    // Traces the ray through the database's main object; false without one. Returns hit().
    bool trace(const Ray& ray, Database& database);
    bool trace(const Ray& ray, Object& object);
    // Stop at the first hit instead of looking for the nearest; the hit branch, path and distance
    // are then not recorded.
    void setAnyHit(bool anyHit) { m_anyHit = anyHit; }

    bool hit() const { return m_hit; }
    // Along the traced ray, to the nearest hit.
    double distance() const { return m_distance; }
    Branch* hitBranch() const { return m_hitBranch; }
    // Outermost first.
    const std::vector<InstanceBranch*>& path() const { return m_path; }
    std::int32_t pathLength() const { return std::int32_t(m_path.size()); }

    bool isCulled(Branch& branch) override;
    void visit(Branch& branch) override;

protected:
    bool computeCullingActive() const override { return true; }
    void pushCullState(const Matrix& mInverse) override;
    void popCullState() override;

private:
    // Starts a trace; false (logged) when the ray is not made of finite numbers.
    void clearResult();
    bool startTrace(const Ray& ray);

    bool m_hit = false;
    double m_distance = 0.0;
    Branch* m_hitBranch = nullptr;
    std::vector<InstanceBranch*> m_path;
    std::vector<Ray> m_rays;
    std::vector<double> m_lengths;
    bool m_anyHit = false;
};

}
