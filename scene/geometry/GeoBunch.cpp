#include "scene/geometry/GeoBunch.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "scene/core/GeometryStats.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/BunchBuilder.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/GeometryBranch.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace finch
{

namespace
{

enum BunchTag : std::uint32_t
{
    internalsTag = 1,
    boundsTag = 2,
};

// What the storage report counts for one bunch's own record, whatever its streams hold.
constexpr int reportedBunchBytes = 456;

// The first bunch of the process-wide list.
GeoBunch* firstBunch = nullptr;

bool positionBefore(const Vector3f& a, const Vector3f& b)
{
    return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
}

// The number of the frame-0 position that matches p: an equal one found in the sorted order, else
// the nearest (the first of equals).
std::uint32_t matchingSource(const AnimationFrame& first, const std::vector<std::uint32_t>& order, const Vector3f& p)
{
    const auto found = std::lower_bound(order.begin(), order.end(), p, [&](std::uint32_t k, const Vector3f& q) {
        return positionBefore(first[k], q);
    });
    if (found != order.end() && first[*found] == p) {
        return *found;
    }
    std::uint32_t nearest = 0;
    float best = 3.4028235e38f;
    for (std::uint32_t k = 0; k < first.size(); ++k) {
        const float dx = first[k].x - p.x;
        const float dy = first[k].y - p.y;
        const float dz = first[k].z - p.z;
        const float d2 = dx * dx + dy * dy + dz * dz;
        if (d2 < best) {
            best = d2;
            nearest = k;
        }
    }
    return nearest;
}

}

heron::Streamable* GeoBunch::create()
{
    return new GeoBunch;
}

GeoBunch::GeoBunch() : m_internals(std::make_unique<GeoBunchInternals>(this))
{
    m_nextBunch = firstBunch;
    if (firstBunch != nullptr) {
        firstBunch->m_previousBunch = this;
    }
    firstBunch = this;
}

GeoBunch::~GeoBunch()
{
    if (GeometryBranch* const branch = m_internals->branch()) {
        branch->removeBunch(*this);
        m_internals->setBranch(nullptr);
    }
    m_internals.reset();
    (m_previousBunch != nullptr ? m_previousBunch->m_nextBunch : firstBunch) = m_nextBunch;
    if (m_nextBunch != nullptr) {
        m_nextBunch->m_previousBunch = m_previousBunch;
    }
}

int GeoBunch::vertexCount() const
{
    return m_internals->m_vertices ? int(m_internals->m_vertices->size()) : 0;
}

int GeoBunch::triangleCount() const
{
    return m_internals->triangleCount();
}

void GeoBunch::addFlags(std::uint32_t bits)
{
    m_internals->m_changeFlags |= bits;
}

std::uint32_t GeoBunch::flags() const
{
    return m_internals->m_changeFlags;
}

void GeoBunch::setStripData(const heron::counted_ptr<strip_data>& strips)
{
    m_internals->m_strips = strips;
    m_internals->streamsChanged();
}

void GeoBunch::setIndexData(const heron::counted_ptr<index_data>& indices)
{
    m_internals->m_indices = indices;
    m_internals->streamsChanged();
}

void GeoBunch::setVertexData(const heron::counted_ptr<vertex_data>& vertices, bool recomputeBounds)
{
    m_internals->m_vertices = vertices;
    m_internals->streamsChanged();
    if (recomputeBounds) {
        m_internals->computeBounds();
    }
}

void GeoBunch::setColorData(const heron::counted_ptr<color_data>& colours)
{
    m_internals->m_colours = colours;
    m_internals->streamsChanged();
}

void GeoBunch::setNormalData(const heron::counted_ptr<normal_data>& normals)
{
    m_internals->m_normals = normals;
    m_internals->streamsChanged();
}

void GeoBunch::setTexcoordData(const heron::counted_ptr<texcoord_data>& texCoords, int unit)
{
    if (unit == 0 || unit == 1) {
        m_internals->m_texCoords[unit] = texCoords;
        m_internals->streamsChanged();
    }
}

heron::counted_ptr<vertex_data>& GeoBunch::vertexSlot()
{
    return m_internals->m_vertices;
}

heron::counted_ptr<texcoord_data>& GeoBunch::texcoordSlot(int unit)
{
    return m_internals->m_texCoords[unit == 1 ? 1 : 0];
}

heron::counted_ptr<color_data>& GeoBunch::colorSlot()
{
    return m_internals->m_colours;
}

void GeoBunch::buildFromTriangles(const TriangleList& list)
{
    buildBunch(*this, list);
}

std::vector<AnimationFrame>& GeoBunch::animationFrames()
{
    return m_internals->m_frames;
}

void GeoBunch::setAnimationFrames(const std::vector<AnimationFrame>& frames)
{
    GeoBunchInternals& in = *m_internals;
    if (!in.m_vertices || frames.empty()) {
        return;
    }
    in.m_frames.clear();
    const std::size_t length = frames.front().size();
    for (std::size_t f = 1; f < frames.size(); ++f) {
        if (frames[f].size() != length) {
            in.logFault(("wrong number of vertices in animation[" + std::to_string(f) + "]").c_str());
            in.m_valid = false;
            return;
        }
    }
    if (length == 0) {
        return;
    }
    const AnimationFrame& first = frames.front();
    std::vector<std::uint32_t> order(length);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return positionBefore(first[a], first[b]); });
    in.m_frames.assign(frames.size(), AnimationFrame());
    for (const Vector3f& p : in.m_vertices->elements()) {
        const std::uint32_t k = matchingSource(first, order, p);
        for (std::size_t f = 0; f < frames.size(); ++f) {
            in.m_frames[f].push_back(frames[f][k]);
        }
    }
}

