#pragma once

#include "base/counted_ptr.h"
#include "scene/geometry/GeoBunchStreams.h"
#include "scene/math/Matrix.h"
#include "scene/math/Vector3d.h"

#include <array>
#include <vector>

namespace finch
{

class Material;
class PolygonBranch;

// A bicubic Bezier surface of 16 control points, sampled on a regular (n + 1) x (n + 1) grid and
// turned into the polygons of a polygon branch, one per grid cell. Main thread only.
class Patch
{
public:
    // Rows of 4: point 4 i + j is row i, column j.
    using ControlPoints = std::array<Vector3d, 16>;

    // Without control points (every coefficient the identity) and without a subdivision.
    Patch();

    void setControlPoints(const ControlPoints& points);
    // Grid cells per side; below 1 is refused (logged) and the patch stays as it was.
    void setSubdivision(int n);
    // Samples the surface (5 cells per side when no subdivision was set) and adds one polygon per
    // cell with the material, or with the shared white lit "Patch" material when it is null.
    // Corners that coincide with the next are left out, so cells at a pole become triangles, whose
    // vertices without a normal take the polygon's.
    void addPolygons(PolygonBranch& branch, const heron::counted_ptr<Material>& material);

    int subdivision() const { return m_subdivision; }
    // The sampled grid, row by row (index row * (n + 1) + column); rows run along v, columns along u.
    const std::vector<Vector3d>& points() const { return m_points; }
    const std::vector<Vector3f>& normals() const { return m_normals; }
    const std::vector<TexCoord>& texCoords() const { return m_texCoords; }

private:
    void sample();
    void addCell(PolygonBranch& branch, const heron::counted_ptr<Material>& material, int row, int column) const;

    std::vector<Vector3d> m_points;
    std::vector<Vector3f> m_normals;
    std::vector<TexCoord> m_texCoords;
    // One per axis x, y, z: B G B, with G that axis's control coordinates.
    std::array<Matrix, 3> m_coefficients;
    int m_subdivision = -1;
};

}
