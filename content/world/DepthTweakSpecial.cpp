#include "content/world/DepthTweakSpecial.h"

#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "scene/graph/Traverser.h"
#include "scene/render/Viewer.h"

#include <cmath>

namespace pelican
{

void DepthTweakSpecial::TweakSetter::set(float depthNear, float depthFar, float fieldOfView, float near, float far,
                                         float aspect)
{
    m_depthNear = depthNear;
    m_depthFar = depthFar;
    m_fieldOfView = fieldOfView;
    m_near = near;
    m_far = far;
    m_aspect = aspect;
}

void DepthTweakSpecial::TweakSetter::render(kestrel::ImageBody& target)
{
    kestrel::setDepthRange(m_depthNear, m_depthFar);
    kestrel::GLclient::setPerspective(target, m_fieldOfView, m_near, m_far, m_aspect);
}

void DepthTweakSpecial::set(std::int32_t flag, const finch::Viewer& view, float near, float far)
{
    m_flag = flag;
    if (!isOn()) {
        return;
    }
    // Written so that a near or far that is not a number takes the fallback too.
    const float n = near >= nearest && std::isfinite(near) ? near : nearest;
    const float f = far >= n && std::isfinite(far) ? far : 2.0f * n;
    const auto fieldOfView = float(view.fieldOfView());
    const auto aspect = float(view.aspect());
    m_before.set(0.0f, nearest, fieldOfView, n, f, aspect);
    m_after.set(nearest, 1.0f, fieldOfView, float(view.nearDistance()), float(view.farDistance()), aspect);
}

bool DepthTweakSpecial::acts(const finch::Traverser& traverser) const
{
    return isOn() && traverser.kind() == finch::Traverser::Kind::Rendering;
}

bool DepthTweakSpecial::preTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (acts(traverser)) {
        traverser.accumulator().pushOverrideState(finch::RenderAccumulator::orderedFlag);
        traverser.accumulator().addRenderable(m_before, nullptr, false);
    }
    return true;
}

void DepthTweakSpecial::postTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (acts(traverser)) {
        traverser.accumulator().addRenderable(m_after, nullptr, false);
        traverser.accumulator().popOverrideState();
    }
}

}
