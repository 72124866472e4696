#include "scene/math/BezierPath.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/Limits.h"
#include "scene/core/TaggedBlock.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

enum PathTag : std::uint32_t
{
    loopingTag = 1,
    segmentTag = 100,
};

// Control points i = 0..3 are stored under tags 1..4.
constexpr std::uint32_t firstPointTag = 1;

}

void BezierSegment::setControlPoint(int i, const Vector3d& point)
{
    if (i < 0 || i > 3) {
        return;
    }
    m_points[i] = point;
    m_dirty = true;
}

void BezierSegment::evaluate(double t, Vector3d& point, Vector3d* tangent) const
{
    const Vector3d& p0 = m_points[0];
    const Vector3d& p1 = m_points[1];
    const Vector3d& p2 = m_points[2];
    const Vector3d& p3 = m_points[3];
    const double s = 1.0 - t;
    point = p0 * (s * s * s) + p1 * (3.0 * s * s * t) + p2 * (3.0 * s * t * t) + p3 * (t * t * t);
    if (tangent != nullptr) {
        *tangent = (p1 - p0) * (3.0 * s * s) + (p2 - p1) * (6.0 * s * t) + (p3 - p2) * (3.0 * t * t);
    }
}

BezierSegment::Stepper BezierSegment::startSteps(int n) const
{
    const double h = 1.0 / n;
    const double h2 = h * h;
    const double h3 = h2 * h;
    const Vector3d& p0 = m_points[0];
    const Vector3d& p1 = m_points[1];
    const Vector3d& p2 = m_points[2];
    const Vector3d& p3 = m_points[3];
    const Vector3d a = p3 - p0 + (p1 - p2) * 3.0;
    const Vector3d b = (p2 + p0) * 3.0 - p1 * 6.0;
    Stepper stepper;
    stepper.point = p0;
    stepper.d1 = (p1 - p0) * (3.0 * h) + b * h2 + a * h3;
    stepper.d2 = b * (2.0 * h2) + a * (6.0 * h3);
    stepper.d3 = a * (6.0 * h3);
    return stepper;
}

void BezierSegment::step(Stepper& stepper)
{
    stepper.point = stepper.point + stepper.d1;
    stepper.d1 = stepper.d1 + stepper.d2;
    stepper.d2 = stepper.d2 + stepper.d3;
}

double BezierSegment::length()
{
    if (!m_dirty) {
        return m_length;
    }
    m_dirty = false;
    Stepper stepper = startSteps(steps);
    double running = 0.0;
    for (float& entry : m_table) {
        entry = static_cast<float>(running);
        const Vector3d before = stepper.point;
        step(stepper);
        running += (stepper.point - before).length();
    }
    m_length = running;
    return m_length;
}

const std::array<float, BezierSegment::steps>& BezierSegment::lengthTable()
{
    length();
    return m_table;
}

void BezierPath::setLooping(bool looping)
{
    m_looping = looping;
    m_dirty = true;
}

void BezierPath::addSegment(const BezierSegment& segment)
{
    m_segments.push_back(segment);
    m_dirty = true;
}

void BezierPath::update()
{
    const bool segmentChanged =
        std::any_of(m_segments.begin(), m_segments.end(), [](const BezierSegment& s) { return s.isDirty(); });
    if (!m_dirty && !segmentChanged) {
        return;
    }
    m_dirty = false;
    m_length = 0.0;
    for (BezierSegment& segment : m_segments) {
        segment.setStart(m_length);
        m_length += segment.length();
    }
}

double BezierPath::length()
{
    update();
    return m_length;
}

void BezierPath::findSegment(double d, BezierSegment*& segment, double& t)
{
    update();
    segment = m_segments.empty() ? nullptr : &m_segments.front();
    t = 0.0;
    if (segment == nullptr || !(m_length > 0.0) || !std::isfinite(m_length) || std::isnan(d)) {
        return;
    }
    if (m_looping) {
        d = std::fmod(d, m_length);
        d = d < 0.0 ? d + m_length : d;
    }
    if (d <= 0.0) {
        return;
    }
    if (d >= m_length) {
        segment = &m_segments.back();
        t = 1.0;
        return;
    }
    const auto after = std::partition_point(m_segments.begin(), m_segments.end(),
                                            [d](const BezierSegment& s) { return s.start() < d; });
    segment = &*(after - 1);
    const double local = d - segment->start();
    const double length = segment->length();
    if (local <= 0.0 || local >= length) {
        t = local <= 0.0 ? 0.0 : 1.0;
        return;
    }
    const std::array<float, BezierSegment::steps>& table = segment->lengthTable();
    // Entry 0 is 0: a distance too small to show as a float still lies in the first step.
    const auto found = std::lower_bound(table.begin(), table.end(), static_cast<float>(local)) - table.begin();
    const int i = std::max(1, static_cast<int>(found));
    const double previous = table[i - 1];
    const double next = i < BezierSegment::steps ? table[i] : length;
    const double within = next > previous ? (local - previous) / (next - previous) : 0.0;
    t = std::clamp(((i - 1) + within) / BezierSegment::steps, 0.0, 1.0);
}

void BezierPath::write(heron::DataDest& dest) const
{
    dest.writeTag(loopingTag).writeBool(m_looping);
    for (const BezierSegment& segment : m_segments) {
        dest.writeTag(segmentTag);
        for (int i = 0; i < 4; ++i) {
            dest.writeTag(firstPointTag + i);
            writeVector(dest, segment.controlPoint(i));
        }
        dest.writeTag(0);
    }
    dest.writeTag(0);
}

void BezierPath::read(heron::DataSource& source)
{
    std::size_t dropped = 0;
    readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag == loopingTag) {
            readBoolField(source, m_looping);
        } else if (tag == segmentTag && !readSegment(source)) {
            ++dropped;
        }
    });
    if (dropped > 0) {
        heron::debug("BezierPath::read() - %zu segments beyond the %zu a path holds, ignored!\n", dropped,
                     heron::limits::maxPathSegments);
    }
    m_dirty = true;
}

bool BezierPath::readSegment(heron::DataSource& source)
{
    BezierSegment segment;
    readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag < firstPointTag || tag > firstPointTag + 3) {
            return;
        }
        Vector3d point;
        readVector(source, point);
        if (source.hasError()) {
            return;
        }
        if (!point.isFinite()) {
            heron::debug("BezierPath::read() - a control point that is not a number, taken as the origin!\n");
            point = Vector3d();
        }
        segment.setControlPoint(static_cast<int>(tag - firstPointTag), point);
    });
    if (m_segments.size() >= heron::limits::maxPathSegments) {
        return false;
    }
    m_segments.push_back(segment);
    return true;
}

}
