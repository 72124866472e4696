#include "scene/graph/LoadedGraph.h"

#include "base/Debug.h"
#include "base/StreamReader.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"

#include <algorithm>
#include <unordered_map>

namespace finch
{

bool LoadClaims::claimAddress(const void* object, const char* what)
{
    if (m_claimed.insert(object).second) {
        return true;
    }
    heron::debug("Stored scene: %s listed twice, or under its own descendant, is left out the second time!\n", what);
    return false;
}

void LoadClaims::queue(LoadedOwner& owner)
{
    m_pending.push_back(Pending{&owner, m_current.depth + 1, m_current.doomed || m_cutting});
}

void LoadClaims::cutAfterSettling(std::function<void()> cut)
{
    m_cutting = true;
    m_cuts.push_back(std::move(cut));
}

void LoadClaims::noteObject(Object& object)
{
    if (!m_current.doomed) {
        m_objects.push_back(&object);
    }
}

void LoadClaims::noteInstance(InstanceBranch& branch)
{
    if (!m_current.doomed) {
        m_instances.push_back(&branch);
    }
}

void LoadClaims::settle(LoadedOwner& root)
{
    m_claimed.insert(dynamic_cast<const void*>(&root));
    m_pending.push_back(Pending{&root, 0, false});
    // Owners adopt in the order they were listed, level by level, from a list rather than by
    // recursion, so that a deep tree takes no deep stack here.
    for (std::size_t next = 0; next < m_pending.size(); ++next) {
        m_current = m_pending[next];
        m_cutting = false;
        m_current.owner->adoptLoaded(*this);
    }
    m_pending.clear();
    runCuts();
    rebuildInstanceTables();
    cutInstanceCycles();
}

void LoadClaims::runCuts()
{
    if (m_cuts.empty()) {
        return;
    }
    heron::debug("Stored scene: owners nest deeper than %d levels; the deeper ones are cut!\n",
                 heron::limits::maxSceneOwnerDepth);
    // The stream has yet to call the afterLoad of what is cut.
    heron::StreamReader::afterLoadsEnd([cuts = std::move(m_cuts)] {
        for (const std::function<void()>& cut : cuts) {
            cut();
        }
    });
    m_cuts.clear();
}

void LoadClaims::rebuildInstanceTables()
{
    // A table keeps, in its stored order, the instance branches of this graph that show its
    // object; branches that show it but were not listed are added.
    const std::unordered_set<const InstanceBranch*> settled(m_instances.begin(), m_instances.end());
    for (Object* object : m_objects) {
        std::unordered_set<const InstanceBranch*> kept;
        std::erase_if(object->m_instances, [&](InstanceBranch* branch) {
            return branch == nullptr || settled.count(branch) == 0 || branch->instance() != object ||
                   !kept.insert(branch).second;
        });
    }
    const std::unordered_set<const Object*> objects(m_objects.begin(), m_objects.end());
    for (InstanceBranch* branch : m_instances) {
        Object* const shown = branch->m_instance;
        if (shown == nullptr) {
            continue;
        }
        if (objects.count(shown) == 0) {
            branch->m_instance = nullptr;
            continue;
        }
        std::vector<InstanceBranch*>& table = shown->m_instances;
        if (std::find(table.begin(), table.end(), branch) == table.end()) {
            table.push_back(branch);
        }
    }
}

void LoadClaims::cutInstanceCycles()
{
    // Objects are the nodes; an instance branch inside object A showing object B is an edge A -> B.
    std::unordered_map<const Object*, std::vector<InstanceBranch*>> edges;
    for (InstanceBranch* branch : m_instances) {
        if (branch->object() != nullptr && branch->instance() != nullptr) {
            edges[branch->object()].push_back(branch);
        }
    }
    enum class Mark { unseen, open, done };
    std::unordered_map<const Object*, Mark> marks;
    struct Step
    {
        const Object* object;
        std::size_t next;
    };
    for (const Object* start : m_objects) {
        if (marks[start] != Mark::unseen) {
            continue;
        }
        std::vector<Step> path{{start, 0}};
        marks[start] = Mark::open;
        while (!path.empty()) {
            Step& step = path.back();
            std::vector<InstanceBranch*>& out = edges[step.object];
            if (step.next == out.size()) {
                marks[step.object] = Mark::done;
                path.pop_back();
                continue;
            }
            InstanceBranch* const branch = out[step.next++];
            const Object* const shown = branch->instance();
            if (marks[shown] == Mark::open) {
                heron::debug("InstanceBranch \"%s\" shows an object that holds it; the instance is cut!\n",
                             branch->name().c_str());
                branch->setInstance(nullptr);
            } else if (marks[shown] == Mark::unseen) {
                marks[shown] = Mark::open;
                path.push_back(Step{shown, 0});
            }
        }
    }
}

void settleLoadedGraph()
{
    thread_local std::uint64_t settled = 0;
    const std::uint64_t serial = heron::StreamReader::loadingSerial();
    if (serial == 0 || serial == settled) {
        return;
    }
    settled = serial;
    if (auto* const root = dynamic_cast<LoadedOwner*>(heron::StreamReader::loadingRoot())) {
        LoadClaims claims;
        claims.settle(*root);
    }
}

}
