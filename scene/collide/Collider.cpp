#include "scene/collide/Collider.h"

#include "base/Debug.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

constexpr std::size_t firstCollidees = 1024;
constexpr double noHit = 1e300;
// The sphere stops this far short of a touch, so that the next round starts clear of the surface.
constexpr double clearance = 0.001f;
// An answer heads into a plane when it goes into it by more than this share of its length.
constexpr double intoPlane = 1e-9;
// An answer that keeps less than this share of the rest of the step is a surface met head on (to
// within about a twentieth of a degree): the sphere is held there, rather than sliding on by
// rounding errors.
constexpr double headOn = 1e-3;

}

Vector3d CollisionAction::respond(const Collider& mover)
{
    return bounce(mover, 0.0f);
}

Vector3d CollisionAction::bounce(const Collider& mover, float restitution)
{
    const Vector3d& n = mover.planeNormal();
    const Vector3d rest = mover.direction() * mover.length();
    const Vector3d end = mover.contact() + rest;
    const double along = dot(n, end) + mover.planeConstant();
    return end - n * ((1.0 + restitution) * along) - mover.contact();
}

CollisionAction& CollisionAction::slide()
{
    static CollisionAction action;
    return action;
}

Collider::Collider()
{
    m_collidees.reserve(firstCollidees);
    setMove(Vector3d(), Vector3d(0.0, 0.0, 1.0), 1.0);
}

void Collider::setMove(const Vector3d& start, const Vector3d& move, double radius)
{
    m_depth = 0;
    m_stopped = false;
    m_start = start;
    m_length = move.length();
    m_direction = m_length > 0.0 ? move * (1.0 / m_length) : Vector3d();
    m_radius = radius;
    m_originalDirection = m_direction;
    m_matrix.setIdentity();
    m_inverse.setIdentity();
    const double reach = m_length + radius;
    m_sweptBox.set(start - Vector3d(reach, reach, reach), start + Vector3d(reach, reach, reach));
    m_collidees.clear();
}

void Collider::addCollidee(Collider* collidee, CollisionAction* action)
{
    if (collidee == nullptr) {
        heron::debug("finch::Collider - a null collidee is ignored\n");
        return;
    }
    m_collidees.emplace_back(collidee, action != nullptr ? action : &CollisionAction::slide());
}

bool Collider::hasUsableStep() const
{
    return m_length > 0.0 && m_radius > 0.0;
}

bool Collider::collide()
{
    m_stopped = false;
    if (!hasUsableStep()) {
        return false;
    }
    if (!m_start.isFinite() || !m_direction.isFinite() || !std::isfinite(m_length) || !std::isfinite(m_radius)) {
        heron::debug("finch::Collider - a step that is not finite collides with nothing\n");
        return false;
    }
    for (const auto& [collidee, action] : m_collidees) {
        collidee->prepare(*this);
    }
    return solve();
}

CollisionAction* Collider::nearestTouch(double& best)
{
    best = noHit;
    CollisionAction* nearest = nullptr;
    for (const auto& [collidee, action] : m_collidees) {
        double distance = 0.0;
        Vector3d contact;
        if (collidee->test(*this, distance, contact) && distance < m_length && distance < best) {
            best = distance;
            m_contact = contact;
            nearest = action;
        }
    }
    return nearest;
}

void Collider::setPlaneFromContact()
{
    m_planeNormal = m_start - m_contact;
    m_planeNormal.normalize();
    m_planeConstant = -dot(m_planeNormal, m_contact);
}

Vector3d Collider::keptOffEarlierPlanes(const Vector3d& next) const
{
    const auto heads = [&](const Vector3d& v, const Vector3d& normal) {
        return dot(v, normal) < -intoPlane * v.length();
    };
    const auto earlier = m_touched.begin();
    const auto earlierEnd = earlier + m_depth;
    const auto into = std::find_if(earlier, earlierEnd, [&](const Vector3d& normal) { return heads(next, normal); });
    if (into == earlierEnd) {
        return next;
    }
    // Sliding off one surface into another, as in a wedge between two: along the line they meet in.
    const Vector3d crease = cross(*into, m_planeNormal);
    const double creaseLength = crease.length();
    // Two planes facing each other leave no way on.
    if (!(creaseLength > intoPlane)) {
        return {};
    }
    const Vector3d along = crease * (dot(next, crease) / (creaseLength * creaseLength));
    const bool cornered = std::any_of(earlier, earlierEnd, [&](const Vector3d& normal) { return heads(along, normal); });
    return cornered ? Vector3d() : along;
}

bool Collider::solve()
{
    if (!hasUsableStep()) {
        return false;
    }
    double best = noHit;
    CollisionAction* const action = nearestTouch(best);
    if (action == nullptr) {
        m_start = m_start + m_direction * m_length;
        return false;
    }
    if (m_depth >= roundLimit) {
        m_stopped = true;
        return false;
    }
    const double step = best - clearance;
    m_start = m_start + m_direction * step;
    m_length -= step;
    if (m_length <= clearance) {
        return true;
    }
    setPlaneFromContact();
    m_touched[std::size_t(m_depth)] = m_planeNormal;
    const Vector3d next = keptOffEarlierPlanes(action->respond(*this));
    const double nextLength = next.length();
    // A response that would turn the sphere back against the step it was given, or that keeps next
    // to nothing of it, ends the motion.
    if (!(nextLength > headOn * m_length) || dot(next, m_originalDirection) < 0.0) {
        m_stopped = true;
        return true;
    }
    m_direction = next * (1.0 / nextLength);
    m_length = nextLength;
    ++m_depth;
    static_cast<void>(solve());
    --m_depth;
    return true;
}

}
