#pragma once

#include "scene/graph/Branch.h"

#include <memory>
#include <vector>

namespace finch
{

// A branch with children, which it owns outright. Consecutive level-of-detail children form one
// chain, linked again whenever the children change. Main thread only.
class GroupBranch : public Branch
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::GroupBranch";
    [[nodiscard]] static heron::Streamable* create();

    GroupBranch() = default;
    // Deletes the children, last first.
    ~GroupBranch() override;

    bool hasChildren() const override { return true; }
    int childCount() const override { return int(m_children.size()); }
    // Throws std::out_of_range for an index outside the children.
    Branch* child(int i) override;
    bool process(BranchProcessor& processor) override;
    void clean() override;
    void traverse(Traverser& traverser) override;
    void compileGraphics() override;
    void setObject(Object* object) override;

    // Takes the child from the holder (an empty holder throws std::logic_error) and appends it;
    // the group is marked dirty.
    void addChild(std::unique_ptr<Branch>& holder);
    // Deletes the target's children and gives it this group's, in order.
    void moveChildrenTo(GroupBranch& target);
    // Takes the child out of the group and hands it over; empty when it is not a child of this group.
    std::unique_ptr<Branch> removeChild(Branch& child);
    const std::vector<Branch*>& children() const { return m_children; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(LoadClaims& claims) override;

protected:
    // A matrix the children are drawn through, with its inverse.
    struct Motion
    {
        const Matrix& matrix;
        const Matrix& inverse;
    };

    // Which children a group traversal walks.
    enum class Children
    {
        All,
        // Only the one given, or none when it is null.
        OnlyGiven,
    };

    // The group traversal: culling, the motion when given, callback, visit, then the children.
    void traverseGroup(Traverser& traverser, Branch* only = nullptr, Children children = Children::All,
                       const Motion* motion = nullptr);
    // Cleans the children and merges their boxes into this one.
    void cleanChildren();

private:
    friend class Branch;

    // A child being destroyed leaves the array.
    void detachChild(Branch& child);
    void deleteChildren();
    void replaceChild(Branch& child, std::unique_ptr<Branch>& holder);
    void relinkLodChains();

    std::vector<Branch*> m_children;
};

}
