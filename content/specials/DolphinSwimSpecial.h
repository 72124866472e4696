#pragma once

#include "scene/graph/TraversalCallback.h"

namespace finch
{
class Object;
}

namespace pelican_specials
{

// Plays its object's animation by drawn frames, not by time: each drawn traversal moves the
// phase on by the speed and hands its fraction to the object.
class DolphinSwimSpecial : public finch::TraversalCallback
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::DolphinSwimSpecial";
    [[nodiscard]] static heron::Streamable* create();
    static constexpr double defaultSpeed = 0.02;

    DolphinSwimSpecial() = default;
    DolphinSwimSpecial(finch::Object* object, double speed) : m_speed(speed), m_object(object) {}

    double speed() const { return m_speed; }
    double phase() const { return m_phase; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    double m_speed = defaultSpeed;
    double m_phase = 0.0;
    finch::Object* m_object = nullptr;
};

}
