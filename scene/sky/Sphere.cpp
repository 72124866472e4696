#include "scene/sky/Sphere.h"

#include "base/Debug.h"
#include "gui/gl/GLstate.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

constexpr float twoPi = 6.2831855f;
constexpr float pi = 3.1415927f;
// Beyond this distance in s from the face centre a point lies across the seam.
constexpr float seamDistance = 0.4f;
// Points whose x and y are both nearer zero than this lie at a pole.
constexpr float poleDistance = 0.001f;

Vector3f unitOf(float x, float y, float z)
{
    Vector3f v(x, y, z);
    static_cast<void>(v.normalize());
    return v;
}

Vector3f mix(const Vector3f& a, const Vector3f& b, const Vector3f& c, float fb, float fc)
{
    return unitOf(a.x + (b.x - a.x) * fb + (c.x - b.x) * fc, a.y + (b.y - a.y) * fb + (c.y - b.y) * fc,
                  a.z + (b.z - a.z) * fb + (c.z - b.z) * fc);
}

float distanceSquared(const Vector3f& a, const Vector3f& b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

int pointIndex(int row, int k)
{
    return row * (row + 1) / 2 + k;
}

Sphere::Face buildFace(const std::array<int, 3>& corners, Sphere::DrawMode mode, int rows, SphereVertexProcessor& processor)
{
    const auto& c = Sphere::corners();
    const Vector3f& a = c[std::size_t(corners[0])];
    const Vector3f& b = c[std::size_t(corners[1])];
    const Vector3f& d = c[std::size_t(corners[2])];
    const Vector3f centre = unitOf(a.x + b.x + d.x, a.y + b.y + d.y, a.z + b.z + d.z);
    Sphere::Face face;
    face.rows = rows;
    face.mode = mode;
    face.centre = centre;
    for (int r = 0; r <= rows; ++r) {
        for (int k = 0; k <= r; ++k) {
            face.points.push_back(mix(a, b, d, float(r) / float(rows), float(k) / float(rows)));
            float st[2] = {0.0f, 0.0f};
            processor.processVertex(face.points.back(), centre, st);
            face.texCoords.insert(face.texCoords.end(), st, st + 2);
        }
    }
    return face;
}

}

void SphericalMapping::processVertex(const Vector3f& unit, const Vector3f& faceCentre, float st[2])
{
    const float centreS = std::atan2(faceCentre.x, faceCentre.y) / twoPi;
    const bool atPole = std::fabs(unit.x) < poleDistance && std::fabs(unit.y) < poleDistance;
    float s = atPole ? centreS : std::atan2(unit.x, unit.y) / twoPi;
    if (s - centreS > seamDistance) {
        s -= 1.0f;
    } else if (s - centreS < -seamDistance) {
        s += 1.0f;
    }
    st[0] = s + 0.5f;
    st[1] = 0.5f + std::asin(std::clamp(unit.z, -1.0f, 1.0f)) / pi;
}

const std::array<Vector3f, 12>& Sphere::corners()
{
    static const std::array<Vector3f, 12> table = [] {
        const float phi = (1.0f + std::sqrt(5.0f)) * 0.5f;
        std::array<Vector3f, 12> v;
        int n = 0;
        for (const float one : {-1.0f, 1.0f}) {
            for (const float p : {-phi, phi}) {
                v[std::size_t(n++)] = unitOf(0.0f, one, p);
                v[std::size_t(n++)] = unitOf(one, p, 0.0f);
                v[std::size_t(n++)] = unitOf(p, 0.0f, one);
            }
        }
        return v;
    }();
    return table;
}

const std::vector<std::array<int, 3>>& Sphere::cornerFaces()
{
    // The faces are the triples of corners that are pairwise neighbours (an edge apart).
    static const std::vector<std::array<int, 3>> faces = [] {
        const auto& c = corners();
        float edgeSquared = 4.0f;
        for (std::size_t j = 1; j < c.size(); ++j) {
            edgeSquared = std::min(edgeSquared, distanceSquared(c[0], c[j]));
        }
        const auto neighbours = [&](int i, int j) {
            return std::fabs(distanceSquared(c[std::size_t(i)], c[std::size_t(j)]) - edgeSquared) < 1e-3f;
        };
        std::vector<std::array<int, 3>> found;
        for (int i = 0; i < 12; ++i) {
            for (int j = i + 1; j < 12; ++j) {
                for (int k = j + 1; k < 12; ++k) {
                    if (!neighbours(i, j) || !neighbours(j, k) || !neighbours(i, k)) {
                        continue;
                    }
                    const Vector3d a(c[std::size_t(i)].x, c[std::size_t(i)].y, c[std::size_t(i)].z);
                    const Vector3d b(c[std::size_t(j)].x, c[std::size_t(j)].y, c[std::size_t(j)].z);
                    const Vector3d d(c[std::size_t(k)].x, c[std::size_t(k)].y, c[std::size_t(k)].z);
                    const bool outward = dot(cross(b - a, d - a), a) > 0.0;
                    found.push_back(outward ? std::array<int, 3>{i, j, k} : std::array<int, 3>{i, k, j});
                }
            }
        }
        return found;
    }();
    return faces;
}

void Sphere::setRenderParameters(int mode, int rows, SphereVertexProcessor* processor)
{
    m_faces.clear();
    if (rows < 1 || rows > maxRows) {
        heron::debug("Sphere::setRenderParameters() - %d rows per face, using %d\n", rows, std::clamp(rows, 1, maxRows));
        rows = std::clamp(rows, 1, maxRows);
    }
    const DrawMode drawMode = mode >= 0 && mode <= 2 ? DrawMode(mode) : DrawMode::TexCoords;
    SphericalMapping mapping;
    SphereVertexProcessor& maker = processor != nullptr ? *processor : mapping;
    for (const auto& corners : cornerFaces()) {
        m_faces.push_back(buildFace(corners, drawMode, rows, maker));
    }
}

void Sphere::render(SphereVertexProcessor* processor) const
{
    if (m_faces.empty()) {
        heron::debug("Tried to render a sphere without calling Sphere::setRenderParameters()!\n");
        return;
    }
    for (const Face& face : m_faces) {
        renderFace(face, processor);
    }
}

void Sphere::renderFace(const Face& face, SphereVertexProcessor* processor) const
{
    for (int r = 0; r < face.rows; ++r) {
        kestrel::beginPrimitive(kestrel::Primitive::TriangleStrip);
        for (int k = 0; k <= r; ++k) {
            emit(face, pointIndex(r, k), processor);
            emit(face, pointIndex(r + 1, k), processor);
        }
        emit(face, pointIndex(r + 1, r + 1), processor);
        kestrel::endPrimitive();
    }
}

void Sphere::emit(const Face& face, int index, SphereVertexProcessor* processor) const
{
    const Vector3f& p = face.points[std::size_t(index)];
    if (face.mode != DrawMode::Positions) {
        float st[2] = {face.texCoords[std::size_t(index) * 2], face.texCoords[std::size_t(index) * 2 + 1]};
        if (processor != nullptr) {
            processor->processVertex(p, face.centre, st);
        }
        kestrel::texCoord2f(st[0], st[1]);
    }
    if (face.mode == DrawMode::TexCoordsNormals) {
        const float normal[3] = {p.x, p.y, p.z};
        kestrel::normal3fv(normal);
    }
    kestrel::vertex3f(float(m_centre.x + m_radius * p.x), float(m_centre.y + m_radius * p.y),
                      float(m_centre.z + m_radius * p.z));
}

}
