#pragma once

#include "scene/math/Vector3d.h"

#include <array>
#include <vector>

namespace finch
{

// Makes the texture coordinates of a sphere's points, and may change them again as each point
// is drawn.
class SphereVertexProcessor
{
public:
    virtual ~SphereVertexProcessor() = default;
    // st receives the coordinates of unit, a point of the face whose centre (on the unit sphere)
    // is faceCentre.
    virtual void processVertex(const Vector3f& unit, const Vector3f& faceCentre, float st[2]) = 0;
};

// The spherical mapping: s from atan2(x, y) / 2 pi, kept on the face centre's side of the seam,
// t from the elevation; a point at a pole takes the face centre's s.
class SphericalMapping : public SphereVertexProcessor
{
public:
    void processVertex(const Vector3f& unit, const Vector3f& faceCentre, float st[2]) override;
};

// A sphere mesh made from an icosahedron whose faces are cut into triangular grids pushed out to
// the unit sphere, drawn as centre + radius * point. Main thread only; drawing needs a context.
class Sphere
{
public:
    // What a face draws besides positions.
    enum class DrawMode
    {
        Positions = 0,
        TexCoords = 1,
        TexCoordsNormals = 2,
    };
    // One icosahedron face cut into rows of a triangular grid: row r holds r + 1 points.
    struct Face
    {
        int rows = 0;
        DrawMode mode = DrawMode::TexCoords;
        // The face's centre pushed out to the unit sphere.
        Vector3f centre;
        std::vector<Vector3f> points;
        std::vector<float> texCoords;
    };
    static constexpr int faceCount = 20;
    // The finest grid a face is cut into.
    static constexpr int maxRows = 64;

    Sphere() = default;

    // Builds the 20 faces with mode (0..2, else 1) and rows per face (1..maxRows, else clamped and
    // logged); texture coordinates come from processor, the spherical mapping when null.
    void setRenderParameters(int mode, int rows, SphereVertexProcessor* processor);
    // Draws every face row by row as triangle strips; processor, when given, is called for each
    // vertex of the modes with texture coordinates. Without render data: logged, nothing drawn.
    void render(SphereVertexProcessor* processor = nullptr) const;

    void setCentre(const Vector3d& centre) { m_centre = centre; }
    void setRadius(double radius) { m_radius = radius; }
    void setScale(double scale) { m_scale = scale; }
    const Vector3d& centre() const { return m_centre; }
    double radius() const { return m_radius; }
    double scale() const { return m_scale; }
    const std::vector<Face>& faces() const { return m_faces; }

    // The icosahedron's 12 unit corners and its 20 faces (corner numbers, counter-clockwise seen
    // from outside), computed once.
    static const std::array<Vector3f, 12>& corners();
    static const std::vector<std::array<int, 3>>& cornerFaces();

private:
    void renderFace(const Face& face, SphereVertexProcessor* processor) const;
    void emit(const Face& face, int index, SphereVertexProcessor* processor) const;

    Vector3d m_centre;
    double m_radius = 1.0;
    double m_scale = 1.0;
    std::vector<Face> m_faces;
};

}
