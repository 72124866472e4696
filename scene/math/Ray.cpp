#include "scene/math/Ray.h"

#include "scene/math/Matrix.h"

namespace finch
{

void Ray::setThrough(const Vector3d& p)
{
    setSegment(m_origin, p);
}

void Ray::setTransformed(const Ray& ray, const Matrix& m)
{
    Vector3d start;
    Vector3d end;
    m.transformPoint(start, ray.origin());
    m.transformPoint(end, ray.endPoint());
    setSegment(start, end);
}

void Ray::setSegment(const Vector3d& start, const Vector3d& end)
{
    m_origin = start;
    m_direction = end - start;
    m_length = m_direction.length();
    if (m_length >= tinySquaredLength) {
        m_direction = m_direction * (1.0 / m_length);
    }
}

}
