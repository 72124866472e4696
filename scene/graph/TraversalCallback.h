#pragma once

#include "base/Refcountable.h"
#include "base/Streamable.h"

namespace finch
{

class Branch;
class Traverser;

// Hooks a branch runs around each traversal of itself; the content layer's controllers and
// special effects derive from it. Stored as "duskharbor::finch::TraverserCallbacks", an empty
// block. Main thread only.
class TraversalCallback : public heron::Streamable, public heron::Refcountable
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::TraverserCallbacks";
    [[nodiscard]] static heron::Streamable* create();

    // False makes the branch skip itself.
    virtual bool preTraverse(Traverser& traverser, Branch& branch);
    virtual void postTraverse(Traverser& traverser, Branch& branch);

    // Reads the empty block up to its end tag.
    void read(heron::DataSource& source) override;
    const char* className() const override { return classIdentifier; }
    // Writes only the end tag.
    void write(heron::DataDest& dest) const override;
};

}
