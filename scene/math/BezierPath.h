#pragma once

#include "scene/math/Vector3d.h"

#include <array>
#include <vector>

namespace heron
{
class DataDest;
class DataSource;
}

namespace finch
{

// One cubic Bezier segment with a lazily built table of cumulative chord lengths over 64 equal
// parameter steps, which turns a distance along it into a parameter without integrating.
class BezierSegment
{
public:
    static constexpr int steps = 64;

    // All control points at the origin; the length table is built on first need.
    BezierSegment() = default;

    // Sets control point i (0..3; others are ignored) and marks the length table out of date.
    void setControlPoint(int i, const Vector3d& point);
    const Vector3d& controlPoint(int i) const { return m_points[i]; }
    // point = s^3 P0 + 3 s^2 t P1 + 3 s t^2 P2 + t^3 P3 with s = 1 - t; the tangent (when asked) is
    // the derivative, not normalised.
    void evaluate(double t, Vector3d& point, Vector3d* tangent = nullptr) const;

    // Forward differencing over n steps: startSteps sets the state at P0, each step moves it on.
    struct Stepper
    {
        Vector3d point;
        Vector3d d1;
        Vector3d d2;
        Vector3d d3;
    };
    Stepper startSteps(int n) const;
    static void step(Stepper& stepper);

    // Brings the length table up to date; the length of the whole segment.
    double length();
    // Entry i: the length of the polygon through the first i steps (entry 0 is 0).
    const std::array<float, steps>& lengthTable();
    // Distance from the path's start to this segment's start (set by the path).
    double start() const { return m_start; }
    void setStart(double start) { m_start = start; }
    bool isDirty() const { return m_dirty; }

private:
    std::array<Vector3d, 4> m_points;
    bool m_dirty = true;
    double m_start = 0.0;
    double m_length = 0.0;
    std::array<float, steps> m_table{};
};

// A chain of Bezier segments along which objects and cameras move by distance travelled; a looping
// path wraps distances around its length.
class BezierPath
{
public:
    BezierPath() = default;

    void setLooping(bool looping);
    bool isLooping() const { return m_looping; }
    // Appends a copy of the segment.
    void addSegment(const BezierSegment& segment);
    std::size_t segmentCount() const { return m_segments.size(); }
    // A segment whose control points may be changed; the path notices at its next query.
    BezierSegment& segment(std::size_t i) { return m_segments[i]; }

    // The total length.
    double length();
    // The segment and its local parameter t at distance d along the path: a looping path wraps d
    // around its length; otherwise d is clamped to the path. A path without length stays at its
    // start; an empty path gives no segment.
    void findSegment(double d, BezierSegment*& segment, double& t);

    // Stored form: tag 1 looping; per segment tag 100 and a block of its control points (tags 1 to
    // 4); tag 0.
    void write(heron::DataDest& dest) const;
    // Reads the stored form, appending its segments; control points that are not finite are
    // taken as the origin (logged).
    void read(heron::DataSource& source);

private:
    void update();
    // Reads one segment's block and appends it; false when the path is full.
    [[nodiscard]] bool readSegment(heron::DataSource& source);

    bool m_looping = false;
    std::vector<BezierSegment> m_segments;
    bool m_dirty = true;
    double m_length = 0.0;
};

}
