#include "scene/math/Matrix.h"

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace
{

using finch::Matrix;
using finch::MatrixKind;
using finch::Vector3d;
using Elements = std::array<double, 16>;

Elements elementsOf(const Matrix& m)
{
    Elements e;
    std::copy(m.elements(), m.elements() + 16, e.begin());
    return e;
}

// The plain 4 x 4 product a * b.
Elements plainProduct(const Matrix& a, const Matrix& b)
{
    Elements r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            for (int k = 0; k < 4; ++k) {
                r[4 * i + j] += a.at(i, k) * b.at(k, j);
            }
        }
    }
    return r;
}

void expectNear(const Elements& actual, const Elements& expected, double tolerance = 1e-12)
{
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
    }
}

Matrix withElements(const Elements& e)
{
    Matrix m;
    m.setElements(e.data());
    return m;
}

// One matrix of every kind.
std::vector<Matrix> matrixOfEachKind()
{
    Matrix rotation;
    rotation.setRotation(20.0, -35.0, 110.0);
    Matrix rigid = rotation;
    rigid.translate(Vector3d(3.0, -4.0, 5.5));
    Matrix affine = rigid;
    affine.preScale(Vector3d(2.0, 0.5, 3.0));
    Matrix projective = withElements({1, 0, 0, 0.25, 0, 2, 0, 0, 0, 0, 1, 0.5, 1, 2, 3, 1});
    return {Matrix(), rotation, rigid, affine, projective};
}

std::vector<unsigned char> stored(const Matrix& m)
{
    heron::MemoryDataDest dest;
    finch::writeMatrix(dest, m);
    return {dest.data(), dest.data() + dest.size()};
}

Matrix readBack(const std::vector<unsigned char>& bytes, Matrix into = Matrix())
{
    heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    finch::readMatrix(source, into);
    return into;
}

}

