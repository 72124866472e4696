#include "scene/geometry/BunchBuilder.h"

#include "base/Debug.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/TriangleList.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

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
// Sub-nodes of the weld tree deeper than this weld their corners pairwise: a chain of corners
// whose spacing halves each step would otherwise recurse once per corner.
constexpr int deepestWeldNode = 64;
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

struct WeldCell
{
    std::vector<int> corners;
    bool coincident = true;
    Vector3d first;
    Vector3d sum;
};

struct WeldNode
{
    Vector3d centre;
    int count = 0;
    std::vector<int> straddle;
    std::array<WeldCell, 8> cells;
};

// The straddling corners of a node by the cube (two tolerances wide, counted from the node's
// centre) their positions fall in; corners that match lie in neighbouring cubes.
class StraddleHash
{
public:
    StraddleHash(const std::vector<Vector3d>& positions, const std::vector<int>& corners, const Vector3d& centre,
                 double tolerance)
        : m_positions(positions), m_centre(centre), m_size(tolerance > 0.0 ? 2.0 * tolerance : 1.0),
          m_count(corners.size())
    {
        if (m_count <= fewStraddlers) {
            return;
        }
        m_cubes.reserve(corners.size());
        for (std::size_t i = 0; i < corners.size(); ++i) {
            m_cubes[keyOf(m_positions[std::size_t(corners[i])])].push_back(i);
        }
    }

    // Calls visit with the list position of every corner in p's cube and in the neighbours on the
    // sides p is nearer to: a cube is two tolerances wide, so those hold every corner that matches.
    template <class Visit>
    void near(const Vector3d& p, Visit visit) const
    {
        if (m_count <= fewStraddlers) {
            for (std::size_t i = 0; i < m_count; ++i) {
                visit(i);
            }
            return;
        }
        const Key home = keyOf(p);
        Key side;
        for (int axis = 0; axis < 3; ++axis) {
            const double offset = (p[axis] - m_centre[axis]) / m_size - double(home[std::size_t(axis)]);
            side[std::size_t(axis)] = offset < 0.5 ? -1 : 1;
        }
        for (int k = 0; k < 8; ++k) {
            const Key key{home[0] + ((k & 1) ? side[0] : 0), home[1] + ((k & 2) ? side[1] : 0),
                          home[2] + ((k & 4) ? side[2] : 0)};
            const auto cube = m_cubes.find(key);
            if (cube != m_cubes.end()) {
                std::for_each(cube->second.begin(), cube->second.end(), visit);
            }
        }
    }

private:
    using Key = std::array<std::int64_t, 3>;
    // Fewer corners than this are cheaper to compare pairwise than to hash.
    static constexpr std::size_t fewStraddlers = 32;

    struct KeyHash
    {
        std::size_t operator()(const Key& key) const
        {
            return std::size_t(key[0] * 73856093 ^ key[1] * 19349663 ^ key[2] * 83492791);
        }
    };

    // Positions lie within the root's radius of the centre, at most 1 / 8e-5 tolerances away.
    Key keyOf(const Vector3d& p) const
    {
        return {std::int64_t(std::floor((p.x - m_centre.x) / m_size)), std::int64_t(std::floor((p.y - m_centre.y) / m_size)),
                std::int64_t(std::floor((p.z - m_centre.z) / m_size))};
    }

    const std::vector<Vector3d>& m_positions;
    Vector3d m_centre;
    double m_size;
    std::size_t m_count;
    std::unordered_map<Key, std::vector<std::size_t>, KeyHash> m_cubes;
};

// Links corners whose positions lie within the tolerance of each other into rings: an octree whose
// nodes compare pairwise only the corners in a band around their dividing planes, and close cells
// whose corners already coincide.
class Welder
{
public:
    Welder(const std::vector<Vector3d>& positions, std::vector<int>& ringNext)
        : m_positions(positions), m_ringNext(ringNext)
    {
    }

    void weldAll()
    {
        if (m_positions.empty()) {
            return;
        }
        Vector3d low(farAway, farAway, farAway);
        Vector3d high(-farAway, -farAway, -farAway);
        for (const Vector3d& p : m_positions) {
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], p[axis]);
                high[axis] = std::max(high[axis], p[axis]);
            }
        }
        const Vector3d centre = (low + high) * 0.5;
        const double radius = std::sqrt((high - centre).lengthSquared());
        if (radius > 0.0) {
            m_tolerance = radius * toleranceShare;
        }
        WeldNode& root = nodeAt(0, centre);
        for (int k = 0; k < int(m_positions.size()); ++k) {
            insert(root, k);
        }
        weld(0);
    }

