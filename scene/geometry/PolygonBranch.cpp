#include "scene/geometry/PolygonBranch.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "scene/core/EngineSwitches.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/BunchSplitter.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/OldGeoSet.h"
#include "scene/geometry/PolygonConversion.h"
#include "scene/geometry/RayTriangle.h"
#include "scene/geometry/Welder.h"
#include "scene/math/Ray.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

// Fields of older stored blocks.
enum OlderTag : std::uint32_t
{
    objectTag = 1,
    droppedValueTag = 10,
    triangleEstimateTag = 11,
    facingModeTag = 12,
    droppedFlagTag = 13,
};

constexpr double farAway = 1e35;
// Vertices closer than this share of the bounding sphere's radius are one.
constexpr double weldShare = 1e-6;
constexpr std::size_t edgeRoom = 1024;

template <class Visit>
void forEachVertex(const Polygon& polygon, Visit visit)
{
    for (PolyVertex* vertex = polygon.firstVertex(); vertex != nullptr; vertex = vertex->next()) {
        visit(*vertex);
    }
}

template <class Visit>
void forEachInWeldGroup(PolyVertex& start, Visit visit)
{
    PolyVertex* vertex = &start;
    do {
        visit(*vertex);
        vertex = vertex->weldNext();
    } while (vertex != nullptr && vertex != &start);
}

double dotOf(const Vector3f& a, const Vector3f& b)
{
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

// Positions in the frame of a ray: across it on two axes, along it from 0 to its length. Six
// bits tell on which side of the segment's slab a position lies; a polygon whose vertices all
// share a bit misses the ray.
class RayFrame
{
public:
    explicit RayFrame(const Ray& ray) : m_ray(ray)
    {
        const Vector3d& d = ray.direction();
        const Vector3d helper = std::fabs(d.x) < 0.5 ? Vector3d(1.0, 0.0, 0.0) : Vector3d(0.0, 1.0, 0.0);
        m_across[0] = cross(d, helper);
        m_across[0].normalize();
        m_across[1] = cross(d, m_across[0]);
    }

    int outcode(const Vector3d& p) const
    {
        const Vector3d r = p - m_ray.origin();
        const double u = dot(r, m_across[0]);
        const double v = dot(r, m_across[1]);
        const double w = dot(r, m_ray.direction());
        return (u < 0.0 ? 1 : 0) | (u > 0.0 ? 2 : 0) | (v < 0.0 ? 4 : 0) | (v > 0.0 ? 8 : 0) | (w < 0.0 ? 16 : 0) |
               (w > m_ray.length() ? 32 : 0);
    }

private:
    const Ray& m_ray;
    Vector3d m_across[2];
};

// Outcodes worked out once per weld group.
class OutcodeTable
{
public:
    OutcodeTable(const RayFrame& frame, std::int32_t size) : m_frame(frame), m_codes(std::size_t(size), -1) {}

    int of(const PolyVertex& vertex)
    {
        const std::int32_t weld = vertex.weldIndex();
        if (weld < 0) {
            return m_frame.outcode(vertex.position());
        }
        if (std::size_t(weld) >= m_codes.size()) {
            heron::debug("%d %d\n", weld, int(m_codes.size()));
            return m_frame.outcode(vertex.position());
        }
        int& code = m_codes[std::size_t(weld)];
        if (code < 0) {
            code = m_frame.outcode(vertex.position());
        }
        return code;
    }

private:
    const RayFrame& m_frame;
    std::vector<int> m_codes;
};

// Whether the ray meets the polygon nearer than distance, which then becomes the hit's.
bool rayMeetsPolygon(const Ray& ray, const Polygon& polygon, double& distance)
{
    const PolyVertex* const first = polygon.firstVertex();
    bool met = false;
    for (const PolyVertex* vertex = first->next(); vertex != nullptr && vertex->next() != nullptr; vertex = vertex->next()) {
        met = rayMeetsTriangle(ray, first->position(), vertex->position(), vertex->next()->position(), false, distance) || met;
    }
    return met;
}

}

heron::Streamable* PolygonBranch::create()
{
    return new PolygonBranch;
}

PolygonBranch::~PolygonBranch()
{
    freePolygons();
}

void PolygonBranch::freePolygons()
{
    std::vector<Polygon*> doomed;
    doomed.swap(m_polygons);
    for (Polygon* polygon : doomed) {
        polygon->m_owner = nullptr;
        delete polygon;
    }
    m_edges.clear();
    m_edgeListValid = false;
}

void PolygonBranch::addPolygon(std::unique_ptr<Polygon> polygon)
{
    if (!polygon) {
        return;
    }
    if (polygon->m_owner != nullptr) {
        heron::debug("Warning: Polygon had an owner and was removed from that branch!\n");
        static_cast<void>(polygon->m_owner->removePolygon(*polygon).release());
    }
    polygon->m_owner = this;
    m_polygons.push_back(polygon.release());
    polygonsChanged();
}

