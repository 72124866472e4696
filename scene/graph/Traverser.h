#pragma once

#include "scene/math/Matrix.h"
#include "scene/render/BoxRenderList.h"
#include "scene/render/RenderAccumulator.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace finch
{

class Branch;
class Database;
class InstanceBranch;
class Viewer;

// Walks a scene hierarchy once per start, carrying the model-view matrix (local space to eye
// space) and its inverse down the branches in pools whose records keep their addresses until the
// next start (the accumulator draws from them after the walk), the eye point for level-of-detail
// decisions, the accumulator branches queue into, the chain of instance branches walked through
// and a debug box list. The base never culls. Main thread only.
class Traverser
{
public:
    // What the walk is for; level-of-detail fading and object animation happen only in Rendering.
    enum class Kind : std::int32_t
    {
        Rendering = 0,
        Collision = 1,
        RayTracing = 2,
    };
    explicit Traverser(Kind kind = Kind::Rendering);
    virtual ~Traverser();
    Traverser(const Traverser&) = delete;
    Traverser& operator=(const Traverser&) = delete;

    // A branch's renderable part queues its geometry; nothing else.
    virtual void visit(Branch& branch);
    // For a branch with its own transform: m takes its space into the parent's.
    virtual void pushMatrix(const Matrix& m, const Matrix& mInverse);
    virtual void popMatrix();
    // Whether a branch's bounds lie certainly outside what the walk is after.
    virtual bool isCulled(Branch& branch);

    // Starts a walk from the matrix (and inverse) given; returns whether culling is on.
    bool start(const Matrix& m, const Matrix& mInverse);
    // Starts from the viewer's view matrix, giving the viewer to the accumulator.
    bool startWithViewer(Viewer& viewer);
    // Around a group: after a box test, the children need no tests while the mask is 0.
    void pushPlaneMask();
    void popPlaneMask();
    bool cullingActive() const { return m_cullingActive; }

    void setViewpoint(const Vector3d& viewpoint) { m_viewpoint = viewpoint; }
    const Vector3d& viewpoint() const { return m_viewpoint; }
    // lodScaleInvSq becomes 1 / s^2, or 0 for s <= 0.
    void setLodScale(float s);
    float lodScale() const { return m_lodScale; }
    float lodScaleInvSq() const { return m_lodScaleInvSq; }
    void setAccumulator(RenderAccumulator& accumulator) { m_accumulator = &accumulator; }
    RenderAccumulator& accumulator() { return *m_accumulator; }
    BoxRenderList& boxList() { return m_boxList; }
    Kind kind() const { return m_kind; }

    // The model-view matrix in force and its inverse; they stay at their addresses until the
    // next start.
    const Matrix& modelView() const;
    const Matrix& inverseModelView() const;

    // The instance branches walked through to the current branch, outermost first. Entering is
    // refused (logged once per walk) past the nesting limit, and when the branch shows an object
    // the walk is already inside: that is a cycle, which would otherwise be walked again at every
    // level, twice as often at each level for an object that shows itself twice.
    bool enterInstance(InstanceBranch* branch);
    void leaveInstance();
    // The same for the database an external reference shows.
    bool enterReference(const Database& database);
    void leaveReference();
    const std::vector<InstanceBranch*>& instancePath() const { return m_instancePath; }
    std::int32_t instanceVisits() const { return m_instanceVisits; }
    void countInstanceVisit() { ++m_instanceVisits; }

protected:
    virtual void begin() {}
    virtual void begin(Viewer& viewer) {}
    virtual bool computeCullingActive() const { return false; }
    virtual void pushCullState(const Matrix& mInverse) {}
    virtual void popCullState() {}
    // Save the plane mask and take the last box test's; the result is whether culling goes on.
    virtual bool enterPlaneMask() { return true; }
    virtual bool leavePlaneMask() { return true; }

private:
    struct Record
    {
        std::int32_t parent;
        Matrix matrix;
    };
    static constexpr std::size_t blockSize = 128;

    static Record& record(const std::vector<std::unique_ptr<Record[]>>& pool, std::int32_t index);
    void growPools();
    bool nestingAllowed(const void* shown);
    void leaveNesting();

    Kind m_kind;
    std::vector<std::unique_ptr<Record[]>> m_matrices;
    std::vector<std::unique_ptr<Record[]>> m_inverses;
    std::int32_t m_current = -1;
    std::int32_t m_nextFree = 0;
    bool m_cullingActive = false;
    Vector3d m_viewpoint;
    float m_lodScale = 1.0f;
    float m_lodScaleInvSq = 1.0f;
    RenderAccumulator m_ownAccumulator;
    RenderAccumulator* m_accumulator = &m_ownAccumulator;
    BoxRenderList m_boxList;
    std::vector<InstanceBranch*> m_instancePath;
    // The objects and databases the walk is inside, outermost first.
    std::vector<const void*> m_shown;
    bool m_cycleLogged = false;
    std::int32_t m_instanceVisits = 0;
    std::int32_t m_nesting = 0;
};

}
