#pragma once

#include "scene/math/BoundingBox.h"
#include "scene/math/DoublePrecision.h"
#include "scene/math/Matrix.h"
#include "scene/math/Vector3d.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace finch
{

class Collider;

// How a collision answers a hit: the new step vector from the mover's state at the touch. The
// default instance slides along the touched plane. Stateless, so one instance serves every mover.
class CollisionAction
{
public:
    virtual ~CollisionAction() = default;
    // The rest of the step with its component along the hit plane's normal removed.
    virtual Vector3d respond(const Collider& mover);
    // The rest of the step with its normal component taken (1 + restitution) times: 0 slides,
    // 1 reflects.
    static Vector3d bounce(const Collider& mover, float restitution);
    // The process-wide sliding action.
    static CollisionAction& slide();
};

// A sphere moving along a straight step, and the interface of everything it can hit. Use in this
// order: setMove, addCollidee for each collidee (setMove empties the list), collide. The collidees
// and actions are not owned and must outlive the collide call. Main thread only.
class Collider : public DoublePrecision
{
public:
    // The deepest solver round.
    static constexpr std::int32_t roundLimit = 8;

    // No collidees; a step of length 1 from the origin along +z with radius 1.
    Collider();
    virtual ~Collider() = default;
    Collider(const Collider&) = delete;
    Collider& operator=(const Collider&) = delete;

    // Called once per collide before any test, in list order.
    virtual void prepare(const Collider& mover) {}
    // Where along the mover's direction its sphere first touches this collidee: true with the
    // distance and the touched point, false when nothing is touched within the step.
    virtual bool test(const Collider& mover, double& distance, Vector3d& contact) = 0;

    // Starts a step: the sphere of the radius at start moving by move. Empties the collidees.
    void setMove(const Vector3d& start, const Vector3d& move, double radius);
    // A null action slides.
    void addCollidee(Collider* collidee, CollisionAction* action);
    // Moves the sphere through the collidees, answering each touch by its action, at most
    // roundLimit rounds deep; true when something was touched. start() is then the end position.
    // An answer that would take the sphere back into a surface it touched earlier in the step
    // slides along the crease of the two instead. A step that is not finite, empty, or with a
    // radius that is not above 0 touches nothing and leaves the sphere where it is.
    bool collide();
    // Whether the last collide left part of its step unused: the sphere met something it could
    // not slide along (a wall met head on, a corner), or the rounds ran out.
    bool stopped() const { return m_stopped; }

    const Vector3d& start() const { return m_start; }
    const Vector3d& direction() const { return m_direction; }
    double length() const { return m_length; }
    double radius() const { return m_radius; }
    const Vector3d& originalDirection() const { return m_originalDirection; }
    const Vector3d& contact() const { return m_contact; }
    // The plane of the last touch, normal . p + constant = 0, the normal pointing at the sphere.
    const Vector3d& planeNormal() const { return m_planeNormal; }
    double planeConstant() const { return m_planeConstant; }
    std::int32_t depth() const { return m_depth; }
    // The box around everything the step can reach.
    const BoundingBox& sweptBox() const { return m_sweptBox; }
    // The frame in which collidees gather their geometry, and its inverse.
    const Matrix& matrix() const { return m_matrix; }
    const Matrix& inverse() const { return m_inverse; }

private:
    bool hasUsableStep() const;
    bool solve();
    // The nearest touch of all collidees within the step; null when there is none.
    CollisionAction* nearestTouch(double& distance);
    void setPlaneFromContact();
    // The answer kept out of the planes touched before in this step: along the crease with the
    // one it heads into, zero when that crease heads into another.
    Vector3d keptOffEarlierPlanes(const Vector3d& next) const;

    Vector3d m_start;
    Vector3d m_direction;
    double m_length = 0.0;
    double m_radius = 0.0;
    Vector3d m_originalDirection;
    Vector3d m_contact;
    Vector3d m_planeNormal{0.0, 0.0, 1.0};
    double m_planeConstant = 0.0;
    std::int32_t m_depth = 0;
    bool m_stopped = false;
    // The normal of the plane touched in each round of the step so far.
    std::array<Vector3d, roundLimit + 1> m_touched;
    BoundingBox m_sweptBox;
    Matrix m_matrix;
    Matrix m_inverse;
    std::vector<std::pair<Collider*, CollisionAction*>> m_collidees;
};

// A mover and nothing more: the sphere that a step sweeps, its collidees doing the testing.
class SweptSphere final : public Collider
{
public:
    bool test(const Collider&, double&, Vector3d&) override { return false; }
};

}