std::unique_ptr<Polygon> PolygonBranch::removePolygon(Polygon& polygon)
{
    if (polygon.m_owner != this) {
        heron::debug("Warning: Tried to remove a polygon which isn't in this branch!\n");
        return {};
    }
    std::erase(m_polygons, &polygon);
    polygon.m_owner = nullptr;
    // Neighbours and weld groups may lead into the polygon that leaves.
    for (Polygon* kept : m_polygons) {
        forEachVertex(*kept, [](PolyVertex& vertex) { resetCleaningData(vertex); });
    }
    forEachVertex(polygon, [](PolyVertex& vertex) { resetCleaningData(vertex); });
    polygonsChanged();
    return std::unique_ptr<Polygon>(&polygon);
}

void PolygonBranch::polygonsChanged()
{
    m_edges.clear();
    m_edgeListValid = false;
    makeDirty();
}

void PolygonBranch::resetCleaningData(PolyVertex& vertex)
{
    vertex.m_weldIndex = -1;
    vertex.m_edgeIndex = -1;
    vertex.m_normalHandled = false;
    vertex.m_listed = false;
    vertex.m_neighbour = nullptr;
    vertex.m_weldNext = nullptr;
}

void PolygonBranch::clean()
{
    if (!isDirty()) {
        return;
    }
    GeometryBranch::clean();
    if (!m_polygons.empty()) {
        cleanPolygons();
    }
}

void PolygonBranch::cleanPolygons()
{
    for (Polygon* polygon : m_polygons) {
        forEachVertex(*polygon, [](PolyVertex& vertex) { resetCleaningData(vertex); });
    }
    computeBounds();
    weld();
    findNeighbours();
    smoothNormals();
    makeEdgeList();
    replaceBunches();
    if (!geometryPoolEnabled()) {
        return;
    }
    freePolygons();
    queueLargeBunches();
}

void PolygonBranch::computeBounds()
{
    Vector3d low(farAway, farAway, farAway);
    Vector3d high(-farAway, -farAway, -farAway);
    m_triangleEstimate = 0;
    for (Polygon* polygon : m_polygons) {
        if (polygon->isBad()) {
            continue;
        }
        m_triangleEstimate += polygon->vertexCount() - 2;
        forEachVertex(*polygon, [&](const PolyVertex& vertex) {
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], vertex.position()[axis]);
                high[axis] = std::max(high[axis], vertex.position()[axis]);
            }
        });
    }
    if (m_triangleEstimate == 0) {
        ownBox().clear();
        return;
    }
    // Geometry turned towards the eye may face any way about its axes.
    const int widened = facingMode() == turnsAboutZ ? 2 : (facingMode() == facesEye ? 3 : 0);
    if (widened > 0) {
        const double lowest = std::min({low.x, low.y, widened == 3 ? low.z : low.x});
        const double highest = std::max({high.x, high.y, widened == 3 ? high.z : high.x});
        for (int axis = 0; axis < widened; ++axis) {
            low[axis] = lowest;
            high[axis] = highest;
        }
    }
    ownBox().set(low, high);
}

void PolygonBranch::weld()
{
    std::vector<PolyVertex*> vertices;
    std::vector<Vector3d> positions;
    for (Polygon* polygon : m_polygons) {
        forEachVertex(*polygon, [&](PolyVertex& vertex) {
            vertices.push_back(&vertex);
            positions.push_back(vertex.position());
        });
    }
    const BoundingBox& bounds = box();
    const Vector3d centre = bounds.isValid() ? bounds.centre() : Vector3d();
    const double tolerance = bounds.isValid() ? bounds.radius() * weldShare : 0.0;
    std::vector<int> ringNext;
    weldPositions(positions, centre, tolerance, ringNext, WeldReport::Silent);
    m_weldCount = 0;
    for (std::size_t k = 0; k < vertices.size(); ++k) {
        vertices[k]->m_weldNext = vertices[std::size_t(ringNext[k])];
        if (vertices[k]->m_weldIndex >= 0) {
            continue;
        }
        for (std::size_t j = k; vertices[j]->m_weldIndex < 0; j = std::size_t(ringNext[j])) {
            vertices[j]->m_weldIndex = m_weldCount;
        }
        ++m_weldCount;
    }
}

// Each edge v -> successor pairs with the edge of another polygon that runs between the same weld
// groups the other way; among several, the one whose polygon faces most like v's.
void PolygonBranch::findNeighbours()
{
    for (Polygon* polygon : m_polygons) {
        const Vector3f facing = polygon->normal();
        forEachVertex(*polygon, [&](PolyVertex& vertex) {
            if (vertex.m_neighbour != nullptr) {
                return;
            }
            double best = -1.0;
            PolyVertex* chosen = nullptr;
            forEachInWeldGroup(*vertex.successor(), [&](PolyVertex& candidate) {
                if (candidate.m_neighbour != nullptr || candidate.m_polygon == polygon
                    || candidate.successor()->m_weldIndex != vertex.m_weldIndex) {
                    return;
                }
                const double alike = dotOf(candidate.m_polygon->normal(), facing);
                if (alike > best) {
                    best = alike;
                    chosen = &candidate;
                }
            });
            if (chosen != nullptr) {
                vertex.m_neighbour = chosen;
                chosen->m_neighbour = &vertex;
            }
        });
    }
}

