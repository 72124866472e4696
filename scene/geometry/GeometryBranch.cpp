#include "scene/geometry/GeometryBranch.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/BunchSplitter.h"
#include "scene/geometry/CullTree.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/RayTriangle.h"
#include "scene/graph/Traverser.h"
#include "scene/math/Ray.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

enum GeometryTag : std::uint32_t
{
    bunchesTag = 10,
    callbacksTag = 11,
    cullTreeTag = 12,
    facingModeTag = 13,
};

Vector3d position(const vertex_data& vertices, std::uint32_t i)
{
    const Vector3f& p = vertices.elements()[i];
    return {p.x, p.y, p.z};
}

// Appends the triangles of a bunch that may meet a box, by outcodes of their corners.
class TriangleCollector : public GeoBunch::TriangleProcessor
{
public:
    TriangleCollector(const BoundingBox& box, std::vector<CollisionTriangle>& out) : m_box(box), m_out(out) {}

    int added = 0;

    void start(const GeoBunch& bunch, const vertex_data& vertices)
    {
        m_codes.resize(vertices.size());
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            m_codes[i] = outcode(vertices.elements()[i]);
        }
        m_vertices = &vertices;
        m_bothFaces = !bunch.surface().cullFaces;
    }

    void process(GeoBunch&, std::uint32_t a, std::uint32_t b, std::uint32_t c) override
    {
        if ((m_codes[a] & m_codes[b] & m_codes[c]) != 0) {
            return;
        }
        append(a, b, c);
        if (m_bothFaces) {
            append(a, c, b);
        }
    }

private:
    int outcode(const Vector3f& p) const
    {
        const Vector3d& lo = m_box.min();
        const Vector3d& hi = m_box.max();
        return (p.x < lo.x ? 1 : 0) | (p.x > hi.x ? 2 : 0) | (p.y < lo.y ? 4 : 0) | (p.y > hi.y ? 8 : 0) |
               (p.z < lo.z ? 16 : 0) | (p.z > hi.z ? 32 : 0);
    }

    void append(std::uint32_t a, std::uint32_t b, std::uint32_t c)
    {
        if (m_out.capacity() == m_out.size()) {
            m_out.reserve(std::max<std::size_t>(1024, 2 * m_out.capacity()));
        }
        CollisionTriangle triangle;
        const std::uint32_t corners[3] = {a, b, c};
        for (int k = 0; k < 3; ++k) {
            const Vector3f& p = m_vertices->elements()[corners[k]];
            triangle.corners[3 * k] = p.x;
            triangle.corners[3 * k + 1] = p.y;
            triangle.corners[3 * k + 2] = p.z;
        }
        m_out.push_back(triangle);
        ++added;
    }

    const BoundingBox& m_box;
    std::vector<CollisionTriangle>& m_out;
    std::vector<int> m_codes;
    const vertex_data* m_vertices = nullptr;
    bool m_bothFaces = false;
};

// Intersects a ray with the triangles of a bunch, keeping the nearest hit in the record.
class RayIntersector : public GeoBunch::TriangleProcessor
{
public:
    RayIntersector(const Ray& ray, RayHit& hit, bool anyHit) : m_ray(ray), m_hit(hit), m_anyHit(anyHit) {}

    bool hitSomething = false;

    void start(const GeoBunch& bunch, const vertex_data& vertices)
    {
        m_vertices = &vertices;
        m_cullFaces = bunch.surface().cullFaces;
    }

    void process(GeoBunch&, std::uint32_t ia, std::uint32_t ib, std::uint32_t ic) override
    {
        if (m_anyHit && hitSomething) {
            return;
        }
        if (rayMeetsTriangle(m_ray, position(*m_vertices, ia), position(*m_vertices, ib), position(*m_vertices, ic),
                             m_cullFaces, m_hit.distance)) {
            hitSomething = true;
        }
    }

private:
    const Ray& m_ray;
    RayHit& m_hit;
    bool m_anyHit;
    const vertex_data* m_vertices = nullptr;
    bool m_cullFaces = true;
};

}

heron::Streamable* GeometryBranch::create()
{
    return new GeometryBranch;
}

GeometryBranch::GeometryBranch()
{
    setRenderable(this);
    setCollidable(this);
}

GeometryBranch::~GeometryBranch()
{
    dequeueForSplit(*this);
    while (!m_bunches.empty()) {
        GeoBunch* const last = m_bunches.back();
        m_bunches.pop_back();
        if (last != nullptr) {
            last->internals().setBranch(nullptr);
            delete last;
        }
    }
    delete m_cullTree;
}

void GeometryBranch::addBunch(std::unique_ptr<GeoBunch> bunch)
{
    if (!bunch) {
        return;
    }
    GeoBunch* const added = bunch.release();
    added->internals().setBranch(this);
    m_bunches.push_back(added);
    ownBox().merge(added->bounds());
}

void GeometryBranch::addTriangles(const TriangleList& list)
{
    auto bunch = std::make_unique<GeoBunch>();
    bunch->buildFromTriangles(list);
    addBunch(std::move(bunch));
}

void GeometryBranch::removeBunch(GeoBunch& bunch)
{
    std::erase(m_bunches, &bunch);
    if (m_cullTree != nullptr) {
        m_cullTree->keepBunches([&bunch](const GeoBunch* kept) { return kept != &bunch; });
    }
}

