#pragma once

#include "base/Streamable.h"
#include "base/Refcountable.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "scene/graph/LoadedGraph.h"
#include "scene/math/BoundingBox.h"
#include "scene/math/Vector3d.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace finch
{

class Branch;
class BranchProcessor;
class Database;
class InstanceBranch;
class Traverser;

// Vertex-animation frames read beside a model file: each frame holds positions of the model's
// vertices in the order of the frame's file.
using AnimationFrames = std::vector<std::vector<Vector3f>>;

// A named model: one root branch tree (owned), its bounds, optional animation frames, the
// animation phase pushed while it is drawn and the table of instance branches that show it.
// Owned by a database. Main thread only.
class Object : public heron::Streamable, public heron::Refcountable, public LoadedOwner
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::Object";
    [[nodiscard]] static heron::Streamable* create();

    Object() = default;
    // Detaches every instance branch of the table, then deletes the root tree.
    ~Object() override;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    void setName(const heron_string& name) { m_name = name; }
    // Deletes the old root and takes the new one; the object is marked changed.
    void setRoot(std::unique_ptr<Branch>& holder);
    void setAnimationFrames(std::unique_ptr<AnimationFrames> frames) { m_animationFrames = std::move(frames); }
    // The phase (0..1) pushed for animated bunches while the object is drawn.
    void setAnimation(float phase) { m_animation = phase; }
    // Marks the instance branches and the database dirty, once.
    void markChanged();
    // Recomputes the box from the root, when changed.
    void clean();
    void traverse(Traverser& traverser);
    bool process(BranchProcessor& processor);
    // A root box that grew: copied into the object and given to every instance branch.
    void rootBoxGrew(const BoundingBox& box);

    const heron_string& name() const { return m_name; }
    Database* database() const { return m_database; }
    bool isChanged() const { return m_changed; }
    const BoundingBox& box() const { return m_box; }
    Branch* root() const { return m_root; }
    const AnimationFrames* animationFrames() const { return m_animationFrames.get(); }
    float animation() const { return m_animation; }
    const std::vector<InstanceBranch*>& instances() const { return m_instances; }
    // The references of the two tables of an older stored form (0 or 1), as read.
    const std::vector<heron::Streamable*>& olderTable(int table) const { return m_olderTables[table == 0 ? 0 : 1]; }
    std::vector<Vector3d>& points() { return m_points; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(LoadClaims& claims) override;

private:
    friend class Database;
    friend class InstanceBranch;
    friend class LoadClaims;

    void addInstance(InstanceBranch& branch) { m_instances.push_back(&branch); }
    // False when the branch is not in the table.
    [[nodiscard]] bool removeInstance(InstanceBranch& branch);
    // Loads the model file an older block names, through the database reader.
    void loadReferencedFile(const heron_string& file);

    heron_string m_name;
    Database* m_database = nullptr;
    bool m_changed = true;
    bool m_cleaning = false;
    BoundingBox m_box;
    Branch* m_root = nullptr;
    std::unique_ptr<AnimationFrames> m_animationFrames;
    float m_animation = 0.0f;
    std::vector<InstanceBranch*> m_instances;
    std::vector<heron::Streamable*> m_olderTables[2];
    std::vector<Vector3d> m_points;
    heron::counted_ptr<Database> m_referencedDatabase;
    heron_string m_referencedFile;
};

}
