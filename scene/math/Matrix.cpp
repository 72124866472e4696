#include "scene/math/Matrix.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "gui/gl/GLstate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace finch
{

namespace
{

constexpr double unitLow = 0.9999999999999;
constexpr double unitHigh = 1.0000000000001;
constexpr double orthogonalLimit = unitHigh - 1.0;
// The stored kind byte of a projective matrix.
constexpr int projectiveKindByte = 100;
// Below this |cos(pitch)| a decomposition is at gimbal lock.
constexpr double gimbalLimit = 0.0001;

constexpr double identityElements[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

bool isUnit(double squared)
{
    return squared >= unitLow && squared <= unitHigh;
}

bool isKind(MatrixKind kind, MatrixKind a, MatrixKind b)
{
    return kind == a || kind == b;
}

// asin and acos of a value that rounding may have pushed just past +-1.
double safeAsin(double value)
{
    return std::asin(std::clamp(value, -1.0, 1.0));
}

double safeAcos(double value)
{
    return std::acos(std::clamp(value, -1.0, 1.0));
}

}

Vector3d Transform::forward() const
{
    const double h = heading * degreesToRadians;
    const double p = pitch * degreesToRadians;
    return {-std::sin(h) * std::cos(p), std::cos(h) * std::cos(p), std::sin(p)};
}

Matrix::Matrix()
{
    setIdentity();
}

void Matrix::setIdentity()
{
    std::memcpy(m_m, identityElements, sizeof m_m);
    m_kind = MatrixKind::Identity;
}

bool Matrix::isIdentity() const
{
    return m_kind == MatrixKind::Identity && std::memcmp(m_m, identityElements, sizeof m_m) == 0;
}

MatrixKind Matrix::classify() const
{
    if (m_m[0][3] != 0.0 || m_m[1][3] != 0.0 || m_m[2][3] != 0.0 || m_m[3][3] != 1.0) {
        return MatrixKind::Projective;
    }
    bool identity = true;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            identity = identity && m_m[row][column] == identityElements[row][column];
        }
    }
    if (identity) {
        return MatrixKind::Identity;
    }
    // Rigid only with unit rows at right angles: a shear of unit rows is no rotation, and its
    // transpose no inverse.
    for (int row = 0; row < 3; ++row) {
        const double* r = m_m[row];
        const double* next = m_m[(row + 1) % 3];
        if (!isUnit(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) ||
            std::abs(r[0] * next[0] + r[1] * next[1] + r[2] * next[2]) > orthogonalLimit) {
            return MatrixKind::Affine;
        }
    }
    const bool translated = m_m[3][0] != 0.0 || m_m[3][1] != 0.0 || m_m[3][2] != 0.0;
    return translated ? MatrixKind::RotationTranslation : MatrixKind::Rotation;
}

MatrixKind Matrix::setElements(const double* elements)
{
    std::memcpy(m_m, elements, sizeof m_m);
    m_kind = classify();
    return m_kind;
}

void Matrix::setTranslation(const Vector3d& v)
{
    setIdentity();
    setTranslationPart(v);
    m_kind = MatrixKind::RotationTranslation;
}

void Matrix::setAxisRotation(double degrees, const Vector3d& axis)
{
    Vector3d n = axis;
    const double squared = n.lengthSquared();
    if (!isUnit(squared)) {
        if (squared < tinySquaredLength) {
            setIdentity();
            return;
        }
        n = n * (1.0 / std::sqrt(squared));
    }
    const double a = degrees * degreesToRadians;
    const double s = std::sin(a);
    const double c = std::cos(a);
    const double t = 1.0 - c;
    const double x = n.x;
    const double y = n.y;
    const double z = n.z;
    const double rows[3][3] = {
        {t * x * x + c, t * x * y + s * z, t * x * z - s * y},
        {t * x * y - s * z, t * y * y + c, t * y * z + s * x},
        {t * x * z + s * y, t * y * z - s * x, t * z * z + c},
    };
    for (int row = 0; row < 3; ++row) {
        std::copy(rows[row], rows[row] + 3, m_m[row]);
    }
    setTranslationPart(Vector3d());
    clearLastColumn();
    m_kind = MatrixKind::Rotation;
}

void Matrix::setRotation(double roll, double pitch, double heading)
{
    const double p = pitch * degreesToRadians;
    const double h = heading * degreesToRadians;
    double sr = 0.0;
    double cr = 1.0;
    if (roll != 0.0) {
        sr = std::sin(roll * degreesToRadians);
        cr = std::cos(roll * degreesToRadians);
    }
    setRotationFrom(sr, cr, std::sin(p), std::cos(p), std::sin(h), std::cos(h));
}