private:
    WeldNode& nodeAt(int depth, const Vector3d& centre)
    {
        if (int(m_nodes.size()) <= depth) {
            m_nodes.resize(std::size_t(depth) + 1);
        }
        WeldNode& node = m_nodes[std::size_t(depth)];
        node = WeldNode();
        node.centre = centre;
        return node;
    }

    bool matches(int k, const Vector3d& p) const
    {
        const double d2 = (m_positions[std::size_t(k)] - p).lengthSquared();
        return d2 == 0.0 || d2 < m_tolerance * m_tolerance;
    }

    int cellNumber(const WeldNode& node, const Vector3d& p) const
    {
        return (p.x > node.centre.x ? 1 : 0) + (p.y > node.centre.y ? 2 : 0) + (p.z > node.centre.z ? 4 : 0);
    }

    bool straddles(const WeldNode& node, const Vector3d& p) const
    {
        for (int axis = 0; axis < 3; ++axis) {
            if (p[axis] > node.centre[axis] - m_tolerance && p[axis] < node.centre[axis] + m_tolerance) {
                return true;
            }
        }
        return false;
    }

    void addToCell(WeldCell& cell, int k)
    {
        const Vector3d& p = m_positions[std::size_t(k)];
        if (cell.corners.empty()) {
            cell.first = p;
        } else if (cell.coincident && p != cell.first && !matches(k, cell.first)) {
            cell.coincident = false;
        }
        cell.corners.push_back(k);
        cell.sum = cell.sum + p;
    }

    void insert(WeldNode& node, int k)
    {
        ++node.count;
        const Vector3d& p = m_positions[std::size_t(k)];
        if (straddles(node, p)) {
            node.straddle.push_back(k);
        } else {
            addToCell(node.cells[std::size_t(cellNumber(node, p))], k);
        }
    }

    // Each straddling corner in list order takes the later ones that match it into its cell. The
    // candidates come from a hash of cubes two tolerances wide, so a flat model (every corner in
    // the band of one axis) is not compared pairwise.
    void settleStraddlers(WeldNode& node)
    {
        std::vector<int> left = std::move(node.straddle);
        node.straddle.clear();
        const StraddleHash hash(m_positions, left, node.centre, m_tolerance);
        std::vector<std::size_t> found;
        for (std::size_t head = 0; head < left.size(); ++head) {
            const int v = left[head];
            if (v < 0) {
                continue;
            }
            const Vector3d& p = m_positions[std::size_t(v)];
            found.clear();
            hash.near(p, [&](std::size_t other) {
                if (other > head && left[other] >= 0 && matches(left[other], p)) {
                    found.push_back(other);
                }
            });
            std::sort(found.begin(), found.end());
            WeldCell& cell = node.cells[std::size_t(cellNumber(node, p))];
            for (const std::size_t other : found) {
                addToCell(cell, left[other]);
                left[other] = -1;
            }
            addToCell(cell, v);
        }
    }

    void weld(int depth)
    {
        settleStraddlers(m_nodes[std::size_t(depth)]);
        for (std::size_t c = 0; c < 8; ++c) {
            WeldNode& node = m_nodes[std::size_t(depth)];
            WeldCell& cell = node.cells[c];
            if (cell.corners.empty()) {
                continue;
            }
            if (!cell.coincident && int(cell.corners.size()) == node.count) {
                reportSafety(cell);
                cell.coincident = true;
            }
            if (cell.coincident) {
                linkRing(cell.corners);
            } else if (depth + 1 >= deepestWeldNode) {
                weldPairwise(cell.corners);
            } else {
                weldSubNode(depth, c);
            }
        }
    }

    void weldSubNode(int depth, std::size_t c)
    {
        const std::vector<int> corners = std::move(m_nodes[std::size_t(depth)].cells[c].corners);
        const Vector3d sum = m_nodes[std::size_t(depth)].cells[c].sum;
        WeldNode& sub = nodeAt(depth + 1, sum * (1.0 / double(corners.size())));
        for (const int k : corners) {
            insert(sub, k);
        }
        weld(depth + 1);
    }

    void weldPairwise(std::vector<int> corners)
    {
        for (std::size_t head = 0; head < corners.size(); ++head) {
            if (corners[head] < 0) {
                continue;
            }
            std::vector<int> ring{corners[head]};
            const Vector3d& p = m_positions[std::size_t(corners[head])];
            for (std::size_t other = head + 1; other < corners.size(); ++other) {
                if (corners[other] >= 0 && matches(corners[other], p)) {
                    ring.push_back(corners[other]);
                    corners[other] = -1;
                }
            }
            linkRing(ring);
        }
    }

    // Each corner links to the one before it: corners are emitted in about the order they were
    // inserted, so the search from a corner meets the emitted ones first.
    void linkRing(const std::vector<int>& corners)
    {
        for (std::size_t i = 0; i < corners.size(); ++i) {
            m_ringNext[std::size_t(corners[i])] = corners[(i + corners.size() - 1) % corners.size()];
        }
    }

    void reportSafety(const WeldCell& cell) const
    {
        heron::debug("Safety...\n");
        for (const int k : cell.corners) {
            const Vector3d& p = m_positions[std::size_t(k)];
            heron::debug("v=%.12f,%.12f,%.12f  match=%d\n", p.x, p.y, p.z, matches(k, cell.first) ? 1 : 0);
        }
    }

    const std::vector<Vector3d>& m_positions;
    std::vector<int>& m_ringNext;
    std::vector<WeldNode> m_nodes;
    double m_tolerance = 0.0;
};

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
        m_ringNext.assign(m_corners.size(), -1);
        Welder(positions, m_ringNext).weldAll();
        m_index.assign(m_corners.size(), -1);
        for (std::size_t k = 0; k < m_corners.size(); ++k) {
            emit(int(k));
        }
    }

private:
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
