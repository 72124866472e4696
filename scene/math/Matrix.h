#pragma once

#include "scene/math/Vector3d.h"

#include <cstdint>

namespace heron
{
class DataDest;
class DataSource;
}

namespace finch
{

// What a matrix's elements are known to be; the operations skip work by it. The numbers are stored.
enum class MatrixKind : std::int32_t
{
    Identity = 0,               // exactly the identity
    Rotation = 1,               // unit rows 0..2, no translation
    RotationTranslation = 2,    // unit rows 0..2, any translation
    Affine = 3,                 // scale or shear present
    Projective = 4,             // last column other than (0, 0, 0, 1)
};

// The designer's form of a placement: position, three angles in degrees and a scale.
struct Transform
{
    Vector3d position;
    double pitch = 0.0;     // about x
    double roll = 0.0;      // about y
    double heading = 0.0;   // about z; 0 looks along +y
    Vector3d scale{1.0, 1.0, 1.0};

    // The direction the placement looks along: (-sin h cos p, cos h cos p, sin p).
    Vector3d forward() const;
};

// A 4 x 4 double matrix for row vectors (p' = p * M, translation in row 3) with a kind word that
// always tells the truth about the elements. A value type.
class Matrix
{
public:
    // The identity.
    Matrix();

    void setIdentity();
    // True only for kind Identity with exactly the identity's elements.
    bool isIdentity() const;
    // The kind the elements alone give.
    MatrixKind classify() const;
    // Copies 16 elements in row order and returns the kind they classify as.
    MatrixKind setElements(const double* elements);
    // Identity with the translation v.
    void setTranslation(const Vector3d& v);
    // Rotation by degrees about an axis through the origin; an axis of near zero length gives the
    // identity. With row vectors a positive angle about +z turns x toward y.
    void setAxisRotation(double degrees, const Vector3d& axis);
    // Rotation from roll (about y), pitch (about x) and heading (about z), in degrees.
    void setRotation(double roll, double pitch, double heading);
    // The same rotation with each sine and cosine rounded to single precision first.
    void setRotationSinglePrecision(double roll, double pitch, double heading);
    // Rotation, then the scale (unless exactly 1, 1, 1), then the translation.
    void setTransform(const Transform& transform);

    // this = a * b (a applied first); a or b may be this.
    void multiply(const Matrix& a, const Matrix& b);
    // this = R * this and this = this * R, R the axis rotation.
    void preRotate(double degrees, const Vector3d& axis);
    void postRotate(double degrees, const Vector3d& axis);
    // this = S * this and this = this * S, S = diag(sx, sy, sz, 1).
    void preScale(const Vector3d& s);
    void postScale(const Vector3d& s);
    // Row 3 += v.
    void translate(const Vector3d& v);
    // Moves along the matrix's own axes: row 3 += x * row 0 + y * row 1 + z * row 2.
    void translateLocal(const Vector3d& v);

    // Writes the inverse into out; a singular matrix gives the identity.
    void getInverse(Matrix& out) const;
    // Lengths of rows 0..2 (1 where a row is near zero); (1, 1, 1) for kind RotationTranslation.
    Vector3d getScale() const;
    // out = p * M for a point (translation included); out may be p.
    void transformPoint(Vector3d& out, const Vector3d& p) const;
    // Position, angles and scale that rebuild this matrix as far as a Transform can.
    Transform getTransform() const;
    // Loads the elements into the GL model-view matrix (z-up aware).
    void loadGL() const;
    // The 16 elements rounded to floats, in the order loadGL hands them to GL.
    void toFloats(float out[16]) const;

    MatrixKind kind() const { return m_kind; }
    double at(int row, int column) const { return m_m[row][column]; }
    // The 16 elements in row order.
    const double* elements() const { return &m_m[0][0]; }

private:
    friend void readMatrix(heron::DataSource& source, Matrix& matrix);

    static Matrix scaling(const Vector3d& s);
    void setRotationFrom(double sr, double cr, double sp, double cp, double sh, double ch);
    void multiply3x3(const Matrix& a, const Matrix& b);
    void multiplyFull(const Matrix& a, const Matrix& b);
    void setTranslationPart(const Vector3d& t);
    void clearLastColumn();
    void invertGeneral(Matrix& out) const;

    double m_m[4][4];
    MatrixKind m_kind;
};

// out[i] = w[0] m0i + w[1] m1i + w[2] m2i + w[3] m3i.
void transformVector4(double out[4], const double w[4], const Matrix& m);
// Transforms every 9-float triangle (three points) of [begin, end) into out, in double precision.
void transformTriangles(const float* begin, const float* end, float* out, const Matrix& m);

// Stored form: int32 -1, the 16 elements as doubles in row order, one kind byte (kind + 1, or 100
// for a projective matrix).
void writeMatrix(heron::DataDest& dest, const Matrix& matrix);
// Reads the stored form, or the older one without the -1 marker and kind byte. A stored kind
// that promises more than the elements keep is replaced by theirs; elements that are not finite
// give the identity (logged); a short read leaves the matrix unchanged.
void readMatrix(heron::DataSource& source, Matrix& matrix);

}