void GeometryBranch::setBunchCallbacks(const heron::counted_ptr<BunchCallbacks>& callbacks)
{
    if (callbacks != m_bunchCallbacks) {
        m_bunchCallbacks = callbacks;
    }
}

void GeometryBranch::clean()
{
    Branch::clean();
    ownBox().clear();
    for (GeoBunch* bunch : m_bunches) {
        bunch->internals().computeBounds();
        ownBox().merge(bunch->bounds());
    }
}

void GeometryBranch::traverse(Traverser& traverser)
{
    if (m_facingMode != turnsAboutZ && m_facingMode != facesEye) {
        Branch::traverse(traverser);
        return;
    }
    const Matrix& inverse = traverser.inverseModelView();
    Matrix facing;
    if (m_facingMode == turnsAboutZ) {
        const double degrees = std::atan2(inverse.at(3, 0), -inverse.at(3, 1)) * radiansToDegrees;
        facing.setAxisRotation(degrees, Vector3d(0.0, 0.0, 1.0));
    } else {
        facing = inverse;
        const Matrix& forward = traverser.modelView();
        facing.translateLocal(Vector3d(forward.at(3, 0), forward.at(3, 1), forward.at(3, 2)));
    }
    Matrix facingInverse;
    facing.getInverse(facingInverse);
    traverser.pushMatrix(facing, facingInverse);
    Branch::traverse(traverser);
    traverser.popMatrix();
}

void GeometryBranch::render(Traverser& traverser)
{
    RenderAccumulator& accumulator = traverser.accumulator();
    const Matrix* const modelView = &traverser.modelView();
    for (GeoBunch* bunch : m_bunches) {
        accumulator.addBunch(*bunch, modelView);
    }
}

void GeometryBranch::compile()
{
    for (GeoBunch* bunch : m_bunches) {
        bunch->internals().compile();
    }
}

bool GeometryBranch::takesPart(GeoBunch& bunch, const BunchFilter* filter)
{
    return bunch.internals().checkedValid() && bunch.vertexCount() > 0 && (filter == nullptr || !filter->skips(bunch));
}

int GeometryBranch::collectTriangles(const BoundingBox& query, std::vector<CollisionTriangle>& out,
                                     const BunchFilter* filter)
{
    TriangleCollector collector(query, out);
    for (GeoBunch* bunch : m_bunches) {
        if (takesPart(*bunch, filter)) {
            collector.start(*bunch, *bunch->vertexSlot());
            bunch->internals().forEachTriangle(collector);
        }
    }
    return collector.added;
}

bool GeometryBranch::intersectRay(const Ray& ray, RayHit& hit, bool anyHit, const BunchFilter* filter)
{
    hit.distance = ray.length();
    bool any = false;
    for (GeoBunch* bunch : m_bunches) {
        if (!takesPart(*bunch, filter)) {
            continue;
        }
        RayIntersector intersector(ray, hit, anyHit);
        intersector.start(*bunch, *bunch->vertexSlot());
        bunch->internals().forEachTriangle(intersector);
        if (intersector.hitSomething) {
            hit.bunch = bunch;
            hit.part = 0;
            any = true;
            if (anyHit) {
                break;
            }
        }
    }
    return any;
}

void GeometryBranch::registerFactories(heron::DataSource& source)
{
    source.registerFactory(&CullTree::create);
}

void GeometryBranch::read(heron::DataSource& source)
{
    Branch::read(source);
    if (source.peekByte() != int(bunchesTag)) {
        return;
    }
    bool bunchesRead = false;
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case bunchesTag: readRefList(source, m_bunches, bunchesRead, heron::StreamReader::Hold::Keeps); break;
        case callbacksTag: heron::StreamReader::readCheckedRef(source, m_bunchCallbacks); break;
        case cullTreeTag: readKeptRef(source, m_cullTree); break;
        case facingModeTag: readInt32Field(source, m_facingMode); break;
        default: break;
        }
    });
}

void GeometryBranch::afterLoad()
{
    Branch::afterLoad();
    if (m_cullTree != nullptr) {
        m_cullTree->keepBunches([this](const GeoBunch* bunch) {
            return std::find(m_bunches.begin(), m_bunches.end(), bunch) != m_bunches.end();
        });
    }
}

void GeometryBranch::write(heron::DataDest& dest) const
{
    Branch::write(dest);
    dest.writeTag(bunchesTag).writeTag(std::uint32_t(m_bunches.size()));
    for (const GeoBunch* bunch : m_bunches) {
        dest.writeObjectRef(bunch);
    }
    dest.writeTag(callbacksTag).writeObjectRef(m_bunchCallbacks);
    dest.writeTag(cullTreeTag).writeObjectRef(m_cullTree);
    dest.writeTag(facingModeTag).writeInt32(m_facingMode);
    dest.writeTag(0);
}

void GeometryBranch::adoptLoaded(LoadClaims& claims)
{
    std::erase_if(m_bunches, [&](GeoBunch* bunch) {
        if (bunch == nullptr || !claims.claim(bunch, "a bunch")) {
            return true;
        }
        bunch->internals().setBranch(this);
        claims.queue(*bunch);
        return false;
    });
    if (m_cullTree != nullptr) {
        if (claims.claim(m_cullTree, "a cull tree")) {
            claims.queue(*m_cullTree);
        } else {
            m_cullTree = nullptr;
        }
    }
}

}
