#pragma once

#include "scene/graph/TraversalCallback.h"
#include "scene/render/RenderAccumulator.h"

#include <cstdint>

namespace finch
{
class Viewer;
}

namespace pelican
{

// Draws a record's object in front of everything: its drawing goes to the ordered list between
// two setters, the first giving it the depth range 0 .. 0.01 and a projection of its own near and
// far distances, the second giving the rest of the scene 0.01 .. 1 and the view's projection
// back. Never stored. Main thread only.
class DepthTweakSpecial : public finch::TraversalCallback
{
public:
    // Sets the depth range and the projection when the accumulator draws it.
    class TweakSetter : public finch::Renderable
    {
    public:
        void set(float depthNear, float depthFar, float fieldOfView, float near, float far, float aspect);
        void render(kestrel::ImageBody& target) override;

        float depthNear() const { return m_depthNear; }
        float depthFar() const { return m_depthFar; }
        float near() const { return m_near; }
        float far() const { return m_far; }

    private:
        float m_depthNear = 0.0f;
        float m_depthFar = 1.0f;
        float m_fieldOfView = 45.0f;
        float m_near = 1.0f;
        float m_far = 1000.0f;
        float m_aspect = 1.0f;
    };

    // The nearest distance the tweaked projection uses.
    static constexpr float nearest = 0.01f;

    // Stores the flag; when its low byte is set, fills the setters from the view and the object's
    // own near and far distances (near raised to `nearest`, far below near or not finite made
    // twice near).
    void set(std::int32_t flag, const finch::Viewer& view, float near, float far);
    bool isOn() const { return (m_flag & 0xFF) != 0; }
    const TweakSetter& before() const { return m_before; }
    const TweakSetter& after() const { return m_after; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    void postTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

private:
    bool acts(const finch::Traverser& traverser) const;

    TweakSetter m_before;
    TweakSetter m_after;
    std::int32_t m_flag = 0;
};

}
