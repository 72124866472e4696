#include "scene/graph/ViewCulledTraverser.h"

#include "scene/graph/Branch.h"
#include "scene/render/Viewer.h"

namespace finch
{

namespace
{

constexpr std::size_t reserved = 128;

}

ViewCulledTraverser::ViewCulledTraverser()
{
    m_frusta.reserve(reserved);
    m_masks.reserve(reserved);
}

void ViewCulledTraverser::begin()
{
    cullStatistics.cullTests = 0;
    cullStatistics.cullStatePushes = 0;
    m_frusta.clear();
    m_masks.clear();
}

void ViewCulledTraverser::begin(Viewer& viewer)
{
    m_frustum = viewer.frustum();
    m_mask = m_frustum.resultMask();
}

bool ViewCulledTraverser::isCulled(Branch& branch)
{
    ++cullStatistics.cullTests;
    return m_frustum.cullBox(branch.box(), m_mask);
}

void ViewCulledTraverser::pushCullState(const Matrix& mInverse)
{
    if (m_mask == 0) {
        return;
    }
    ++cullStatistics.cullStatePushes;
    m_frusta.push_back(m_frustum);
    m_frustum.setTransformed(m_frustum, mInverse);
}

void ViewCulledTraverser::popCullState()
{
    if (m_mask == 0 || m_frusta.empty()) {
        return;
    }
    m_frustum = m_frusta.back();
    m_frusta.pop_back();
}

bool ViewCulledTraverser::enterPlaneMask()
{
    m_masks.push_back(m_mask);
    m_mask = m_frustum.resultMask();
    return m_mask != 0;
}

bool ViewCulledTraverser::leavePlaneMask()
{
    if (!m_masks.empty()) {
        m_mask = m_masks.back();
        m_masks.pop_back();
    }
    return m_mask != 0;
}

}
