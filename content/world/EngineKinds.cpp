#include "content/world/EngineKinds.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "scene/core/Clock.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/math/Matrix.h"

#include <cmath>
#include <numbers>

namespace pelican
{

namespace
{

// Tangents and sides shorter than this have no direction.
constexpr double noDirection = 1e-12;

// Numbers taken from data or handed down a tree: one that is not finite counts as 0, so that it
// never reaches a placement.
double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

// The point and tangent at the distance along the path; both zero for a path without segments.
void pointOnPath(finch::BezierPath& path, double distance, finch::Vector3d& point, finch::Vector3d& tangent)
{
    finch::BezierSegment* segment = nullptr;
    double t = 0.0;
    path.findSegment(distance, segment, t);
    point = finch::Vector3d();
    tangent = finch::Vector3d();
    if (segment != nullptr) {
        segment->evaluate(t, point, &tangent);
    }
    // Control points far apart enough to overflow give no place on the path.
    if (!point.isFinite() || !tangent.isFinite()) {
        point = finch::Vector3d();
        tangent = finch::Vector3d();
    }
}

// The translation with the 3x3 part turned so that y runs along the tangent and z stays up; the
// identity orientation when the tangent is zero or vertical.
finch::Matrix alongTangent(const finch::Vector3d& point, finch::Vector3d tangent)
{
    finch::Matrix matrix;
    matrix.setTranslation(point);
    if (tangent.length() <= noDirection) {
        return matrix;
    }
    tangent.normalize();
    finch::Vector3d side = finch::cross(tangent, finch::Vector3d(0.0, 0.0, 1.0));
    if (side.length() <= noDirection) {
        return matrix;
    }
    side.normalize();
    const finch::Vector3d up = finch::cross(side, tangent);
    const double elements[16] = {side.x, side.y, side.z, 0.0,    tangent.x, tangent.y, tangent.z, 0.0,
                                 up.x,   up.y,   up.z,   0.0,    point.x,   point.y,   point.z,   1.0};
    matrix.setElements(elements);
    return matrix;
}

void readFlags(heron::DataSource& source, bool (&flags)[3])
{
    bool read[3] = {};
    source.readBool(read[0]).readBool(read[1]).readBool(read[2]);
    if (!source.hasError()) {
        std::copy(read, read + 3, flags);
    }
}

void writeFlags(heron::DataDest& dest, const bool (&flags)[3])
{
    dest.writeBool(flags[0]).writeBool(flags[1]).writeBool(flags[2]);
}

}

heron::Streamable* LinearEngine::create()
{
    return new LinearEngine;
}

void LinearEngine::start(double time)
{
    m_heldValue = 0.0;
    Engine::start(time);
}

void LinearEngine::evaluate(EngineValue value)
{
    if (!isEnabled()) {
        return;
    }
    if (m_mode == runs) {
        value.number = finiteOrZero(elapsed() * p(1));
    } else if (m_mode == holds) {
        value.number = finiteOrZero(m_heldValue);
    }
    passOn(value);
}

void LinearEngine::read(heron::DataSource& source)
{
    Engine::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag != 1) {
            return;
        }
        double held = 0.0;
        std::int32_t mode = 0;
        source.readDouble(held).readInt32(mode);
        if (!source.hasError()) {
            m_heldValue = held;
            m_mode = mode;
        }
    });
}

void LinearEngine::write(heron::DataDest& dest) const
{
    Engine::write(dest);
    dest.writeTag(1).writeDouble(m_heldValue).writeInt32(m_mode);
    dest.writeTag(0);
}

heron::Streamable* WaveEngine::create()
{
    return new WaveEngine;
}

void WaveEngine::evaluate(EngineValue value)
{
    if (!isEnabled()) {
        return;
    }
    const double period = p(4);
    const double cycles = std::isfinite(period) && period != 0.0 ? elapsed() / period * p(3) : 0.0;
    value.number = finiteOrZero(p(1) * std::sin(2.0 * std::numbers::pi * (cycles + p(0)) + p(2) * finch::degreesToRadians));
    passOn(value);
}

heron::Streamable* PulseEngine::create()
{
    return new PulseEngine;
}

namespace
{

// The pulse's height u seconds into a period: low for `low`, high for `high`, ramps of `ramp`.
double pulseAt(double u, double high, double low, double ramp, double amplitude)
{
    if (ramp <= 0.0) {
        return u > low ? amplitude : 0.0;
    }
    const double d = u - low;
    if (d <= 0.0) {
        return d + ramp >= 0.0 ? amplitude * (d + ramp) / ramp : 0.0;
    }
    if (d < high - ramp) {
        return amplitude;
    }
    return amplitude * (1.0 - (d - (high - ramp)) / ramp);
}

}

