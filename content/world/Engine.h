#pragma once

#include "base/Streamable.h"
#include "base/heron_string.h"
#include "scene/graph/LoadedGraph.h"
#include "scene/math/DoublePrecision.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace finch
{
class BezierPath;
}

namespace pelican
{

// What an engine hands down its tree: a number and the path it runs along, if any.
struct EngineValue
{
    double number = 0.0;
    finch::BezierPath* path = nullptr;
};

// A small stored function object that animates the scene: it computes an engine value from the
// scene clock (or takes the one it is given) and hands it to its children, which it owns; the
// kinds at the leaves turn the value into a branch's placement. A disabled engine stops its whole
// tree. Main thread only.
class Engine : public finch::DoublePrecision, public heron::Streamable, public finch::LoadedOwner
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::Engine";
    static heron::Streamable* create();

    Engine() = default;
    // Deletes the children.
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Appends the child (taken from the holder) and makes this engine its parent.
    Engine* addChild(std::unique_ptr<Engine> child);
    // Stores time as the start time, then starts every child with it.
    virtual void start(double time);
    // Computes this engine's value and passes it on; the base only passes it on.
    virtual void evaluate(EngineValue value);

    void setName(const heron_string& name) { m_name = name; }
    void setIdentifier(std::int32_t identifier) { m_identifier = identifier; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    void setP(int i, double value) { m_p[i] = value; }
    void setQ(int i, double value) { m_q[i] = value; }

    const heron_string& name() const { return m_name; }
    std::int32_t identifier() const { return m_identifier; }
    bool isEnabled() const { return m_enabled; }
    double startTime() const { return m_startTime; }
    double p(int i) const { return m_p[i]; }
    double q(int i) const { return m_q[i]; }
    Engine* parent() const { return m_parent; }
    const std::vector<Engine*>& children() const { return m_children; }

    // Registers the stored engine kinds.
    void registerFactories(heron::DataSource& source) override;
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    const char* className() const override { return classIdentifier; }
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(finch::LoadClaims& claims) override;

protected:
    // Hands the value to every child, each its own copy; nothing while disabled.
    void passOn(const EngineValue& value);
    // The scene clock's seconds since this engine was started.
    double elapsed() const;

private:
    double m_startTime = 0.0;
    std::int32_t m_identifier = 0;
    bool m_enabled = true;
    heron_string m_name;
    double m_p[5] = {};
    double m_q[3] = {};
    Engine* m_parent = nullptr;
    std::vector<Engine*> m_children;
};

}
