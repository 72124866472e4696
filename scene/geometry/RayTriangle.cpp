#include "scene/geometry/RayTriangle.h"

#include "scene/math/Ray.h"

#include <cmath>

namespace finch
{

namespace
{

// The barycentric test in the projection that drops the normal's largest axis.
bool inside(const Vector3d& p, const Vector3d& a, const Vector3d& b, const Vector3d& c, const Vector3d& n)
{
    const double ax = std::fabs(n.x);
    const double ay = std::fabs(n.y);
    const double az = std::fabs(n.z);
    const int drop = ax > ay && ax > az ? 0 : (ay > az ? 1 : 2);
    const int i = (drop + 1) % 3;
    const int j = (drop + 2) % 3;
    const double e1i = b[i] - a[i];
    const double e1j = b[j] - a[j];
    const double e2i = c[i] - a[i];
    const double e2j = c[j] - a[j];
    const double pi = p[i] - a[i];
    const double pj = p[j] - a[j];
    const double area = e1i * e2j - e1j * e2i;
    if (area == 0.0) {
        return false;
    }
    const double u = (pi * e2j - pj * e2i) / area;
    const double v = (e1i * pj - e1j * pi) / area;
    return u >= 0.0 && v >= 0.0 && u + v <= 1.0;
}

}

bool rayMeetsTriangle(const Ray& ray, const Vector3d& a, const Vector3d& b, const Vector3d& c, bool cullFaces,
                      double& distance)
{
    const Vector3d n = cross(b - a, c - a);
    if (cullFaces && dot(n, ray.direction()) >= 0.0) {
        return false;
    }
    const double d = -dot(n, a);
    const double s0 = dot(n, ray.origin()) + d;
    const double s1 = dot(n, ray.endPoint()) + d;
    if (!(s0 * s1 < 0.0)) {
        return false;
    }
    const double t = s0 / (s0 - s1) * ray.length();
    if (!(t < distance) || !inside(ray.pointAt(t), a, b, c, n)) {
        return false;
    }
    distance = t;
    return true;
}

}