TEST(MatrixTest, ClassificationFollowsTheElements)
{
    struct Case
    {
        Elements elements;
        MatrixKind kind;
    };
    const double c = std::cos(0.3);
    const double s = std::sin(0.3);
    const Case cases[] = {
        {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, MatrixKind::Identity},
        {{c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, MatrixKind::Rotation},
        {{c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 7, 1}, MatrixKind::RotationTranslation},
        // Unit rows that are not at right angles are a shear.
        {{1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, MatrixKind::Affine},
        {{1, 0, 0, 0, 0.6, 0.8, 0, 0, 0, 0, 1, 0, 0, 0, 3, 1}, MatrixKind::Affine},
        {{2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, MatrixKind::Affine},
        {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2}, MatrixKind::Projective},
        {{1, 0, 0, 0, 0, 1, 0, 1e-30, 0, 0, 1, 0, 0, 0, 0, 1}, MatrixKind::Projective},
    };
    for (const Case& test : cases) {
        Matrix m;
        EXPECT_EQ(m.setElements(test.elements.data()), test.kind);
        EXPECT_EQ(m.kind(), test.kind);
    }
    EXPECT_TRUE(Matrix().isIdentity());
    Matrix moved;
    moved.translate(Vector3d());
    EXPECT_FALSE(moved.isIdentity());   // kind 2 with the identity's elements
}

TEST(MatrixTest, ProductsChosenByKindMatchTheGeneralProduct)
{
    const std::vector<Matrix> kinds = matrixOfEachKind();
    const MatrixKind expectedKind[5][5] = {
        {MatrixKind::Identity, MatrixKind::Rotation, MatrixKind::RotationTranslation, MatrixKind::Affine, MatrixKind::Projective},
        {MatrixKind::Rotation, MatrixKind::Rotation, MatrixKind::RotationTranslation, MatrixKind::Affine, MatrixKind::Projective},
        {MatrixKind::RotationTranslation, MatrixKind::RotationTranslation, MatrixKind::RotationTranslation, MatrixKind::Affine, MatrixKind::Projective},
        {MatrixKind::Affine, MatrixKind::Affine, MatrixKind::Affine, MatrixKind::Affine, MatrixKind::Projective},
        {MatrixKind::Projective, MatrixKind::Projective, MatrixKind::Projective, MatrixKind::Projective, MatrixKind::Projective},
    };
    for (std::size_t a = 0; a < kinds.size(); ++a) {
        for (std::size_t b = 0; b < kinds.size(); ++b) {
            SCOPED_TRACE(testing::Message() << "kinds " << a << " x " << b);
            Matrix product;
            product.multiply(kinds[a], kinds[b]);
            expectNear(elementsOf(product), plainProduct(kinds[a], kinds[b]));
            EXPECT_EQ(product.kind(), expectedKind[a][b]);
            // Either operand may be the result.
            Matrix left = kinds[a];
            left.multiply(left, kinds[b]);
            expectNear(elementsOf(left), elementsOf(product));
        }
    }
}

TEST(MatrixTest, InversesChosenByKindUndoTheMatrix)
{
    for (const Matrix& m : matrixOfEachKind()) {
        Matrix inverse;
        m.getInverse(inverse);
        EXPECT_EQ(inverse.kind(), m.kind());
        Matrix product;
        product.multiply(m, inverse);
        expectNear(elementsOf(product), elementsOf(Matrix()), 1e-12);
        Matrix self = m;
        self.getInverse(self);
        expectNear(elementsOf(self), elementsOf(inverse));
    }
    // A shear of unit rows is inverted as a general matrix, not by transposing.
    const Matrix shear = withElements({1, 0, 0, 0, 0.6, 0.8, 0, 0, 0, 0, 1, 0, 0, 0, 3, 1});
    Matrix shearInverse;
    shear.getInverse(shearInverse);
    Matrix undone;
    undone.multiply(shear, shearInverse);
    expectNear(elementsOf(undone), elementsOf(Matrix()), 1e-12);
    Matrix singular = withElements({1, 2, 3, 0, 2, 4, 6, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    Matrix inverse = singular;
    singular.getInverse(inverse);
    EXPECT_TRUE(inverse.isIdentity());
}

TEST(MatrixTest, AxisRotationNormalisesOnlyAxesThatAreNotUnit)
{
    Matrix m;
    m.setAxisRotation(90.0, Vector3d(0.0, 0.0, 2.0));
    EXPECT_EQ(m.kind(), MatrixKind::Rotation);
    Vector3d x;
    m.transformPoint(x, Vector3d(1.0, 0.0, 0.0));
    EXPECT_NEAR(x.x, 0.0, 1e-15);
    EXPECT_NEAR(x.y, 1.0, 1e-15);   // x turns toward y about +z

    m.setAxisRotation(30.0, Vector3d(0.0, 0.0, 0.0));
    EXPECT_TRUE(m.isIdentity());

    // Squared length 1.00000000000005 is within the unit band: used as given, so the rows are
    // not exactly of unit length.
    const double z = std::sqrt(1.00000000000005);
    m.setAxisRotation(180.0, Vector3d(0.0, 0.0, z));
    Matrix normalised;
    normalised.setAxisRotation(180.0, Vector3d(0.0, 0.0, 1.0));
    EXPECT_NE(m.at(2, 2), normalised.at(2, 2));
}

TEST(MatrixTest, TransformsRoundTripThroughMatrices)
{
    struct Case
    {
        Vector3d position;
        double pitch, roll, heading;
        Vector3d scale;
        MatrixKind kind;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0, 0, 0, {1, 1, 1}, MatrixKind::RotationTranslation},
        {{1, -2, 3}, 30, -20, 150, {1, 1, 1}, MatrixKind::RotationTranslation},
        {{5, 5, 5}, -45, 60, -100, {2, 3, 0.5}, MatrixKind::Affine},
        {{0, 0, 0}, 10, 0, 45, {1, 1, 1.0000001}, MatrixKind::Affine},
    };
    for (const Case& c : cases) {
        const finch::Transform t{c.position, c.pitch, c.roll, c.heading, c.scale};
        Matrix m;
        m.setTransform(t);
        EXPECT_EQ(m.kind(), c.kind);
        const finch::Transform back = m.getTransform();
        EXPECT_NEAR(back.pitch, c.pitch, 1e-9);
        EXPECT_NEAR(back.roll, c.roll, 1e-9);
        EXPECT_NEAR(back.heading, c.heading, 1e-9);
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(back.position[a], c.position[a], 1e-12);
            EXPECT_NEAR(back.scale[a], c.scale[a], 1e-12);
        }
    }
}

TEST(MatrixTest, DecompositionAtGimbalLockStaysANumberAndKeepsTheHeading)
{
    // Pitch 90 degrees: rounding puts m12 a hair above 1.
    const Elements lock = {0.5, std::sqrt(0.75), 0, 0, 0, 0, 1.0000000000000002, 0,
                           std::sqrt(0.75), -0.5, 0, 0, 0, 0, 0, 1};
    const finch::Transform t = withElements(lock).getTransform();
    EXPECT_NEAR(t.pitch, 90.0, 1e-12);
    EXPECT_EQ(t.roll, 0.0);
    EXPECT_NEAR(t.heading, 60.0, 1e-9);
    Matrix negative;
    negative.setRotation(0.0, 90.0, -60.0);
    EXPECT_NEAR(negative.getTransform().heading, -60.0, 1e-9);
}

TEST(MatrixTest, ScaleOfRigidMatricesIsOneAndZeroRowsCountAsOne)
{
    Matrix rigid;
    rigid.setTranslation(Vector3d(1, 2, 3));
    EXPECT_EQ(rigid.getScale(), Vector3d(1, 1, 1));
    const Matrix flat = withElements({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1});
    EXPECT_EQ(flat.getScale(), Vector3d(2, 1, 3));
}

TEST(MatrixTest, LocalTranslationMovesAlongTheMatrixAxes)
{
    Matrix m;
    m.setRotation(0.0, 0.0, 90.0);
    m.translateLocal(Vector3d(0.0, 1.0, 0.0));   // forward is -x at heading 90
    EXPECT_EQ(m.kind(), MatrixKind::RotationTranslation);
    EXPECT_NEAR(m.at(3, 0), -1.0, 1e-15);
    EXPECT_NEAR(m.at(3, 1), 0.0, 1e-15);
    finch::Transform t;
    t.heading = 90.0;
    EXPECT_NEAR(t.forward().x, -1.0, 1e-15);

}

TEST(MatrixTest, StoredMatricesReadBackToTheSameBytes)
{
    for (const Matrix& m : matrixOfEachKind()) {
        const std::vector<unsigned char> bytes = stored(m);
        ASSERT_EQ(bytes.size(), 4u + 16 * 8 + 1);
        EXPECT_EQ(bytes.back(), m.kind() == MatrixKind::Projective ? 100 : static_cast<int>(m.kind()) + 1);
        const Matrix back = readBack(bytes);
        EXPECT_EQ(back.kind(), m.kind());
        EXPECT_EQ(stored(back), bytes);
    }
}

TEST(MatrixTest, ReadingTrustsOnlyWhatTheElementsKeep)
{
    Matrix rotation;
    rotation.setRotation(0.0, 0.0, 30.0);
    std::vector<unsigned char> bytes = stored(rotation);
    const auto withKindByte = [&](unsigned char kind) {
        bytes.back() = kind;
        return readBack(bytes).kind();
    };
    EXPECT_EQ(withKindByte(0), MatrixKind::Projective);
    EXPECT_EQ(withKindByte(5), MatrixKind::Projective);
    EXPECT_EQ(withKindByte(4), MatrixKind::Affine);     // more general than needed: kept
    EXPECT_EQ(withKindByte(1), MatrixKind::Rotation);   // claims identity: the elements say rotation

    // The older form has no marker and no kind byte.
    std::vector<unsigned char> older(bytes.begin(), bytes.end() - 1);
    older[0] = older[1] = older[2] = older[3] = 0;
    older.push_back(0xAB);
    heron::MemoryDataSource source(older.data(), std::uint32_t(older.size()), false);
    Matrix m;
    finch::readMatrix(source, m);
    EXPECT_EQ(m.kind(), MatrixKind::Rotation);
    EXPECT_EQ(source.remaining(), 1u);

    // Values that are not numbers would poison every transform below: identity instead.
    LogCapture log;
    std::vector<unsigned char> poisoned = stored(rotation);
    std::fill(poisoned.begin() + 4, poisoned.begin() + 12, 0xFF);
    EXPECT_TRUE(readBack(poisoned, rotation).isIdentity());
    EXPECT_TRUE(log.contains("identity used"));

    // A short read leaves the matrix as it was.
    const std::vector<unsigned char> cut(bytes.begin(), bytes.end() - 1);
    EXPECT_EQ(elementsOf(readBack(cut, rotation)), elementsOf(rotation));
}

TEST(MatrixTest, VectorNormalisationKeepsTinyVectorsApart)
{
    Vector3d v(0.0, 0.0, 1e-51);
    EXPECT_DOUBLE_EQ(v.normalizeIfNonZero(), 1e-102);
    EXPECT_EQ(v, Vector3d(0.0, 0.0, 1e-51));
    EXPECT_EQ(v.normalize(), 0.0);
    EXPECT_EQ(v, Vector3d());
    Vector3d w(3.0, 0.0, 4.0);
    EXPECT_EQ(w.normalize(), 5.0);
    EXPECT_DOUBLE_EQ(w.length(), 1.0);

    finch::Vector3f f(0.0f, 0.0f, 1e-10f);
    EXPECT_FALSE(f.normalize());
    finch::Plane plane{4.0, 0.0, 0.0, 2.0};
    plane.normalize();
    EXPECT_EQ(plane.d, 2.0);
    EXPECT_EQ(plane.c, 1.0);
}
