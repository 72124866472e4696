#include "scene/collide/TriangleCollider.h"

#include <cmath>

namespace finch
{

namespace
{

constexpr double noHit = 1e300;
constexpr float clearance = 0.001f;
// Steps shorter than this test nothing.
constexpr double shortestStep = double(clearance) * double(clearance);

Vector3d corner(const CollisionTriangle& triangle, int k)
{
    return {triangle.corners[3 * k], triangle.corners[3 * k + 1], triangle.corners[3 * k + 2]};
}

Vector3d roundedToFloat(const Vector3d& p)
{
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// One triangle against the mover's sphere.
class TriangleTest
{
public:
    TriangleTest(const Collider& mover, const CollisionTriangle& triangle)
        : m_s(mover.start()), m_d(mover.direction()), m_length(mover.length()), m_radius(mover.radius())
    {
        for (int k = 0; k < 3; ++k) {
            m_corner[k] = corner(triangle, k);
        }
    }

    // True with the distance along the step and the touched point.
    bool run(double& t, Vector3d& contact)
    {
        const Vector3d normal = cross(m_corner[1] - m_corner[0], m_corner[2] - m_corner[0]);
        // Facing away, edge-on, without area or not a number: never blocks.
        if (!(dot(m_d, normal) < 0.0)) {
            return false;
        }
        Vector3d q;
        if (!planeTouch(normal, t, q)) {
            return false;
        }
        if (inside(normal, q)) {
            contact = q;
            return liesAhead(q);
        }
        return boundaryTouch(t, contact);
    }

private:
    // Where the sphere first meets the triangle's plane, or where the plane already cuts it.
    bool planeTouch(const Vector3d& normal, double& t, Vector3d& q) const
    {
        Vector3d n = normal;
        n.normalize();
        const double pc = -dot(n, m_corner[0]);
        const double s = dot(n, m_s) + pc;
        if (s >= m_radius) {
            const Vector3d leading = m_s - n * m_radius;
            t = -(dot(n, leading) + pc) / dot(m_d, n);
            if (!(t < m_length)) {
                return false;
            }
            q = roundedToFloat(leading + m_d * t);
            return true;
        }
        if (s > -m_radius) {
            t = 0.0;
            q = roundedToFloat(m_s - n * s);
            return true;
        }
        return false;
    }

    // The barycentric test in the coordinate plane that drops the normal's largest component.
    bool inside(const Vector3d& normal, const Vector3d& q) const
    {
        const double ax = std::fabs(normal.x);
        const double ay = std::fabs(normal.y);
        const double az = std::fabs(normal.z);
        // Ties drop the first of the largest axes: a normal whose largest components tie (a wall
        // at 45 degrees) must not drop an axis it has no extent across.
        const int drop = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
        const int i = (drop + 1) % 3;
        const int j = (drop + 2) % 3;
        const double area = normal[drop];
        if (area == 0.0) {
            return false;
        }
        const Vector3d e1 = m_corner[1] - m_corner[0];
        const Vector3d e2 = m_corner[2] - m_corner[0];
        const Vector3d p = q - m_corner[0];
        const double u = (p[i] * e2[j] - p[j] * e2[i]) / area;
        const double v = (e1[i] * p[j] - e1[j] * p[i]) / area;
        return u > 0.0 && v > 0.0 && u + v <= 1.0;
    }

    // The earliest touch of the sphere with a corner or an edge of the triangle. The touch of the
    // boundary point nearest to the plane touch is not enough: a sphere passing a convex edge
    // obliquely can miss that point and cross the edge.
    bool boundaryTouch(double& t, Vector3d& contact) const
    {
        double best = noHit;
        for (const Vector3d& corner : m_corner) {
            keepEarlier(cornerTouch(corner), corner, best, contact);
        }
        static constexpr int edges[3][2] = {{0, 1}, {0, 2}, {1, 2}};
        for (const auto& [from, to] : edges) {
            Vector3d onEdge;
            keepEarlier(edgeTouch(m_corner[from], m_corner[to], onEdge), onEdge, best, contact);
        }
        t = best;
        return best < m_length;
    }

    void keepEarlier(double t, const Vector3d& point, double& best, Vector3d& contact) const
    {
        const Vector3d rounded = roundedToFloat(point);
        if (t < best && liesAhead(rounded)) {
            best = t;
            contact = rounded;
        }
    }

    // Where along the step the sphere's surface reaches the point; noHit when it never does.
    double cornerTouch(const Vector3d& p) const
    {
        const Vector3d v = m_s - p;
        const double b = -dot(v, m_d);
        const double disc = m_radius * m_radius - (v.lengthSquared() - b * b);
        return disc >= 0.0 ? b - std::sqrt(disc) : noHit;
    }

    // Where along the step the sphere's surface reaches the inside of the edge from p0 to p1,
    // with the point it touches; noHit when it never does.
    double edgeTouch(const Vector3d& p0, const Vector3d& p1, Vector3d& onEdge) const
    {
        const Vector3d e = p1 - p0;
        const Vector3d w = m_s - p0;
        const double ee = e.lengthSquared();
        const double ed = dot(e, m_d);
        const double ew = dot(e, w);
        const double a = ee - ed * ed;
        if (!(a > 0.0)) {
            return noHit;
        }
        const double b = ee * dot(m_d, w) - ed * ew;
        const double c = ee * (w.lengthSquared() - m_radius * m_radius) - ew * ew;
        const double disc = b * b - a * c;
        if (!(disc >= 0.0)) {
            return noHit;
        }
        const double t = (-b - std::sqrt(disc)) / a;
        const double f = (ew + ed * t) / ee;
        if (!(f > 0.0 && f < 1.0)) {
            return noHit;
        }
        onEdge = p0 + e * f;
        return t;
    }

    // Whether the touched point lies ahead of the sphere's centre along the motion.
    bool liesAhead(const Vector3d& contact) const
    {
        const float ahead = static_cast<float>(contact.x - m_s.x) * static_cast<float>(m_d.x) +
                            static_cast<float>(contact.y - m_s.y) * static_cast<float>(m_d.y) +
                            static_cast<float>(contact.z - m_s.z) * static_cast<float>(m_d.z);
        return ahead > clearance;
    }

    Vector3d m_s;
    Vector3d m_d;
    double m_length;
    double m_radius;
    Vector3d m_corner[3];
};

}

void TriangleCollider::prepare(const Collider& mover)
{
    m_triangles.clear();
    collectTriangles(mover, m_triangles);
}

bool TriangleCollider::test(const Collider& mover, double& distance, Vector3d& contact)
{
    double best = noHit;
    if (mover.length() > shortestStep) {
        for (const CollisionTriangle& triangle : m_triangles) {
            double t = 0.0;
            Vector3d touched;
            if (TriangleTest(mover, triangle).run(t, touched) && t < best) {
                best = t;
                contact = touched;
            }
        }
    }
    distance = best;
    return best < noHit;
}

}
