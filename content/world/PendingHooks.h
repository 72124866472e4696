#pragma once

namespace finch
{
class Branch;
}

// One-shot traversal hooks take themselves off their branches through this list: a hook that has
// done its work schedules its branch, and the content database releases the list at the end of
// each clean and when it is destroyed. A scheduled branch must live until then. Main thread only.
namespace pelican
{

// Adds the branch to the list unless it is there already.
void scheduleHookRemoval(finch::Branch& branch);
// Takes the branches from the last to the first, clearing each one's traversal callback.
void releasePendingHooks();

}
