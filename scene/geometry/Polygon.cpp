#include "scene/geometry/Polygon.h"

#include "base/Debug.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/geometry/RecordPool.h"
#include "scene/render/Material.h"

namespace finch
{

namespace
{

// Vertex records are many and small: large blocks keep the heap calls few.
constexpr std::size_t vertexBlockSlots = 100000;
constexpr std::size_t polygonBlockSlots = 3000;

RecordPool& vertexPool()
{
    static RecordPool pool(sizeof(PolyVertex), vertexBlockSlots);
    return pool;
}

RecordPool& polygonPool()
{
    static RecordPool pool(sizeof(Polygon), polygonBlockSlots);
    return pool;
}

}

std::unique_ptr<PolyVertex> PolyVertex::copy() const
{
    auto vertex = std::make_unique<PolyVertex>();
    vertex->m_position = m_position;
    vertex->m_index = m_index;
    vertex->m_normal = m_normal;
    vertex->m_texCoords = m_texCoords;
    vertex->m_keepsNormal = m_keepsNormal;
    return vertex;
}

void* PolyVertex::operator new(std::size_t bytes)
{
    return vertexPool().allocate(bytes);
}

void PolyVertex::operator delete(void* record)
{
    vertexPool().release(record);
}

int PolyVertex::liveBlocks()
{
    return vertexPool().liveBlocks();
}

void PolyVertex::markPolygonChanged()
{
    if (m_polygon != nullptr) {
        m_polygon->markChanged();
    }
}

void PolyVertex::setPosition(const Vector3d& position)
{
    m_position = position;
    markPolygonChanged();
}

void PolyVertex::setIndex(std::int32_t index)
{
    m_index = index;
    markPolygonChanged();
}

void PolyVertex::setNormal(const Vector3f& normal)
{
    m_normal = normal;
    markPolygonChanged();
}

void PolyVertex::setTexCoord(int pair, const TexCoord& texCoord)
{
    if (pair != 0 && pair != 1) {
        return;
    }
    m_texCoords[std::size_t(pair)] = texCoord;
    markPolygonChanged();
}

PolyVertex* PolyVertex::successor() const
{
    if (m_next != nullptr || m_polygon == nullptr) {
        return m_next;
    }
    return m_polygon->firstVertex();
}

Polygon::~Polygon()
{
    if (m_owner != nullptr) {
        static_cast<void>(m_owner->removePolygon(*this).release());
    }
    PolyVertex* vertex = m_first;
    while (vertex != nullptr) {
        PolyVertex* const next = vertex->m_next;
        delete vertex;
        vertex = next;
    }
}

void* Polygon::operator new(std::size_t bytes)
{
    return polygonPool().allocate(bytes);
}

void Polygon::operator delete(void* record)
{
    polygonPool().release(record);
}

int Polygon::liveBlocks()
{
    return polygonPool().liveBlocks();
}

std::unique_ptr<Polygon> Polygon::clone() const
{
    auto polygon = std::make_unique<Polygon>();
    polygon->m_surface = m_surface;
    polygon->m_value = m_value;
    polygon->m_normal = m_normal;
    for (const PolyVertex* vertex = m_first; vertex != nullptr; vertex = vertex->m_next) {
        std::unique_ptr<PolyVertex> copy = vertex->copy();
        polygon->addVertex(copy);
    }
    return polygon;
}

bool Polygon::addVertex(std::unique_ptr<PolyVertex>& holder)
{
    if (!holder || holder->m_polygon != nullptr) {
        return false;
    }
    PolyVertex* const vertex = holder.release();
    vertex->m_polygon = this;
    vertex->m_next = nullptr;
    if (m_last != nullptr) {
        m_last->m_next = vertex;
    } else {
        m_first = vertex;
    }
    m_last = vertex;
    ++m_vertexCount;
    m_normalStale = true;
    makeOwnerDirty();
    return true;
}

void Polygon::makeOwnerDirty()
{
    if (m_owner != nullptr) {
        m_owner->makeDirty();
    }
}

void Polygon::markChanged()
{
    m_smoothRequest = true;
    // A vertex that moved moves the face with it.
    m_normalStale = true;
    makeOwnerDirty();
}

void Polygon::setMaterial(const heron::counted_ptr<Material>& material)
{
    if (!material) {
        heron::debug("Error - tried to set Polygon's material to NULL\n");
    }
    m_surface.setMaterial(material);
    makeOwnerDirty();
}

void Polygon::setValue(std::int32_t value)
{
    m_value = value;
    makeOwnerDirty();
}

void Polygon::setSurfaceFlagA(bool flag)
{
    m_surface.setFlagA(flag);
    makeOwnerDirty();
}

void Polygon::setSurfaceFlagB(bool flag)
{
    m_surface.setFlagB(flag);
    makeOwnerDirty();
}

const Vector3f& Polygon::normal()
{
    if (m_normalStale) {
        updateNormal();
    }
    return m_normal;
}

bool Polygon::hasValidNormal()
{
    normal();
    return m_normalValid;
}

bool Polygon::isConcave()
{
    normal();
    return m_concave;
}

bool Polygon::isBad()
{
    return isConcave() || !hasValidNormal();
}

void Polygon::updateNormal()
{
    m_normalStale = false;
    m_normalValid = false;
    m_concave = false;
    if (m_vertexCount < 3) {
        return;
    }
    Vector3d sum;
    for (const PolyVertex* vertex = m_first; vertex != nullptr; vertex = vertex->m_next) {
        const Vector3d& a = vertex->m_position;
        const Vector3d& b = vertex->successor()->m_position;
        sum.x += (a.y - b.y) * (a.z + b.z);
        sum.y += (a.z - b.z) * (a.x + b.x);
        sum.z += (a.x - b.x) * (a.y + b.y);
    }
    if (sum.normalize() == 0.0) {
        return;
    }
    m_normal = Vector3f(sum);
    m_normalValid = true;
    if (!m_surface.material->smoothShading()) {
        for (PolyVertex* vertex = m_first; vertex != nullptr; vertex = vertex->m_next) {
            if (!vertex->m_keepsNormal) {
                vertex->m_normal = m_normal;
            }
        }
    }
    if (m_vertexCount >= 4) {
        testConvexity(sum);
    }
}

// At every corner the turn towards the following corner runs the way the normal says; one that
// runs the other way makes the polygon concave.
void Polygon::testConvexity(const Vector3d& normal)
{
    for (const PolyVertex* vertex = m_first; vertex != nullptr; vertex = vertex->m_next) {
        const PolyVertex* const next = vertex->successor();
        const Vector3d& current = next->m_position;
        const Vector3d turn = cross(vertex->m_position - current, next->successor()->m_position - current);
        if (dot(turn, normal) > 0.0) {
            m_concave = true;
            return;
        }
    }
}

}
