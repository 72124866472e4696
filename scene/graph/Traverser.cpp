#include "scene/graph/Traverser.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "scene/graph/Branch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/render/Viewer.h"

#include <algorithm>

namespace finch
{

namespace
{

constexpr std::size_t firstGrowth = 1024;

}

Traverser::Traverser(Kind kind) : m_kind(kind)
{
    m_instancePath.reserve(firstGrowth);
    start(Matrix(), Matrix());
}

Traverser::~Traverser() = default;

Traverser::Record& Traverser::record(const std::vector<std::unique_ptr<Record[]>>& pool, std::int32_t index)
{
    return pool[std::size_t(index) / blockSize][std::size_t(index) % blockSize];
}

void Traverser::growPools()
{
    m_matrices.push_back(std::make_unique<Record[]>(blockSize));
    m_inverses.push_back(std::make_unique<Record[]>(blockSize));
}

bool Traverser::start(const Matrix& m, const Matrix& mInverse)
{
    m_current = -1;
    m_nextFree = 0;
    if (m_matrices.empty()) {
        growPools();
    }
    record(m_matrices, 0) = Record{-1, m};
    record(m_inverses, 0) = Record{-1, mInverse};
    m_current = 0;
    m_viewpoint = Vector3d();
    cullStatistics.groupVisits = 0;
    m_lodScale = 1.0f;
    m_lodScaleInvSq = 1.0f;
    m_instancePath.clear();
    m_shown.clear();
    m_cycleLogged = false;
    m_instanceVisits = 0;
    m_nesting = 0;
    // Queued before the walk, so that boxes added during it are drawn with this frame. Traversers
    // whose walks are never drawn suppress the list, else it would pile up in their accumulators.
    if (!m_boxList.isSuppressed()) {
        m_accumulator->addRenderable(m_boxList, nullptr, /*forceLate=*/false);
    }
    begin();
    m_cullingActive = computeCullingActive();
    return m_cullingActive;
}

bool Traverser::startWithViewer(Viewer& viewer)
{
    m_accumulator->setViewer(&viewer);
    begin(viewer);
    return start(viewer.view(), viewer.camera());
}

void Traverser::visit(Branch& branch)
{
    if (BranchRenderable* const renderable = branch.renderable()) {
        renderable->render(*this);
    }
}

void Traverser::pushMatrix(const Matrix& m, const Matrix& mInverse)
{
    Matrix modelView;
    modelView.multiply(m, record(m_matrices, m_current).matrix);
    Matrix inverse;
    inverse.multiply(record(m_inverses, m_current).matrix, mInverse);
    ++m_nextFree;
    if (std::size_t(m_nextFree) >= m_matrices.size() * blockSize) {
        growPools();
    }
    record(m_matrices, m_nextFree) = Record{m_current, modelView};
    record(m_inverses, m_nextFree) = Record{m_current, inverse};
    m_current = m_nextFree;
    pushCullState(mInverse);
}

void Traverser::popMatrix()
{
    if (m_current > 0) {
        m_current = record(m_matrices, m_current).parent;
    }
    popCullState();
}

bool Traverser::isCulled(Branch& branch)
{
    return false;
}

void Traverser::pushPlaneMask()
{
    m_cullingActive = enterPlaneMask();
}

void Traverser::popPlaneMask()
{
    m_cullingActive = leavePlaneMask();
}

void Traverser::setLodScale(float s)
{
    m_lodScale = s;
    m_lodScaleInvSq = s > 0.0f ? 1.0f / (s * s) : 0.0f;
}

const Matrix& Traverser::modelView() const
{
    return record(m_matrices, m_current).matrix;
}

const Matrix& Traverser::inverseModelView() const
{
    return record(m_inverses, m_current).matrix;
}

bool Traverser::nestingAllowed(const void* shown)
{
    if (std::find(m_shown.begin(), m_shown.end(), shown) != m_shown.end()) {
        if (!m_cycleLogged) {
            heron::debug("Traverser - an instance or external reference shows what holds it; the cycle is cut!\n");
            m_cycleLogged = true;
        }
        return false;
    }
    if (m_nesting >= heron::limits::maxInstanceNesting) {
        heron::debug("Traverser - instances and external references nest too deeply; the walk goes no deeper!\n");
        return false;
    }
    ++m_nesting;
    m_shown.push_back(shown);
    return true;
}

void Traverser::leaveNesting()
{
    m_shown.pop_back();
    --m_nesting;
}

bool Traverser::enterInstance(InstanceBranch* branch)
{
    if (!nestingAllowed(branch->instance())) {
        return false;
    }
    m_instancePath.push_back(branch);
    return true;
}

void Traverser::leaveInstance()
{
    m_instancePath.pop_back();
    leaveNesting();
}

bool Traverser::enterReference(const Database& database)
{
    return nestingAllowed(&database);
}

void Traverser::leaveReference()
{
    leaveNesting();
}

}
