#include "content/world/PendingHooks.h"

#include "scene/graph/Branch.h"

#include <algorithm>
#include <vector>

namespace pelican
{

namespace
{

std::vector<finch::Branch*>& pendingHooks()
{
    static std::vector<finch::Branch*> branches;
    return branches;
}

}

void scheduleHookRemoval(finch::Branch& branch)
{
    std::vector<finch::Branch*>& branches = pendingHooks();
    if (std::find(branches.begin(), branches.end(), &branch) == branches.end()) {
        branches.push_back(&branch);
    }
}

void releasePendingHooks()
{
    std::vector<finch::Branch*>& branches = pendingHooks();
    while (!branches.empty()) {
        finch::Branch* const branch = branches.back();
        branches.pop_back();
        branch->setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>());
    }
}

}
