#pragma once

namespace heron
{
class DataDest;
class DataSource;
}

namespace finch
{

// Degrees to radians (pi times 1/180, as the engine has always computed it) and back.
constexpr double degreesToRadians = 3.141592653589793 * 0.005555555555555556;
constexpr double radiansToDegrees = 180.0 / 3.141592653589793;

// Squared lengths at or below this count as zero.
constexpr double tinySquaredLength = 1e-100;

// A point or direction in double precision; points are row vectors (p' = p * M).
struct Vector3d
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr Vector3d() = default;
    constexpr Vector3d(double x, double y, double z) : x(x), y(y), z(z) {}

    // out = (-x, -y, -z).
    void negated(Vector3d& out) const { out = Vector3d(-x, -y, -z); }
    // Scales to unit length and returns the old length; a vector of squared length at most 1e-100
    // becomes (0, 0, 0) and 0 is returned.
    double normalize();
    // As normalize, but a vector of squared length at most 1e-100 is left as it is and its squared
    // length is returned.
    double normalizeIfNonZero();
    // Heading atan2(-x, y) and pitch atan2(z, sqrt(x^2 + y^2)), in degrees.
    void toHeadingPitch(double& heading, double& pitch) const;
    void toHeadingPitchFloat(float& heading, float& pitch) const;

    double lengthSquared() const { return x * x + y * y + z * z; }
    double length() const;
    // True when no component is a NaN or an infinity.
    bool isFinite() const;

    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    bool operator==(const Vector3d& other) const = default;
};

inline Vector3d operator+(const Vector3d& a, const Vector3d& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

inline Vector3d operator-(const Vector3d& a, const Vector3d& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

inline Vector3d operator*(const Vector3d& v, double s)
{
    return {v.x * s, v.y * s, v.z * s};
}

inline double dot(const Vector3d& a, const Vector3d& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vector3d cross(const Vector3d& u, const Vector3d& v)
{
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

// Stored form: x, y and z as doubles.
void writeVector(heron::DataDest& dest, const Vector3d& v);
// Reads the stored form; v is unchanged when the bytes run short.
void readVector(heron::DataSource& source, Vector3d& v);

// Three floats, for geometry and particles; made from a Vector3d by rounding each component.
struct Vector3f
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vector3f() = default;
    constexpr Vector3f(float x, float y, float z) : x(x), y(y), z(z) {}
    explicit constexpr Vector3f(const Vector3d& v)
        : x(static_cast<float>(v.x)), y(static_cast<float>(v.y)), z(static_cast<float>(v.z))
    {
    }

    // With the squared length in single precision: near 1 (within 1e-6) the vector is left and true
    // returned; at most 1e-18 (or not a number) it is left and false returned; otherwise it is
    // scaled to unit length and true returned.
    bool normalize();
    bool operator==(const Vector3f& other) const = default;
};

// The plane a*x + b*y + c*z + d = 0, stored in the order d, a, b, c; (a, b, c) is its normal.
struct Plane
{
    double d = 0.0;
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;

    // Scales all four values so the normal has unit length; with the normal's squared length in
    // single precision, 0 or a value within 1e-6 of 1 leaves the plane as it is.
    void normalize();
};

}
