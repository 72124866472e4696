#include "scene/math/Vector3d.h"

#include "base/DataDest.h"
#include "base/DataSource.h"

#include <cmath>

namespace finch
{

double Vector3d::length() const
{
    return std::sqrt(lengthSquared());
}

bool Vector3d::isFinite() const
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

double Vector3d::normalize()
{
    const double squared = lengthSquared();
    if (squared <= tinySquaredLength) {
        *this = Vector3d();
        return 0.0;
    }
    const double length = std::sqrt(squared);
    *this = *this * (1.0 / length);
    return length;
}

double Vector3d::normalizeIfNonZero()
{
    const double squared = lengthSquared();
    if (squared <= tinySquaredLength) {
        return squared;
    }
    return normalize();
}

void Vector3d::toHeadingPitch(double& heading, double& pitch) const
{
    heading = std::atan2(-x, y) * radiansToDegrees;
    pitch = std::atan2(z, std::sqrt(x * x + y * y)) * radiansToDegrees;
}

void Vector3d::toHeadingPitchFloat(float& heading, float& pitch) const
{
    double h = 0.0;
    double p = 0.0;
    toHeadingPitch(h, p);
    heading = static_cast<float>(h);
    pitch = static_cast<float>(p);
}

void writeVector(heron::DataDest& dest, const Vector3d& v)
{
    dest.writeDouble(v.x).writeDouble(v.y).writeDouble(v.z);
}

void readVector(heron::DataSource& source, Vector3d& v)
{
    Vector3d read;
    source.readDouble(read.x).readDouble(read.y).readDouble(read.z);
    if (!source.hasError()) {
        v = read;
    }
}

bool Vector3f::normalize()
{
    const float squared = x * x + y * y + z * z;
    if (squared >= 0.999999f && squared < 1.000001f) {
        return true;
    }
    if (!(squared > 1e-18f)) {
        return false;
    }
    const float scale = 1.0f / std::sqrt(squared);
    x *= scale;
    y *= scale;
    z *= scale;
    return true;
}

void Plane::normalize()
{
    const auto squared = static_cast<float>(a * a + b * b + c * c);
    if (squared == 0.0f || (squared >= 0.999999f && squared <= 1.000001f)) {
        return;
    }
    const double scale = 1.0 / std::sqrt(static_cast<double>(squared));
    d *= scale;
    a *= scale;
    b *= scale;
    c *= scale;
}

}
