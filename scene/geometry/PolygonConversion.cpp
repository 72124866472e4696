#include "scene/geometry/PolygonConversion.h"

#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/geometry/TriangleList.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"

#include <algorithm>
#include <unordered_set>

namespace finch
{

namespace
{

// Normals with a smaller dot product, or texture coordinates farther apart (squared), end a strip.
constexpr float sameDirection = 0.99985f;
constexpr float sameTexCoord = 1.0f - sameDirection;

float dotOf(const Vector3f& a, const Vector3f& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Corner cornerOf(const PolyVertex& vertex)
{
    Corner corner;
    corner.position = Vector3f(vertex.position());
    corner.normal = vertex.normal();
    corner.texCoords = {vertex.texCoord(0), vertex.texCoord(1)};
    return corner;
}

std::vector<PolyVertex*> ringOf(const Polygon& polygon)
{
    std::vector<PolyVertex*> ring;
    ring.reserve(std::size_t(polygon.vertexCount()));
    for (PolyVertex* vertex = polygon.firstVertex(); vertex != nullptr; vertex = vertex->next()) {
        ring.push_back(vertex);
    }
    return ring;
}

// One polygon of a strip, entered through the edge from entry to its successor.
struct Step
{
    Polygon* polygon;
    PolyVertex* entry;
};

// Cuts polygons into triangles as a strip does: from the edge it enters by, each triangle adds the
// next corner on the right or the left in turn, so that consecutive triangles share an edge, within
// a polygon and across to the next. Every triangle keeps its polygon's facing.
class Zigzag
{
public:
    explicit Zigzag(TriangleList* out = nullptr) : m_out(out) {}

    // Crosses the polygon from the entry; returns the vertex whose edge the strip leaves by.
    PolyVertex* cross(const Polygon& polygon, PolyVertex* entry)
    {
        const std::vector<PolyVertex*> ring = ringOf(polygon);
        const std::size_t n = ring.size();
        std::size_t left = std::size_t(std::find(ring.begin(), ring.end(), entry) - ring.begin());
        std::size_t right = (left + 1) % n;
        for (std::size_t made = 0; made + 2 < n; ++made) {
            if (m_rightNext) {
                const std::size_t ahead = (right + 1) % n;
                emit(*ring[left], *ring[right], *ring[ahead]);
                right = ahead;
            } else {
                const std::size_t behind = (left + n - 1) % n;
                emit(*ring[behind], *ring[left], *ring[right]);
                left = behind;
            }
            m_rightNext = !m_rightNext;
        }
        return ring[right];
    }

private:
    void emit(const PolyVertex& a, const PolyVertex& b, const PolyVertex& c)
    {
        if (m_out != nullptr) {
            m_out->add({cornerOf(a), cornerOf(b), cornerOf(c)});
        }
    }

    TriangleList* m_out;
    bool m_rightNext = true;
};

// Walks strips through the polygons of one surface, taking each polygon once.
class StripMaker
{
public:
    StripMaker(std::unordered_set<const Polygon*>& taken, const Surface& surface)
        : m_taken(taken), m_surface(surface), m_material(*surface.material)
    {
    }

    // The longest strip that starts in the polygon: entered by each edge of its first half, either
    // way across; the first of equally long ones.
    std::vector<Step> longestFrom(Polygon& start) const
    {
        const std::vector<PolyVertex*> ring = ringOf(start);
        const std::size_t n = ring.size();
        std::vector<Step> best{{&start, ring.front()}};
        for (std::size_t edge = 0; edge < (n + 1) / 2; ++edge) {
            for (const std::size_t entry : {edge, (edge + n / 2) % n}) {
                std::vector<Step> run = walk(start, ring[entry]);
                if (run.size() > best.size()) {
                    best = std::move(run);
                }
            }
        }
        return best;
    }

    // Whether the polygon may join a strip of this surface at all.
    bool fits(Polygon& polygon) const
    {
        return m_taken.count(&polygon) == 0 && !polygon.isBad() && polygon.surface() == m_surface;
    }

private:
    std::vector<Step> walk(Polygon& start, PolyVertex* entry) const
    {
        std::vector<Step> run;
        std::unordered_set<const Polygon*> inRun;
        Zigzag zigzag;
        Step step{&start, entry};
        for (;;) {
            run.push_back(step);
            inRun.insert(step.polygon);
            PolyVertex* const exit = zigzag.cross(*step.polygon, step.entry);
            PolyVertex* const across = exit->neighbour();
            if (across == nullptr || inRun.count(across->polygon()) != 0 || !continues(*exit, *across)) {
                return run;
            }
            step = {across->polygon(), across};
        }
    }

    // Whether the strip may cross the edge from exit (and its successor) into the polygon of
    // across, which runs the same edge the other way.
    bool continues(const PolyVertex& exit, const PolyVertex& across) const
    {
        Polygon& next = *across.polygon();
        if (!fits(next)) {
            return false;
        }
        const PolyVertex& exitEnd = *exit.successor();
        const PolyVertex& acrossEnd = *across.successor();
        if (m_material.smoothShading() && m_material.flag33()
            && (dotOf(exit.normal(), acrossEnd.normal()) < sameDirection
                || dotOf(exitEnd.normal(), across.normal()) < sameDirection)) {
            return false;
        }
        for (int unit = 0; unit < Material::textureUnits && m_material.texture(unit); ++unit) {
            if (!texturesContinue(unit, exit, across, next)) {
                return false;
            }
        }
        return true;
    }

    bool texturesContinue(int unit, const PolyVertex& exit, const PolyVertex& across, Polygon& next) const
    {
        if (unit == 0 && m_material.sphereMap()) {
            return m_material.smoothShading()
                   || dotOf(exit.polygon()->normal(), next.normal()) >= sameDirection;
        }
        return near(exit.texCoord(unit), across.successor()->texCoord(unit))
               && near(exit.successor()->texCoord(unit), across.texCoord(unit));
    }

    static bool near(const TexCoord& a, const TexCoord& b)
    {
        const float ds = a.s - b.s;
        const float dt = a.t - b.t;
        return ds * ds + dt * dt < sameTexCoord;
    }

    std::unordered_set<const Polygon*>& m_taken;
    const Surface& m_surface;
    const Material& m_material;
};

// The frames of the branch's object, matched to the bunch's vertices; its bounds then cover every
// frame, so that the branch's box holds the geometry in each pose.
void giveObjectFrames(const PolygonBranch& branch, GeoBunch& bunch)
{
    const Object* const object = branch.object();
    if (object == nullptr || object->animationFrames() == nullptr) {
        return;
    }
    bunch.setAnimationFrames(*object->animationFrames());
    bunch.internals().computeBounds();
}

void addBunch(PolygonBranch& branch, const TriangleList& list)
{
    auto bunch = std::make_unique<GeoBunch>();
    bunch->buildFromTriangles(list);
    giveObjectFrames(branch, *bunch);
    GeoBunch& added = *bunch;
    branch.addBunch(std::move(bunch));
    static_cast<void>(added.internals().verify());
}

// Every polygon of the first one's surface from it on, strip by strip, into one bunch.
void convertSurface(const std::vector<Polygon*>& polygons, std::size_t first, std::unordered_set<const Polygon*>& taken,
                    PolygonBranch& branch)
{
    TriangleList list;
    list.setSurface(polygons[first]->surface());
    const StripMaker strips(taken, list.surface());
    for (std::size_t i = first; i < polygons.size(); ++i) {
        if (!strips.fits(*polygons[i])) {
            continue;
        }
        // The same turns as the walk that chose the strip.
        Zigzag zigzag(&list);
        for (const Step& step : strips.longestFrom(*polygons[i])) {
            zigzag.cross(*step.polygon, step.entry);
            taken.insert(step.polygon);
        }
    }
    addBunch(branch, list);
}

}

void convertPolygons(PolygonBranch& branch)
{
    const std::vector<Polygon*>& polygons = branch.polygons();
    std::unordered_set<const Polygon*> taken;
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        if (taken.count(polygons[i]) == 0 && !polygons[i]->isBad()) {
            convertSurface(polygons, i, taken, branch);
        }
    }
}

}
