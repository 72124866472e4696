#include "scene/geometry/BunchSplitter.h"

#include "base/Debug.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/geometry/RawGeometryBuilder.h"
#include "scene/geometry/TriangleList.h"
#include "scene/graph/GroupBranch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

namespace finch
{

namespace
{

// Branches waiting for the pass, each once.
std::vector<GeometryBranch*>& pending()
{
    static std::vector<GeometryBranch*> branches;
    return branches;
}

// Branches whose name holds this log each split in more detail.
constexpr const char* verboseMark = "DuzareRaroz";

std::unique_ptr<GeoBunch> bunchFrom(const TriangleList& list, GeoBunch& source)
{
    auto bunch = std::make_unique<GeoBunch>();
    bunch->buildFromTriangles(list);
    bunch->setAnimationFrames(source.animationFrames());
    return bunch;
}

// Rebuilds every bunch of the branch; true when a new bunch is too large to stay whole.
bool rebuildBunches(GeometryBranch& branch)
{
    bool tooLarge = false;
    const std::vector<GeoBunch*> old = branch.bunches();
    for (GeoBunch* bunch : old) {
        std::unique_ptr<GeoBunch> fresh = bunchFrom(*extractTriangles(*bunch), *bunch);
        delete bunch;
        tooLarge = tooLarge || fresh->triangleCount() > largestUnsplitBunch;
        branch.addBunch(std::move(fresh));
    }
    return tooLarge;
}

// The two halves of a list at the mean of the middle keys; when every key falls on one side (keys
// that coincide), the halves by rank instead, so that each step makes the lists smaller.
void halve(const TriangleList& list, TriangleList& below, TriangleList& above)
{
    below.setSurface(list.surface());
    above.setSurface(list.surface());
    const BoundingBox bounds = list.bounds();
    const int axis = longestAxis(bounds.max() - bounds.min());
    const std::vector<Triangle>& triangles = list.triangles();
    std::vector<float> keys(triangles.size());
    std::transform(triangles.begin(), triangles.end(), keys.begin(), [axis](const Triangle& t) { return triangleKey(t, axis); });
    std::vector<std::size_t> order(triangles.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    const std::size_t middle = order.size() / 2;
    const float pivot = (keys[order[middle]] + keys[order[middle + 1]]) * 0.5f;
    for (std::size_t k = 0; k < triangles.size(); ++k) {
        (keys[k] < pivot ? below : above).add(triangles[k]);
    }
    if (below.size() != 0 && above.size() != 0) {
        return;
    }
    below.clear();
    above.clear();
    for (std::size_t k = 0; k < order.size(); ++k) {
        (k < middle ? below : above).add(triangles[order[k]]);
    }
}

void splitInto(GroupBranch& group, GeoBunch& source, const TriangleList& list, int depth)
{
    char name[32];
    std::snprintf(name, sizeof name, "split %d", depth);
    group.setName(name);
    TriangleList halves[2];
    halve(list, halves[0], halves[1]);
    for (const TriangleList& half : halves) {
        std::unique_ptr<Branch> child;
        if (int(half.size()) <= largestUnsplitBunch) {
            auto leaf = std::make_unique<GeometryBranch>();
            leaf->addBunch(bunchFrom(half, source));
            child = std::move(leaf);
        } else {
            auto sub = std::make_unique<GroupBranch>();
            splitInto(*sub, source, half, depth + 1);
            child = std::move(sub);
        }
        group.addChild(child);
    }
}

std::vector<GeoBunch*> largeBunches(const GeometryBranch& branch)
{
    std::vector<GeoBunch*> large;
    std::copy_if(branch.bunches().begin(), branch.bunches().end(), std::back_inserter(large),
                 [](GeoBunch* bunch) { return bunch->triangleCount() > largestUnsplitBunch; });
    return large;
}

// The group that takes the branch's place, with the branch as its first child: the one split
// group itself when one bunch is split, else a group over one split group per bunch.
GroupBranch& replaceByHolder(GeometryBranch& branch)
{
    auto made = std::make_unique<GroupBranch>();
    GroupBranch& holder = *made;
    std::unique_ptr<Branch> holderOwner = std::move(made);
    branch.replaceWith(holderOwner);
    std::unique_ptr<Branch> branchOwner(&branch);
    holder.addChild(branchOwner);
    return holder;
}

void splitBranch(GeometryBranch& branch)
{
    if (branch.parent() == nullptr) {
        heron::debug("Branch %s has no parent: its large bunches are not split\n", branch.name().c_str());
        return;
    }
    const bool verbose = std::strstr(branch.name().c_str(), verboseMark) != nullptr;
    const std::vector<GeoBunch*> large = largeBunches(branch);
    GroupBranch& holder = replaceByHolder(branch);
    for (GeoBunch* bunch : large) {
        heron::debug("Splitting bunch in branch %s\n", branch.name().c_str());
        if (verbose) {
            heron::debug("----------------------------------------\n");
        }
        GroupBranch* group = &holder;
        if (large.size() > 1) {
            std::unique_ptr<Branch> made = std::make_unique<GroupBranch>();
            group = static_cast<GroupBranch*>(made.get());
            holder.addChild(made);
        }
        splitInto(*group, *bunch, *extractTriangles(*bunch), 1);
        delete bunch;
        if (verbose) {
            heron::debug("...\n");
        }
    }
}

}

void queueForSplit(GeometryBranch& branch)
{
    if (!isQueuedForSplit(branch)) {
        pending().push_back(&branch);
    }
}

void dequeueForSplit(GeometryBranch& branch)
{
    std::erase(pending(), &branch);
}

bool isQueuedForSplit(const GeometryBranch& branch)
{
    return std::find(pending().begin(), pending().end(), &branch) != pending().end();
}

void rebuildAndSplitPending()
{
    while (!pending().empty()) {
        GeometryBranch& branch = *pending().back();
        pending().pop_back();
        const bool tooLarge = rebuildBunches(branch);
        if (tooLarge && branch.facingMode() == GeometryBranch::fixed && !branch.traversalCallback()) {
            splitBranch(branch);
        }
    }
}

}
