#pragma once

namespace finch
{

class GeometryBranch;

// Bunches of more than this many triangles are split into smaller geometry branches.
inline constexpr int largestUnsplitBunch = 1400;

// Queues the branch for the rebuild-and-split pass (once; queuing it again does nothing).
void queueForSplit(GeometryBranch& branch);
// Takes a branch that is going away off the queue.
void dequeueForSplit(GeometryBranch& branch);
bool isQueuedForSplit(const GeometryBranch& branch);

// Empties the queue, last branch first: every bunch of a branch is rebuilt from its triangles;
// then each bunch of more than largestUnsplitBunch triangles is split along the longest axis into
// a tree of groups ("split 1", "split 2", ...) whose leaves are geometry branches of smaller
// bunches. The tree takes the branch's place in its parent, with the branch (and its smaller
// bunches) as the first child. A branch without parent, with a facing mode or with a traversal
// callback keeps its large bunches. Run by the database before it cleans. Main thread only.
void rebuildAndSplitPending();

}