void Matrix::setRotationSinglePrecision(double roll, double pitch, double heading)
{
    const auto single = [](double value) { return static_cast<double>(static_cast<float>(value)); };
    const double r = roll * degreesToRadians;
    const double p = pitch * degreesToRadians;
    const double h = heading * degreesToRadians;
    double sr = 0.0;
    double cr = 1.0;
    if (roll != 0.0) {
        sr = single(std::sin(r));
        cr = single(std::cos(r));
    }
    setRotationFrom(sr, cr, single(std::sin(p)), single(std::cos(p)), single(std::sin(h)), single(std::cos(h)));
}

void Matrix::setRotationFrom(double sr, double cr, double sp, double cp, double sh, double ch)
{
    m_m[0][0] = ch * cr - sh * sp * sr;
    m_m[0][1] = ch * sp * sr + sh * cr;
    m_m[0][2] = -cp * sr;
    m_m[1][0] = -sh * cp;
    m_m[1][1] = ch * cp;
    m_m[1][2] = sp;
    m_m[2][0] = sh * sp * cr + ch * sr;
    m_m[2][1] = sh * sr - ch * sp * cr;
    m_m[2][2] = cp * cr;
    setTranslationPart(Vector3d());
    clearLastColumn();
    m_kind = MatrixKind::Rotation;
}

void Matrix::setTransform(const Transform& transform)
{
    setRotation(transform.roll, transform.pitch, transform.heading);
    if (transform.scale != Vector3d(1.0, 1.0, 1.0)) {
        preScale(transform.scale);
    }
    translate(transform.position);
}

void Matrix::multiply(const Matrix& a, const Matrix& b)
{
    const MatrixKind ka = a.m_kind;
    const MatrixKind kb = b.m_kind;
    if (ka == MatrixKind::Projective || kb == MatrixKind::Projective) {
        multiplyFull(a, b);
    } else if (ka == MatrixKind::Identity && kb == MatrixKind::Identity) {
        setIdentity();
    } else if (ka == MatrixKind::Identity) {
        *this = b;
    } else if (kb == MatrixKind::Identity) {
        *this = a;
    } else {
        multiply3x3(a, b);
    }
}

void Matrix::multiply3x3(const Matrix& a, const Matrix& b)
{
    const MatrixKind ka = a.m_kind;
    const MatrixKind kb = b.m_kind;
    // Rows 0..2: the 3 x 3 product; row 3: a's translation carried through b's 3 x 3 part, then
    // b's own translation.
    double r[4][3];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            r[i][j] = a.m_m[i][0] * b.m_m[0][j] + a.m_m[i][1] * b.m_m[1][j] + a.m_m[i][2] * b.m_m[2][j];
        }
    }
    for (int j = 0; j < 3; ++j) {
        r[3][j] = (ka == MatrixKind::Rotation ? 0.0 : r[3][j]) + (kb == MatrixKind::Rotation ? 0.0 : b.m_m[3][j]);
    }
    for (int i = 0; i < 4; ++i) {
        m_m[i][0] = r[i][0];
        m_m[i][1] = r[i][1];
        m_m[i][2] = r[i][2];
        m_m[i][3] = i == 3 ? 1.0 : 0.0;
    }
    const bool bothRigid = ka == MatrixKind::RotationTranslation && kb == MatrixKind::RotationTranslation;
    if (ka == MatrixKind::Rotation) {
        m_kind = kb;
    } else if (kb == MatrixKind::Rotation) {
        m_kind = ka;
    } else {
        m_kind = bothRigid ? MatrixKind::RotationTranslation : MatrixKind::Affine;
    }
}

void Matrix::multiplyFull(const Matrix& a, const Matrix& b)
{
    double r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r[i][j] = a.m_m[i][0] * b.m_m[0][j] + a.m_m[i][1] * b.m_m[1][j] + a.m_m[i][2] * b.m_m[2][j] +
                      a.m_m[i][3] * b.m_m[3][j];
        }
    }
    std::memcpy(m_m, r, sizeof m_m);
    m_kind = MatrixKind::Projective;
}

void Matrix::preRotate(double degrees, const Vector3d& axis)
{
    Matrix rotation;
    rotation.setAxisRotation(degrees, axis);
    multiply(rotation, *this);
}