// A vertex of a polygon that asked for smooth normals takes the mean normal of the polygons that
// meet at its weld group, and hands it to the group's other vertices that asked.
void PolygonBranch::smoothNormals()
{
    const bool asked = std::any_of(m_polygons.begin(), m_polygons.end(), [](const Polygon* p) { return p->m_smoothRequest; });
    if (!asked) {
        return;
    }
    for (Polygon* polygon : m_polygons) {
        if (!polygon->m_smoothRequest) {
            continue;
        }
        forEachVertex(*polygon, [](PolyVertex& vertex) {
            if (vertex.m_normalHandled) {
                return;
            }
            Vector3d sum;
            forEachInWeldGroup(vertex, [&sum](PolyVertex& member) {
                if (member.m_polygon->hasValidNormal()) {
                    const Vector3f& n = member.m_polygon->normal();
                    sum = sum + Vector3d(n.x, n.y, n.z);
                }
            });
            vertex.m_normalHandled = true;
            if (sum.normalize() == 0.0) {
                return;
            }
            const Vector3f smooth(sum);
            vertex.m_normal = smooth;
            forEachInWeldGroup(vertex, [&smooth](PolyVertex& member) {
                if (!member.m_normalHandled && !member.m_keepsNormal && member.m_polygon->m_smoothRequest) {
                    member.m_normal = smooth;
                    member.m_normalHandled = true;
                }
            });
        });
    }
    for (Polygon* polygon : m_polygons) {
        polygon->m_smoothRequest = false;
    }
}

void PolygonBranch::makeEdgeList()
{
    m_edges.clear();
    m_edges.reserve(edgeRoom);
    for (Polygon* polygon : m_polygons) {
        forEachVertex(*polygon, [this](PolyVertex& vertex) {
            if (vertex.m_listed) {
                return;
            }
            vertex.m_listed = true;
            vertex.m_edgeIndex = std::int32_t(m_edges.size());
            PolyVertex* const neighbour = vertex.m_neighbour;
            if (neighbour == nullptr) {
                m_edges.push_back({&vertex, vertex.successor()});
                return;
            }
            if (neighbour->m_polygon == nullptr || neighbour->m_listed) {
                heron::debug("Error in PolygonBranch::makeEdgeList() - neighbour is bad!\n");
                return;
            }
            neighbour->m_listed = true;
            neighbour->m_edgeIndex = vertex.m_edgeIndex;
            m_edges.push_back({&vertex, neighbour});
        });
    }
    m_edgeListValid = true;
}

void PolygonBranch::replaceBunches()
{
    while (!bunches().empty()) {
        delete bunches().back();
    }
    convertPolygons(*this);
}

// Splitting replaces this branch in its parent, which may be cleaning its children right now:
// the splitting pass does it before the database's next clean instead.
void PolygonBranch::queueLargeBunches()
{
    if (userValue() != 0) {
        return;
    }
    const bool large = std::any_of(bunches().begin(), bunches().end(),
                                   [](const GeoBunch* bunch) { return bunch->triangleCount() > largestUnsplitBunch; });
    if (large) {
        queueForSplit(*this);
    }
}

bool PolygonBranch::intersectRay(const Ray& ray, RayHit& hit, bool anyHit, const BunchFilter* filter)
{
    if (m_polygons.empty()) {
        return GeometryBranch::intersectRay(ray, hit, anyHit, filter);
    }
    hit.distance = ray.length();
    const RayFrame frame(ray);
    OutcodeTable codes(frame, m_weldCount);
    bool any = false;
    for (Polygon* polygon : m_polygons) {
        if (polygon->isBad() || (polygon->surface().cullFaces && dotOf(polygon->normal(), Vector3f(ray.direction())) >= 0.0)) {
            continue;
        }
        int shared = ~0;
        forEachVertex(*polygon, [&](const PolyVertex& vertex) { shared &= codes.of(vertex); });
        if (shared != 0 || !rayMeetsPolygon(ray, *polygon, hit.distance)) {
            continue;
        }
        hit.bunch = nullptr;
        hit.part = 0;
        any = true;
        if (anyHit) {
            break;
        }
    }
    return any;
}

void PolygonBranch::registerFactories(heron::DataSource& source)
{
    GeometryBranch::registerFactories(source);
    source.registerFactory(&OldGeoSet::create);
}

void PolygonBranch::read(heron::DataSource& source)
{
    GeometryBranch::read(source);
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        // The object is worked out from the owners when the stream is settled.
        case objectTag: skipRef(source); break;
        case droppedValueTag: {
            std::int32_t dropped = 0;
            source.readInt32(dropped);
            break;
        }
        case triangleEstimateTag: readInt32Field(source, m_triangleEstimate); break;
        case facingModeTag: {
            std::int32_t mode = facingMode();
            readInt32Field(source, mode);
            setFacingMode(mode);
            break;
        }
        case droppedFlagTag: {
            bool dropped = false;
            source.readBool(dropped);
            break;
        }
        default: break;
        }
    });
}

void PolygonBranch::write(heron::DataDest& dest) const
{
    GeometryBranch::write(dest);
    dest.writeTag(0);
}

}
