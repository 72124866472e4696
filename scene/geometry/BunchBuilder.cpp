#include "scene/geometry/BunchBuilder.h"

#include "base/Debug.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/TriangleList.h"
#include "scene/geometry/Welder.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

constexpr double farAway = 1e35;
constexpr double degenerateNormal = 1e-18;
constexpr double toleranceShare = 8e-5;
// Normals with a smaller dot product, or texture coordinates farther apart (squared), keep two
// corners apart.
constexpr float sameDirection = 0.99985f;
constexpr float sameTexCoord = 1.0f - sameDirection;
// Texture coordinates within this of the origin are left alone; others move by multiples of tile.
constexpr float nearOrigin = 25.0f;
constexpr float tile = 50.0f;
// Mean coordinates beyond this are left alone: whole tiles of them would not fit an int.
constexpr float maxTiledCoordinate = 1e9f;
constexpr std::size_t firstRoom = 128;

Vector3d toDouble(const Vector3f& p)
{
    return {p.x, p.y, p.z};
}

// The Newell normal of a triangle, in double precision.
Vector3d newellNormal(const Triangle& triangle)
{
    Vector3d n;
    for (int i = 0; i < 3; ++i) {
        const Vector3d a = toDouble(triangle[i].position);
        const Vector3d b = toDouble(triangle[(i + 1) % 3].position);
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// The whole tiles that move a mean coordinate back towards the origin. A mean past any tiling a
// model uses (or not a number) moves nothing rather than overflow the count.
int tileShift(float mean)
{
    if (!(std::fabs(mean) <= maxTiledCoordinate)) {
        return 0;
    }
    if (mean > nearOrigin) {
        return int(std::trunc((mean + nearOrigin) * -0.02f));
    }
    if (mean < -nearOrigin) {
        return int(std::trunc((mean - nearOrigin) * -0.02f));
    }
    return 0;
}

struct Shift
{
    int su = 0;
    int sv = 0;
    bool operator==(const Shift& other) const = default;
};

Shift shiftOf(const Triangle& triangle, int unit)
{
    const auto near = [](float v) { return v >= -nearOrigin && v <= nearOrigin; };
    const bool allNear = std::all_of(triangle.begin(), triangle.end(), [&](const Corner& c) {
        return near(c.texCoords[unit].s) && near(c.texCoords[unit].t);
    });
    if (allNear) {
        return {};
    }
    const float s = triangle[0].texCoords[unit].s + triangle[1].texCoords[unit].s + triangle[2].texCoords[unit].s;
    const float t = triangle[0].texCoords[unit].t + triangle[1].texCoords[unit].t + triangle[2].texCoords[unit].t;
    return {tileShift(s * 0.33333334f), tileShift(t * 0.33333334f)};
}

// The attributes the material asks for.
struct Attributes
{
    bool colours = false;
    bool normals = false;
    std::array<bool, 2> units{};
};

struct Outputs
{
    Outputs()
    {
        indices.reserve(firstRoom);
        positions.reserve(firstRoom);
    }

    std::vector<std::uint32_t> indices;
    std::vector<Vector3f> positions;
    std::vector<std::uint32_t> colours;
    std::vector<Vector3f> normals;
    std::array<std::vector<TexCoord>, 2> texCoords;
};

// Collects the kept triangles, welds their corners and emits one output vertex per distinct corner.
class Builder
{
public:
    Builder(const TriangleList& list, const Attributes& attributes) : m_attributes(attributes)
    {
        collect(list);
    }

    int dropped() const { return m_dropped; }
    const Outputs& outputs() const { return m_outputs; }

    void build()
    {
        std::vector<Vector3d> positions;
        positions.reserve(m_corners.size());
        for (const Corner* corner : m_corners) {
            positions.push_back(toDouble(corner->position));
        }
        weldCorners(positions);
        m_index.assign(m_corners.size(), -1);
        for (std::size_t k = 0; k < m_corners.size(); ++k) {
            emit(int(k));
        }
    }

private:
    // The weld tree is rooted at the centre of the corners' box; the tolerance is a share of its
    // half diagonal.
    void weldCorners(const std::vector<Vector3d>& positions)
    {
        Vector3d low(farAway, farAway, farAway);
        Vector3d high(-farAway, -farAway, -farAway);
        for (const Vector3d& p : positions) {
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], p[axis]);
                high[axis] = std::max(high[axis], p[axis]);
            }
        }
        const Vector3d centre = (low + high) * 0.5;
        const double radius = std::sqrt((high - centre).lengthSquared());
        const double tolerance = radius > 0.0 ? radius * toleranceShare : 0.0;
        weldPositions(positions, centre, tolerance, m_ringNext, WeldReport::Safety);
    }

    void collect(const TriangleList& list)
    {
        for (const Triangle& triangle : list.triangles()) {
            const double length2 = newellNormal(triangle).lengthSquared();
            if (!(length2 >= degenerateNormal) || !std::isfinite(length2)) {
                ++m_dropped;
                continue;
            }
            std::array<Shift, 2> shifts;
            for (int unit = 0; unit < 2; ++unit) {
                if (m_attributes.units[std::size_t(unit)]) {
                    shifts[std::size_t(unit)] = shiftOf(triangle, unit);
                }
            }
            for (const Corner& corner : triangle) {
                m_corners.push_back(&corner);
                m_shifts.push_back(shifts);
            }
        }
    }

    bool compatible(int a, int b) const
    {
        const Corner& p = *m_corners[std::size_t(a)];
        const Corner& q = *m_corners[std::size_t(b)];
        if (m_attributes.normals
            && p.normal.x * q.normal.x + p.normal.y * q.normal.y + p.normal.z * q.normal.z < sameDirection) {
            return false;
        }
        if (m_attributes.colours && p.colour != q.colour) {
            return false;
        }
        for (std::size_t unit = 0; unit < 2; ++unit) {
            if (!m_attributes.units[unit]) {
                continue;
            }
            const float ds = p.texCoords[unit].s - q.texCoords[unit].s;
            const float dt = p.texCoords[unit].t - q.texCoords[unit].t;
            if (!(ds * ds + dt * dt <= sameTexCoord) || m_shifts[std::size_t(a)][unit] != m_shifts[std::size_t(b)][unit]) {
                return false;
            }
        }
        return true;
    }

    // The index of an emitted, compatible corner of k's ring, else -1.
    int sharedIndex(int k) const
    {
        for (int j = m_ringNext[std::size_t(k)]; j != k && j >= 0; j = m_ringNext[std::size_t(j)]) {
            if (m_index[std::size_t(j)] >= 0 && compatible(k, j)) {
                return m_index[std::size_t(j)];
            }
        }
        return -1;
    }

    void emit(int k)
    {
        int index = sharedIndex(k);
        if (index < 0) {
            index = int(m_outputs.positions.size());
            appendVertex(k);
        }
        m_index[std::size_t(k)] = index;
        m_outputs.indices.push_back(std::uint32_t(index));
    }

    void appendVertex(int k)
    {
        const Corner& corner = *m_corners[std::size_t(k)];
        m_outputs.positions.push_back(corner.position);
        if (m_attributes.colours) {
            m_outputs.colours.push_back(corner.colour);
        }
        if (m_attributes.normals) {
            m_outputs.normals.push_back(corner.normal);
        }
        for (std::size_t unit = 0; unit < 2; ++unit) {
            if (m_attributes.units[unit]) {
                const Shift& shift = m_shifts[std::size_t(k)][unit];
                m_outputs.texCoords[unit].push_back({corner.texCoords[unit].s + tile * float(shift.su),
                                                     corner.texCoords[unit].t + tile * float(shift.sv)});
            }
        }
    }

    Attributes m_attributes;
    std::vector<const Corner*> m_corners;
    std::vector<std::array<Shift, 2>> m_shifts;
    std::vector<int> m_ringNext;
    std::vector<int> m_index;
    Outputs m_outputs;
    int m_dropped = 0;
};

