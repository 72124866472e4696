#pragma once

#include "content/world/Engine.h"
#include "scene/math/BezierPath.h"

#include <cstdint>

namespace finch
{
class InstanceBranch;
class JointBranch;
class Matrix;
}

namespace pelican
{

// number = (now - start) * p1 in mode 0, the held value in mode 1, as received in any other mode.
// Object records drive their paths with it; starting resets the held value.
class LinearEngine : public Engine
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::LinearEngine";
    static heron::Streamable* create();

    enum Mode : std::int32_t
    {
        runs = 0,
        holds = 1,
    };

    void start(double time) override;
    void evaluate(EngineValue value) override;

    void setHeldValue(double value) { m_heldValue = value; }
    void setMode(std::int32_t mode) { m_mode = mode; }
    double heldValue() const { return m_heldValue; }
    std::int32_t mode() const { return m_mode; }

    void read(heron::DataSource& source) override;
    const char* className() const override { return classIdentifier; }
    void write(heron::DataDest& dest) const override;

private:
    double m_heldValue = 0.0;
    std::int32_t m_mode = runs;
};

// number = p1 sin(2 pi ((now - start) / p4 * p3 + p0) + p2 pi / 180): amplitude p1, phase p0 in
// cycles and p2 in degrees, p3 cycles per period of p4 seconds. A period of 0 or one that is not
// finite stops the wave at its phase.
class WaveEngine : public Engine
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::WaveEngine";
    static heron::Streamable* create();

    void evaluate(EngineValue value) override;
    const char* className() const override { return classIdentifier; }
};

// A trapezoid pulse train: after a delay of p2, low for q1 and high (p1) for q0 seconds, with
// ramps of q2 seconds that end at the two switching moments. A train whose period q0 + q1 is 0 or
// not finite stays low.
class PulseEngine : public Engine
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::PulseEngine";
    static heron::Streamable* create();

    void evaluate(EngineValue value) override;
    const char* className() const override { return classIdentifier; }
};

// Holds a path: with a target it places the target at the received distance along it (and passes
// nothing on), without one it hands the path down with the value.
class SplineEngine : public Engine
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::SplineEngine";
    static heron::Streamable* create();

    void evaluate(EngineValue value) override;
    // Places the target at the distance along the path, its y axis along the path and z up when
    // orienting; a distance that is not finite counts as 0.
    void apply(double distance);

    finch::BezierPath& path() { return m_path; }
    void setTarget(finch::InstanceBranch* target) { m_target = target; }
    void setOrient(bool orient) { m_orient = orient; }
    finch::InstanceBranch* target() const { return m_target; }

    void read(heron::DataSource& source) override;
    const char* className() const override { return classIdentifier; }
    void write(heron::DataDest& dest) const override;

private:
    finch::BezierPath m_path;
    finch::InstanceBranch* m_target = nullptr;
    bool m_orient = true;
};

// Moves a joint by the received number: rotations and translations along the flagged axes, or
// with a path, the motion along the path since its start.
class OutputEngine : public Engine
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::OutputEngine";
    static heron::Streamable* create();

    void evaluate(EngineValue value) override;

    void setTarget(finch::JointBranch* target) { m_target = target; }
    // Axis 0 x, 1 y, 2 z.
    void setTranslate(int axis, bool on) { m_translate[axis] = on; }
    void setRotate(int axis, bool on) { m_rotate[axis] = on; }
    finch::JointBranch* target() const { return m_target; }

    void read(heron::DataSource& source) override;
    const char* className() const override { return classIdentifier; }
    void write(heron::DataDest& dest) const override;

private:
    bool anyRotation() const { return m_rotate[0] || m_rotate[1] || m_rotate[2]; }
    void moveAlong(finch::BezierPath& path, double distance, finch::Matrix& matrix) const;
    // Adds the offset's components along the flagged axes.
    void translateFlagged(finch::Matrix& matrix, const finch::Vector3d& offset) const;

    finch::JointBranch* m_target = nullptr;
    bool m_translate[3] = {};
    bool m_rotate[3] = {};
};

}
