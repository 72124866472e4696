#include "scene/geometry/Welder.h"

#include "base/Debug.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace finch
{

namespace
{

// Sub-nodes of the weld tree deeper than this weld their positions pairwise: a chain of positions
// whose spacing halves each step would otherwise recurse once per position.
constexpr int deepestWeldNode = 64;

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
            // Unsigned, so that the products wrap instead of overflowing.
            return std::size_t(key[0]) * 73856093u ^ std::size_t(key[1]) * 19349663u ^ std::size_t(key[2]) * 83492791u;
        }
    };

    // Positions lie within the root's radius of the centre, at most 1 / 8e-5 tolerances away, in
    // sound data; damaged data may put them anywhere, so the cells are bounded before conversion.
    Key keyOf(const Vector3d& p) const
    {
        return {cellOf(p.x - m_centre.x), cellOf(p.y - m_centre.y), cellOf(p.z - m_centre.z)};
    }
    std::int64_t cellOf(double offset) const
    {
        constexpr double farthestCell = 1e15;
        const double cell = std::floor(offset / m_size);
        return std::isnan(cell) ? 0 : std::int64_t(std::clamp(cell, -farthestCell, farthestCell));
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
    Welder(const std::vector<Vector3d>& positions, double tolerance, std::vector<int>& ringNext, WeldReport report)
        : m_positions(positions), m_ringNext(ringNext), m_tolerance(tolerance), m_report(report)
    {
    }

    void weldAll(const Vector3d& centre)
    {
        if (m_positions.empty()) {
            return;
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
                if (m_report == WeldReport::Safety) {
                    reportSafety(cell);
                }
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
    double m_tolerance;
    WeldReport m_report;
};

}

void weldPositions(const std::vector<Vector3d>& positions, const Vector3d& centre, double tolerance,
                   std::vector<int>& ringNext, WeldReport report)
{
    ringNext.assign(positions.size(), -1);
    Welder(positions, tolerance, ringNext, report).weldAll(centre);
}

}