// A stream of the elements, or none when there are none.
template <class Stream, class Element>
heron::counted_ptr<Stream> streamOf(const std::vector<Element>& elements)
{
    return elements.empty() ? heron::counted_ptr<Stream>() : heron::counted_ptr<Stream>(new Stream(elements));
}

void commit(GeoBunch& bunch, const Outputs& outputs)
{
    bunch.setStripData(heron::counted_ptr<strip_data>());
    bunch.setIndexData(streamOf<index_data>(outputs.indices));
    bunch.setVertexData(streamOf<vertex_data>(outputs.positions), true);
    bunch.setColorData(streamOf<color_data>(outputs.colours));
    bunch.setNormalData(streamOf<normal_data>(outputs.normals));
    for (int unit = 0; unit < 2; ++unit) {
        bunch.setTexcoordData(streamOf<texcoord_data>(outputs.texCoords[std::size_t(unit)]), unit);
    }
    bunch.internals().releaseCompiled();
}

}

void buildBunch(GeoBunch& bunch, const TriangleList& list)
{
    bunch.setSurface(list.surface());
    const Material& material = *list.surface().material;
    const Attributes attributes{material.flag32(), material.flag33(), {material.textureFlag(0), material.textureFlag(1)}};
    Builder builder(list, attributes);
    builder.build();
    commit(bunch, builder.outputs());
    const int expected = int(list.size()) - builder.dropped();
    if (bunch.triangleCount() != expected) {
        heron::debug("Wrong number of triangles!  (%d!=%d)\n", bunch.triangleCount(), expected);
    }
}

}