bool GeoBunch::isAnimated() const
{
    return !m_internals->m_frames.empty();
}

void GeoBunch::setAnimationTime(float t)
{
    m_internals->setAnimationTime(t);
}

void GeoBunch::render()
{
    m_internals->render();
}

bool GeoBunch::drawsColourArray() const
{
    return m_internals->colours() && m_internals->colours()->size() > 0;
}

void GeoBunch::registerFactories(heron::DataSource& source)
{
    source.registerFactory(&GeoBunchInternals::create)
        .registerFactory(&strip_data::create)
        .registerFactory(&index_data::create)
        .registerFactory(&vertex_data::create)
        .registerFactory(&color_data::create)
        .registerFactory(&normal_data::create)
        .registerFactory(&texcoord_data::create);
}

void GeoBunch::read(heron::DataSource& source)
{
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case internalsTag: readKeptRef(source, m_storedInternals); break;
        case boundsTag: m_bounds.read(source); break;
        default: break;
        }
    });
}

void GeoBunch::afterLoad()
{
    settleLoadedGraph();
}

void GeoBunch::write(heron::DataDest& dest) const
{
    dest.writeTag(internalsTag).writeObjectRef(m_internals.get());
    dest.writeTag(boundsTag);
    m_bounds.write(dest);
    dest.writeTag(0);
}

void GeoBunch::adoptLoaded(LoadClaims& claims)
{
    GeoBunchInternals* const stored = m_storedInternals;
    m_storedInternals = nullptr;
    if (stored == nullptr || !claims.claim(stored, "the body of a bunch")) {
        return;
    }
    stored->m_owner = this;
    stored->m_branch = m_internals->m_branch;
    m_internals.reset(stored);
}

void GeoBunch::collectGeometryStats(GeometryStats& stats)
{
    for (GeoBunch* bunch = firstBunch; bunch != nullptr; bunch = bunch->m_nextBunch) {
        const GeoBunchInternals& in = *bunch->m_internals;
        const auto add = [](GeometryStats::Count& count, std::size_t n, int bytes) {
            count.count += std::int32_t(n);
            count.bytes += std::int32_t(n) * bytes;
        };
        add(stats.geobunches, 1, reportedBunchBytes);
        stats.triangles += bunch->triangleCount();
        add(stats.vertices, in.m_vertices ? in.m_vertices->size() : 0, 12);
        add(stats.colours, in.m_colours ? in.m_colours->size() : 0, 4);
        add(stats.normals, in.m_normals ? in.m_normals->size() : 0, 12);
        for (const auto& unit : in.m_texCoords) {
            add(stats.texCoords, unit ? unit->size() : 0, 8);
        }
        add(stats.vertexIndices, in.m_indices ? in.m_indices->size() : 0, 4);
        add(stats.meshSizes, in.m_strips ? in.m_strips->size() : 0, 4);
        if (!in.m_frames.empty()) {
            stats.animatedGeobunches.count += 1;
            stats.animatedGeobunches.bytes += std::int32_t(in.m_frames.size()) * 16;
            add(stats.animationVertices, in.m_frames.size() * std::size_t(bunch->vertexCount()), 12);
        }
    }
}

}