void Matrix::postRotate(double degrees, const Vector3d& axis)
{
    Matrix rotation;
    rotation.setAxisRotation(degrees, axis);
    multiply(*this, rotation);
}

Matrix Matrix::scaling(const Vector3d& s)
{
    // A scale matrix is general even when its factors happen to be 1.
    Matrix scale;
    scale.m_m[0][0] = s.x;
    scale.m_m[1][1] = s.y;
    scale.m_m[2][2] = s.z;
    scale.m_kind = MatrixKind::Affine;
    return scale;
}

void Matrix::preScale(const Vector3d& s)
{
    multiply(scaling(s), *this);
}

void Matrix::postScale(const Vector3d& s)
{
    multiply(*this, scaling(s));
}

void Matrix::translate(const Vector3d& v)
{
    for (int j = 0; j < 3; ++j) {
        m_m[3][j] += v[j];
    }
    if (isKind(m_kind, MatrixKind::Identity, MatrixKind::Rotation)) {
        m_kind = MatrixKind::RotationTranslation;
    }
}

void Matrix::translateLocal(const Vector3d& v)
{
    for (int j = 0; j < 4; ++j) {
        m_m[3][j] += v.x * m_m[0][j] + v.y * m_m[1][j] + v.z * m_m[2][j];
    }
    if (isKind(m_kind, MatrixKind::Identity, MatrixKind::Rotation)) {
        m_kind = MatrixKind::RotationTranslation;
    }
}

void Matrix::getInverse(Matrix& out) const
{
    if (m_kind == MatrixKind::Identity) {
        out.setIdentity();
        return;
    }
    if (!isKind(m_kind, MatrixKind::Rotation, MatrixKind::RotationTranslation)) {
        invertGeneral(out);
        return;
    }
    Matrix inverse;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            inverse.m_m[i][j] = m_m[j][i];
        }
    }
    Vector3d t;
    if (m_kind == MatrixKind::RotationTranslation) {
        for (int j = 0; j < 3; ++j) {
            t[j] = -(m_m[3][0] * m_m[j][0] + m_m[3][1] * m_m[j][1] + m_m[3][2] * m_m[j][2]);
        }
    }
    inverse.setTranslationPart(t);
    inverse.m_kind = m_kind;
    out = inverse;
}

void Matrix::invertGeneral(Matrix& out) const
{
    double a[4][4];
    double b[4][4];
    std::memcpy(a, m_m, sizeof a);
    std::memcpy(b, identityElements, sizeof b);
    for (int column = 0; column < 4; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 4; ++row) {
            if (std::fabs(a[row][column]) > std::fabs(a[pivot][column])) {
                pivot = row;
            }
        }
        if (a[pivot][column] == 0.0) {
            out.setIdentity();
            return;
        }
        std::swap(a[pivot], a[column]);
        std::swap(b[pivot], b[column]);
        const double scale = 1.0 / a[column][column];
        for (int j = 0; j < 4; ++j) {
            a[column][j] *= scale;
            b[column][j] *= scale;
        }
        for (int row = 0; row < 4; ++row) {
            const double factor = a[row][column];
            if (row == column || factor == 0.0) {
                continue;
            }
            for (int j = 0; j < 4; ++j) {
                a[row][j] -= factor * a[column][j];
                b[row][j] -= factor * b[column][j];
            }
        }
    }
    const MatrixKind kind = m_kind;
    std::memcpy(out.m_m, b, sizeof b);
    out.m_kind = kind;
    if (kind != MatrixKind::Projective) {
        out.clearLastColumn();
    }
}

Vector3d Matrix::getScale() const
{
    if (m_kind == MatrixKind::RotationTranslation) {
        return {1.0, 1.0, 1.0};
    }
    Vector3d scale;
    for (int row = 0; row < 3; ++row) {
        const double* r = m_m[row];
        const double length = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
        scale[row] = length < tinySquaredLength ? 1.0 : length;
    }
    return scale;
}

void Matrix::transformPoint(Vector3d& out, const Vector3d& p) const
{
    const double x = p.x;
    const double y = p.y;
    const double z = p.z;
    out.x = x * m_m[0][0] + y * m_m[1][0] + z * m_m[2][0] + m_m[3][0];
    out.y = x * m_m[0][1] + y * m_m[1][1] + z * m_m[2][1] + m_m[3][1];
    out.z = x * m_m[0][2] + y * m_m[1][2] + z * m_m[2][2] + m_m[3][2];
}

