#include "scene/geometry/Patch.h"

#include "base/Debug.h"
#include "scene/geometry/Polygon.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/render/Material.h"

namespace finch
{

namespace
{

constexpr int defaultSubdivision = 5;
constexpr int cellCorners = 4;

// The cubic Bezier basis; it is its own transpose.
const Matrix& bezierBasis()
{
    static const Matrix basis = [] {
        const double elements[16] = {-1, 3, -3, 1, 3, -6, 3, 0, -3, 3, 0, 0, 1, 0, 0, 0};
        Matrix m;
        m.setElements(elements);
        return m;
    }();
    return basis;
}

// The white lit material of patches given none, made once.
const heron::counted_ptr<Material>& patchMaterial()
{
    static const heron::counted_ptr<Material> material = [] {
        heron::counted_ptr<Material> made(new Material(RGBA{1.0f, 1.0f, 1.0f, 1.0f}));
        made->setName("Patch");
        made->setLit(true);
        return made;
    }();
    return material;
}

// a C b^T for rows of four.
double bilinear(const std::array<double, 4>& a, const Matrix& c, const std::array<double, 4>& b)
{
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            sum += a[std::size_t(i)] * c.at(i, j) * b[std::size_t(j)];
        }
    }
    return sum;
}

std::array<double, 4> powers(double t)
{
    return {t * t * t, t * t, t, 1.0};
}

std::array<double, 4> slopes(double t)
{
    return {3.0 * t * t, 2.0 * t, 1.0, 0.0};
}

}

Patch::Patch() = default;

void Patch::setControlPoints(const ControlPoints& points)
{
    for (int axis = 0; axis < 3; ++axis) {
        double g[16];
        for (int k = 0; k < 16; ++k) {
            g[k] = points[std::size_t(k)][axis];
        }
        Matrix geometry;
        geometry.setElements(g);
        Matrix left;
        left.multiply(bezierBasis(), geometry);
        m_coefficients[std::size_t(axis)].multiply(left, bezierBasis());
    }
}

void Patch::setSubdivision(int n)
{
    if (n < 1) {
        // The message keeps its old spelling: logs are searched for it.
        heron::debug("finch::Patch::setSubdivision() - n is zero or nagative!\n");
        return;
    }
    m_subdivision = n;
    const std::size_t count = std::size_t(n + 1) * std::size_t(n + 1);
    m_points.resize(count);
    m_normals.resize(count, Vector3f(0.0f, 0.0f, 1.0f));
    m_texCoords.resize(count);
}

void Patch::addPolygons(PolygonBranch& branch, const heron::counted_ptr<Material>& material)
{
    if (m_subdivision < 1) {
        setSubdivision(defaultSubdivision);
    }
    const heron::counted_ptr<Material>& used = material ? material : patchMaterial();
    sample();
    for (int row = 0; row < m_subdivision; ++row) {
        for (int column = 0; column < m_subdivision; ++column) {
            addCell(branch, used, row, column);
        }
    }
}

void Patch::sample()
{
    const int n = m_subdivision;
    const double step = 1.0 / n;
    for (int row = 0; row <= n; ++row) {
        const double v = row * step;
        for (int column = 0; column <= n; ++column) {
            const double u = column * step;
            Vector3d point;
            Vector3d uTangent;
            Vector3d vTangent;
            for (int axis = 0; axis < 3; ++axis) {
                const Matrix& c = m_coefficients[std::size_t(axis)];
                point[axis] = bilinear(powers(u), c, powers(v));
                uTangent[axis] = bilinear(slopes(u), c, powers(v));
                vTangent[axis] = bilinear(powers(u), c, slopes(v));
            }
            const std::size_t k = std::size_t(row * (n + 1) + column);
            m_points[k] = point;
            m_normals[k] = Vector3f(cross(vTangent, uTangent));
            m_texCoords[k] = {float(u), float(v)};
        }
    }
}

void Patch::addCell(PolygonBranch& branch, const heron::counted_ptr<Material>& material, int row, int column) const
{
    const int side = m_subdivision + 1;
    const std::size_t corners[cellCorners] = {std::size_t(row * side + column), std::size_t((row + 1) * side + column),
                                              std::size_t((row + 1) * side + column + 1),
                                              std::size_t(row * side + column + 1)};
    auto polygon = std::make_unique<Polygon>();
    polygon->setMaterial(material);
    bool leftOut = false;
    for (int i = 0; i < cellCorners; ++i) {
        const std::size_t k = corners[i];
        if (m_points[k] == m_points[corners[(i + 1) % cellCorners]]) {
            leftOut = true;
            continue;
        }
        auto vertex = std::make_unique<PolyVertex>();
        vertex->setPosition(m_points[k]);
        vertex->setNormal(m_normals[k]);
        vertex->setTexCoord(0, m_texCoords[k]);
        polygon->addVertex(vertex);
    }
    if (leftOut) {
        const Vector3f facing = polygon->normal();
        for (PolyVertex* vertex = polygon->firstVertex(); vertex != nullptr; vertex = vertex->next()) {
            if (vertex->normal() == Vector3f()) {
                vertex->setNormal(facing);
            }
        }
    }
    branch.addPolygon(std::move(polygon));
}

}
