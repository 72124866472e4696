#pragma once

#include "scene/render/Fog.h"

#include <cstdint>
#include <memory>

namespace kestrel
{
class ImageBody;
}

namespace finch
{

class Matrix;
class QueuedBunch;
class RenderAccumulatorInternals;
class Viewer;

// Anything queued in a render accumulator besides geometry bunches.
class Renderable
{
public:
    virtual ~Renderable() = default;
    // Draws with the frame's viewer; by default render(target).
    virtual void render(kestrel::ImageBody& target, const Viewer& viewer) { render(target); }
    virtual void render(kestrel::ImageBody& target) {}
};

// Collects what a traversal wants drawn, with the render state in force when it was queued, and
// draws the frame in fixed phases: sky, opaque bunches grouped by bunch (one surface set-up per
// group, then only matrices and fogs change), opaque renderables, the ordered list, and last the
// blended items. A material is applied in full only when it is not the one already in force.
// Opaque bunches drawn in a row with no state changed between them go to GL as one draw where their
// compiled arrays lie back to back (kestrel::DrawBatch).
// State for a subtree (override flags, an animation phase, transparency, fog) is
// pushed on stacks around it. render() empties everything. Queued bunches, renderables, matrices
// and fogs must live until render; a bunch that dies first leaves the frame. Main thread only.
class RenderAccumulator
{
public:
    // Override flag bits.
    static constexpr std::uint32_t orderedFlag = 1;
    static constexpr std::uint32_t noDepthWritesFlag = 2;

    // Draws the sky before everything else.
    class SkyRenderer
    {
    public:
        virtual ~SkyRenderer() = default;
        virtual void renderSky(kestrel::ImageBody& target, const Viewer& viewer) = 0;
    };

    RenderAccumulator();
    ~RenderAccumulator();
    RenderAccumulator(const RenderAccumulator&) = delete;
    RenderAccumulator& operator=(const RenderAccumulator&) = delete;

    // The viewer of this frame (null: a process-wide default viewer stands in).
    void setViewer(Viewer* viewer);
    const Viewer& viewer() const;
    void setSkyRenderer(SkyRenderer* sky);

    // modelView null stands for the viewer's view matrix.
    void addRenderable(Renderable& r, const Matrix* modelView, bool forceLate);
    void addBunch(QueuedBunch& b, const Matrix* modelView);

    // Pushes (top OR flags).
    void pushOverrideState(std::uint32_t flags);
    void popOverrideState();
    // Pushes f as it is (not multiplied with the top); below 1 queues as not opaque.
    void pushTransparency(float f);
    void popTransparency();
    // The animation phase handed to animated bunches.
    void pushAnimation(float phase);
    void popAnimation();
    // Null pushes the default fog.
    void pushFog(const Fog* fog);
    void popFog();
    // The tops of the stacks, captured by what is queued now.
    std::uint32_t overrideState() const;
    float transparency() const;
    float animation() const;
    const Fog* fog() const;
    // The depth range of normal drawing this frame.
    void setDepthRange(float near, float far);

    // Draws everything queued in its phases and empties the accumulator.
    void render(kestrel::ImageBody& target);

    // Takes a dying bunch out of the frame it is queued in, if that frame is still to be drawn.
    static void forget(QueuedBunch& bunch);

private:
    std::unique_ptr<RenderAccumulatorInternals> m_internals;
};

}