Transform Matrix::getTransform() const
{
    Transform result;
    result.position = Vector3d(m_m[3][0], m_m[3][1], m_m[3][2]);
    Vector3d scale = getScale();
    const auto nearOne = [](double s) { return s >= unitLow && s < unitHigh; };
    if (m_kind != MatrixKind::RotationTranslation && nearOne(scale.x) && nearOne(scale.y) && nearOne(scale.z)) {
        scale = Vector3d(1.0, 1.0, 1.0);
    }
    result.scale = scale;
    double r[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r[i][j] = m_m[i][j] / scale[i];
        }
    }
    const double pitch = safeAsin(r[1][2]);
    double roll = 0.0;
    double heading = 0.0;
    if (std::fabs(std::cos(pitch)) >= gimbalLimit) {
        roll = std::atan2(-r[0][2], r[2][2]);
        heading = std::atan2(-r[1][0], r[1][1]);
    } else {
        // At gimbal lock only heading and roll together are known: roll is taken as 0 and the
        // heading keeps the sign row 0 gives it.
        heading = std::copysign(safeAcos(r[0][0]), r[0][1]);
    }
    result.pitch = pitch * radiansToDegrees;
    result.roll = roll * radiansToDegrees;
    result.heading = heading * radiansToDegrees;
    return result;
}

void Matrix::loadGL() const
{
    float elements[16];
    toFloats(elements);
    kestrel::loadMatrix(elements);
}

void Matrix::toFloats(float out[16]) const
{
    const double* source = elements();
    for (int i = 0; i < 16; ++i) {
        out[i] = static_cast<float>(source[i]);
    }
}

void Matrix::setTranslationPart(const Vector3d& t)
{
    m_m[3][0] = t.x;
    m_m[3][1] = t.y;
    m_m[3][2] = t.z;
}

void Matrix::clearLastColumn()
{
    m_m[0][3] = 0.0;
    m_m[1][3] = 0.0;
    m_m[2][3] = 0.0;
    m_m[3][3] = 1.0;
}

void transformVector4(double out[4], const double w[4], const Matrix& m)
{
    double result[4];
    for (int i = 0; i < 4; ++i) {
        result[i] = w[0] * m.at(0, i) + w[1] * m.at(1, i) + w[2] * m.at(2, i) + w[3] * m.at(3, i);
    }
    std::copy(result, result + 4, out);
}

void transformTriangles(const float* begin, const float* end, float* out, const Matrix& m)
{
    constexpr std::ptrdiff_t triangleFloats = 9;
    for (; end - begin >= triangleFloats; begin += triangleFloats, out += triangleFloats) {
        for (int point = 0; point < 3; ++point) {
            const float* p = begin + 3 * point;
            Vector3d result;
            m.transformPoint(result, Vector3d(p[0], p[1], p[2]));
            out[3 * point] = static_cast<float>(result.x);
            out[3 * point + 1] = static_cast<float>(result.y);
            out[3 * point + 2] = static_cast<float>(result.z);
        }
    }
}

void writeMatrix(heron::DataDest& dest, const Matrix& matrix)
{
    dest.writeInt32(-1);
    const double* elements = matrix.elements();
    for (int i = 0; i < 16; ++i) {
        dest.writeDouble(elements[i]);
    }
    const auto kind = static_cast<int>(matrix.kind());
    dest.writeByte(static_cast<char>(matrix.kind() == MatrixKind::Projective ? projectiveKindByte : kind + 1));
}

void readMatrix(heron::DataSource& source, Matrix& matrix)
{
    std::int32_t marker = 0;
    double elements[16];
    source.readInt32(marker);
    for (double& element : elements) {
        source.readDouble(element);
    }
    MatrixKind stored = MatrixKind::Identity;
    if (marker == -1) {
        char byte = 0;
        source.readByte(byte);
        stored = byte >= 1 && byte <= 4 ? static_cast<MatrixKind>(byte - 1) : MatrixKind::Projective;
    }
    if (source.hasError()) {
        return;
    }
    if (!std::all_of(elements, elements + 16, [](double e) { return std::isfinite(e); })) {
        heron::debug("readMatrix() - a stored matrix holds values that are not numbers, identity used!\n");
        matrix.setIdentity();
        return;
    }
    const MatrixKind computed = matrix.setElements(elements);
    // A stored kind may be more general than the elements need, never less: the operations
    // would skip arithmetic the elements require.
    if (marker == -1) {
        matrix.m_kind = std::max(stored, computed);
    }
}

}