void PulseEngine::evaluate(EngineValue value)
{
    if (!isEnabled()) {
        return;
    }
    const double t = elapsed() - p(2);
    const double period = q(0) + q(1);
    value.number = 0.0;
    if (t >= 0.0 && std::isfinite(period) && period != 0.0) {
        value.number = finiteOrZero(pulseAt(std::fmod(t, period), q(0), q(1), q(2), p(1)));
    }
    passOn(value);
}

heron::Streamable* SplineEngine::create()
{
    return new SplineEngine;
}

void SplineEngine::evaluate(EngineValue value)
{
    if (!isEnabled()) {
        return;
    }
    if (m_target != nullptr) {
        apply(value.number);
        return;
    }
    value.path = &m_path;
    passOn(value);
}

void SplineEngine::apply(double distance)
{
    if (m_target == nullptr) {
        return;
    }
    finch::Vector3d point;
    finch::Vector3d tangent;
    pointOnPath(m_path, finiteOrZero(distance), point, tangent);
    m_target->setMatrix(alongTangent(point, m_orient ? tangent : finch::Vector3d()));
}

void SplineEngine::read(heron::DataSource& source)
{
    Engine::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case 1: m_path.read(source); break;
        case 2: finch::readBorrowedRef(source, m_target); break;
        default: break;
        }
    });
}

void SplineEngine::write(heron::DataDest& dest) const
{
    Engine::write(dest);
    dest.writeTag(1);
    m_path.write(dest);
    dest.writeTag(2).writeObjectRef(m_target);
    dest.writeTag(0);
}

heron::Streamable* OutputEngine::create()
{
    return new OutputEngine;
}

void OutputEngine::evaluate(EngineValue value)
{
    if (!isEnabled() || m_target == nullptr) {
        return;
    }
    const double v = finiteOrZero(value.number);
    finch::Matrix matrix;
    if (value.path != nullptr) {
        moveAlong(*value.path, v, matrix);
    } else {
        if (anyRotation()) {
            matrix.setRotation(m_rotate[2] ? v : 0.0, m_rotate[1] ? v : 0.0, m_rotate[0] ? v : 0.0);
        }
        translateFlagged(matrix, {v, v, v});
    }
    m_target->setMatrix(matrix);
    passOn(value);
}

void OutputEngine::moveAlong(finch::BezierPath& path, double distance, finch::Matrix& matrix) const
{
    finch::Vector3d point;
    finch::Vector3d tangent;
    finch::Vector3d start;
    finch::Vector3d startTangent;
    pointOnPath(path, distance, point, tangent);
    pointOnPath(path, 0.0, start, startTangent);
    const double heading = std::atan2(tangent.y, tangent.x) * finch::radiansToDegrees;
    // The start tangent enters the angles as a raw vector, as stored models expect.
    const finch::Vector3d angles = finch::Vector3d(0.0, 0.0, heading) - startTangent;
    if (anyRotation()) {
        matrix.setRotation(m_rotate[2] ? angles.y : 0.0, m_rotate[1] ? angles.x : 0.0, m_rotate[0] ? angles.z : 0.0);
        matrix.translateLocal(start * -1.0);
        matrix.translate(start);
    }
    translateFlagged(matrix, point - start);
}

void OutputEngine::translateFlagged(finch::Matrix& matrix, const finch::Vector3d& offset) const
{
    // Without flags the matrix stays exactly what it was (the identity, when nothing turns).
    if (m_translate[0] || m_translate[1] || m_translate[2]) {
        matrix.translate({m_translate[0] ? offset.x : 0.0, m_translate[1] ? offset.y : 0.0, m_translate[2] ? offset.z : 0.0});
    }
}

void OutputEngine::read(heron::DataSource& source)
{
    Engine::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case 1: finch::readBorrowedRef(source, m_target); break;
        case 2: readFlags(source, m_translate); break;
        case 3: readFlags(source, m_rotate); break;
        default: break;
        }
    });
}

void OutputEngine::write(heron::DataDest& dest) const
{
    Engine::write(dest);
    dest.writeTag(1).writeObjectRef(m_target);
    dest.writeTag(2);
    writeFlags(dest, m_translate);
    dest.writeTag(3);
    writeFlags(dest, m_rotate);
    dest.writeTag(0);
}

}
