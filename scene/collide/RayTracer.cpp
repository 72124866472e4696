#include "scene/collide/RayTracer.h"

#include "base/Debug.h"
#include "scene/graph/Branch.h"
#include "scene/graph/Database.h"
#include "scene/graph/Object.h"

#include <cmath>

namespace finch
{

namespace
{

constexpr std::size_t firstRays = 32;

}

RayTracer::RayTracer() : Traverser(Kind::RayTracing)
{
    m_rays.reserve(firstRays);
    m_lengths.reserve(firstRays);
    boxList().setSuppressed(true);
}

bool RayTracer::trace(const Ray& ray, Database& database)
{
    if (database.mainObject() == nullptr) {
        clearResult();
        return false;
    }
    return trace(ray, *database.mainObject());
}

void RayTracer::clearResult()
{
    m_hit = false;
    m_hitBranch = nullptr;
    m_path.clear();
}

bool RayTracer::startTrace(const Ray& ray)
{
    clearResult();
    if (!ray.origin().isFinite() || !ray.direction().isFinite() || !std::isfinite(ray.length())) {
        heron::debug("finch::RayTracer - a ray that is not finite hits nothing\n");
        return false;
    }
    start(Matrix(), Matrix());
    setViewpoint(ray.origin());
    m_rays.clear();
    m_rays.push_back(ray);
    m_lengths.clear();
    m_lengths.push_back(ray.length());
    return true;
}

bool RayTracer::trace(const Ray& ray, Object& object)
{
    if (!startTrace(ray)) {
        return false;
    }
    object.traverse(*this);
    if (m_hit && !m_anyHit) {
        m_distance = m_rays.back().length();
    }
    return m_hit;
}

bool RayTracer::isCulled(Branch& branch)
{
    if (m_anyHit && m_hit) {
        return true;
    }
    return !branch.box().intersectsRay(m_rays.back());
}

void RayTracer::visit(Branch& branch)
{
    if (branch.isDirty()) {
        heron::debug("%s", dirtyMessage);
    }
    BranchCollidable* const collidable = branch.collidable();
    if (collidable == nullptr) {
        return;
    }
    RayHit found;
    if (!collidable->intersectRay(m_rays.back(), found, m_anyHit, nullptr)) {
        return;
    }
    m_hit = true;
    if (m_anyHit) {
        return;
    }
    m_hitBranch = &branch;
    m_path = instancePath();
    m_rays.back().setLength(found.distance);
}

void RayTracer::pushCullState(const Matrix& mInverse)
{
    Ray local;
    local.setTransformed(m_rays.back(), mInverse);
    m_rays.push_back(local);
    m_lengths.push_back(local.length());
}

void RayTracer::popCullState()
{
    if (m_rays.size() < 2) {
        return;
    }
    const double now = m_rays.back().length();
    const double pushed = m_lengths.back();
    m_rays.pop_back();
    m_lengths.pop_back();
    if (now == pushed) {
        return;
    }
    Ray& outer = m_rays.back();
    outer.setLength(pushed == 0.0 ? 0.0 : outer.length() * (now / pushed));
}

}
