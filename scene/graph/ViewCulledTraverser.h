#pragma once

#include "scene/graph/Traverser.h"
#include "scene/render/Frustum.h"

#include <cstdint>
#include <vector>

namespace finch
{

// A traverser that culls whole branches against the viewer's frustum, carried into each
// transformed branch's local space. Below a group whose sphere lies wholly inside, nothing is
// tested until the group is left. The frustum is taken from the viewer at the start. Main thread.
class ViewCulledTraverser : public Traverser
{
public:
    ViewCulledTraverser();

    bool isCulled(Branch& branch) override;
    const Frustum& frustum() const { return m_frustum; }
    std::int32_t planeMask() const { return m_mask; }

protected:
    void begin() override;
    void begin(Viewer& viewer) override;
    bool computeCullingActive() const override { return m_mask != 0; }
    void pushCullState(const Matrix& mInverse) override;
    void popCullState() override;
    bool enterPlaneMask() override;
    bool leavePlaneMask() override;

private:
    Frustum m_frustum;
    std::vector<Frustum> m_frusta;
    std::int32_t m_mask = 0;
    std::vector<std::int32_t> m_masks;
};

}
