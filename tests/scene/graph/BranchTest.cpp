#include "scene/Engine.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/graph/TraversalCallback.h"
#include "scene/graph/Traverser.h"
#include "support/Mortal.h"
#include "support/SceneBuilders.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using finch::Branch;
using finch::GroupBranch;
using finch::LodBranch;
using finch::Matrix;
using finch::Traverser;
using finch::Vector3d;
using Names = std::vector<std::string>;

using scenebuild::add;

template <class T>
T* named(GroupBranch& parent, const char* name)
{
    auto child = std::make_unique<T>();
    child->setName(name);
    return add(parent, std::move(child));
}

// Notes each branch it is called for with the accumulator's override state and transparency.
class StateNoting : public finch::TraversalCallback
{
public:
    explicit StateNoting(Names& log) : m_log(log) {}
    bool preTraverse(Traverser& traverser, Branch& branch) override
    {
        char text[64];
        std::snprintf(text, sizeof text, "%s o%u t%.2f", branch.name().c_str(), traverser.accumulator().overrideState(),
                      traverser.accumulator().transparency());
        m_log.push_back(text);
        return true;
    }

private:
    Names& m_log;
};

// Two levels of detail at the distances given, both around (0, 0, 0) with a small box.
struct LodChain
{
    LodChain(double near, double far, bool fadeFirst, bool fadeLast)
    {
        for (const auto& [name, distance, fade] : {std::tuple{"fine", near, fadeFirst}, std::tuple{"coarse", far, fadeLast}}) {
            LodBranch* const level = named<LodBranch>(root, name);
            level->setDistance(distance);
            level->setHysteresis(fade);
            level->setTraversalCallback(noting);
            add(*level, scenebuild::geometry("g", scenebuild::square(-0.1f, -0.1f, 0.1f, 0.1f, 0.0f, 0xFFFFFFFF)));
        }
        root.clean();
    }

    // The levels drawn with the eye at squared distance d2 from the centre.
    Names drawnAt(double d2, Traverser::Kind kind = Traverser::Kind::Rendering)
    {
        log.clear();
        Traverser traverser(kind);
        traverser.start(Matrix(), Matrix());
        traverser.setViewpoint(Vector3d(0, std::sqrt(d2), 0));
        root.traverse(traverser);
        return log;
    }

    Names log;
    heron::counted_ptr<finch::TraversalCallback> noting{new StateNoting(log)};
    GroupBranch root;
};

}

TEST(BranchTest, AMarkClimbsToTheDatabaseOnceAndAddingAChildMarksTheGroup)
{
    auto top = std::make_unique<GroupBranch>();
    GroupBranch* const middle = named<GroupBranch>(*top, "middle");
    Branch* const leaf = named<Branch>(*middle, "leaf");
    auto db = scenebuild::database(std::move(top));
    finch::Object* const object = db->mainObject();
    EXPECT_FALSE(db->isDirty());
    EXPECT_FALSE(object->isChanged());
    leaf->makeDirty();
    EXPECT_TRUE(middle->isDirty());
    EXPECT_TRUE(object->isChanged());
    EXPECT_TRUE(db->isDirty());
    db->clean();
    EXPECT_FALSE(middle->isDirty());
    named<Branch>(*middle, "another");
    EXPECT_TRUE(object->root()->isDirty());
    EXPECT_TRUE(db->isDirty());
}

TEST(BranchTest, ConsecutiveLevelsOfDetailFormOneChain)
{
    GroupBranch group;
    LodBranch* const first = named<LodBranch>(group, "1");
    LodBranch* const second = named<LodBranch>(group, "2");
    named<GroupBranch>(group, "between");
    LodBranch* const third = named<LodBranch>(group, "3");
    EXPECT_EQ(first->previous(), nullptr);
    EXPECT_EQ(first->next(), second);
    EXPECT_EQ(second->previous(), first);
    EXPECT_EQ(second->next(), nullptr);
    EXPECT_EQ(third->previous(), nullptr);
    EXPECT_EQ(third->next(), nullptr);
    // A level leaving the group links the chain again.
    delete second;
    EXPECT_EQ(first->next(), nullptr);
    EXPECT_EQ(group.childCount(), 3);
}

TEST(BranchTest, LeavesChildrenBoxesAndReplacement)
{
    struct Counting : finch::BranchProcessor
    {
        bool process(Branch&) override { return ++calls > 0; }
        int calls = 0;
    } counting;
    Branch leaf;
    EXPECT_FALSE(leaf.hasChildren());
    EXPECT_TRUE(leaf.process(counting));
    EXPECT_EQ(counting.calls, 1);

    GroupBranch group;
    EXPECT_THROW(group.child(0), std::out_of_range);
    std::unique_ptr<Branch> empty;
    EXPECT_THROW(group.addChild(empty), std::logic_error);
    add(group, scenebuild::geometry("a", scenebuild::square(0, 0, 1, 1, 0, 0)));
    Branch* const boxless = named<Branch>(group, "boxless");
    group.clean();
    EXPECT_EQ(group.box().min(), Vector3d(0, 0, 0));
    EXPECT_EQ(group.box().max(), Vector3d(1, 0, 1));

    std::unique_ptr<Branch> replacement = scenebuild::geometry("b", scenebuild::square(5, 5, 6, 6, 0, 0));
    boxless->replaceWith(replacement);
    EXPECT_FALSE(replacement);
    EXPECT_EQ(boxless->parent(), nullptr);
    EXPECT_EQ(group.child(1)->name(), "b");
    delete boxless;
    EXPECT_EQ(group.childCount(), 2);
}

TEST(BranchTest, AChainOfGroupsFarDeeperThanTheStackGoesAtOnce)
{
    constexpr int depth = 300000;
    std::atomic<int> deaths{0};
    auto chain = std::make_unique<Mortal<GroupBranch>>(deaths);
    GroupBranch* deepest = chain.get();
    for (int level = 0; level < depth; ++level) {
        deepest = add(*deepest, std::make_unique<Mortal<GroupBranch>>(deaths));
    }
    chain.reset();
    EXPECT_EQ(deaths, depth + 1);
}

TEST(BranchTest, LevelsOfDetailAreChosenByDistance)
{
    LodChain chain(10, 100, false, false);
    EXPECT_EQ(chain.drawnAt(25), (Names{"fine o0 t1.00"}));
    EXPECT_EQ(chain.drawnAt(2500), (Names{"coarse o0 t1.00"}));
    EXPECT_EQ(chain.drawnAt(22500), Names{});
}

TEST(BranchTest, AFadeBandCrossFadesNeighbouringLevelsInRenderingWalksOnly)
{
    LodChain chain(10, 100, true, true);
    EXPECT_EQ(chain.drawnAt(95), (Names{"coarse o3 t0.50", "fine o1 t1.00"}));
    EXPECT_EQ(chain.drawnAt(105), (Names{"coarse o3 t1.00", "fine o1 t0.50"}));
    EXPECT_EQ(chain.drawnAt(95, Traverser::Kind::Collision), (Names{"fine o0 t1.00"}));
    // The last level fades out up to 1.2 times its squared distance.
    EXPECT_EQ(chain.drawnAt(11000), (Names{"coarse o1 t0.50"}));
    EXPECT_EQ(chain.drawnAt(12100), Names{});
}

TEST(BranchTest, ASwitchShowsItsSelectedChildWithinRangeOrAllWhileOn)
{
    Names log;
    const heron::counted_ptr<finch::TraversalCallback> noting(new StateNoting(log));
    finch::SwitchBranch select(finch::SwitchBranch::selectOne);
    for (const char* name : {"a", "b", "c"}) {
        named<GroupBranch>(select, name)->setTraversalCallback(noting);
    }
    Traverser traverser;
    for (const auto& [selected, shown] : {std::pair{7, "c"}, std::pair{-2, "a"}, std::pair{1, "b"}}) {
        log.clear();
        select.setSelected(selected);
        traverser.start(Matrix(), Matrix());
        select.traverse(traverser);
        EXPECT_EQ(log, (Names{std::string(shown) + " o0 t1.00"}));
    }
    finch::SwitchBranch onOff(finch::SwitchBranch::onOff);
    named<GroupBranch>(onOff, "x")->setTraversalCallback(noting);
    named<GroupBranch>(onOff, "y")->setTraversalCallback(noting);
    log.clear();
    onOff.traverse(traverser);
    EXPECT_EQ(log.size(), 2u);
    onOff.setOn(false);
    onOff.traverse(traverser);
    EXPECT_EQ(log.size(), 2u);
}

TEST(BranchTest, AJointWithoutPivotMovesByItsMatrixAndKeepsItsLocalBox)
{
    GroupBranch parent;
    auto* const joint = add(parent, std::make_unique<finch::JointBranch>());
    add(*joint, scenebuild::geometry("g", scenebuild::square(0, 0, 1, 1, 0, 0)));
    parent.clean();
    Matrix m;
    m.setTranslation(Vector3d(-10, 0, 0));
    joint->setPivotMatrix(Matrix());
    joint->setMatrix(m);
    EXPECT_FALSE(joint->hasPivot());
    EXPECT_EQ(joint->motion().at(3, 0), -10.0);
    // The children are carried by the inverse motion.
    EXPECT_EQ(joint->box().min().x, 10.0);
    EXPECT_EQ(parent.box().max().x, 11.0);
    EXPECT_EQ(joint->localBox().min().x, 0.0);
}

TEST(BranchTest, InstanceBranchesKeepTheirObjectsTablesInStep)
{
    TempLog log;
    auto shown = std::make_unique<finch::Object>();
    std::unique_ptr<Branch> root = scenebuild::geometry("g", scenebuild::square(0, 0, 1, 1, 0, 0));
    shown->setRoot(root);
    shown->clean();
    GroupBranch parent;
    auto* const instance = add(parent, std::make_unique<finch::InstanceBranch>());
    instance->setInstance(shown.get());
    EXPECT_EQ(shown->instances(), (std::vector<finch::InstanceBranch*>{instance}));
    Matrix m;
    m.setTranslation(Vector3d(0, 20, 0));
    instance->setMatrix(m);
    // The parent's box grows at once.
    EXPECT_EQ(parent.box().max().y, 20.0);
    shown.reset();
    EXPECT_EQ(instance->instance(), nullptr);
    EXPECT_FALSE(log.contains("messed up"));
}

TEST(BranchTest, ADatabaseWithoutMainObjectHasNoBoundsAndARootIsReplacedWhole)
{
    finch::Database db;
    EXPECT_FALSE(db.bounds().isValid());
    EXPECT_TRUE(db.isDirty());
    auto object = std::make_unique<finch::Object>();
    finch::Object* const raw = object.get();
    std::unique_ptr<Branch> first = scenebuild::geometry("first", scenebuild::square(0, 0, 1, 1, 0, 0));
    raw->setRoot(first);
    db.addObject(object);
    EXPECT_EQ(db.mainObject(), raw);
    EXPECT_EQ(db.bounds().max(), Vector3d(1, 0, 1));
    const int before = finch::getGeometryStats().geobunches.count;
    std::unique_ptr<Branch> second = std::make_unique<GroupBranch>();
    raw->setRoot(second);
    EXPECT_EQ(finch::getGeometryStats().geobunches.count, before - 1);
    EXPECT_TRUE(db.isDirty());
}

TEST(BranchCallbackRemoval, ABranchDestroyedBeforeTheReleaseIsForgotten)
{
    const heron::counted_ptr<finch::TraversalCallback> oneShot(new finch::TraversalCallback);
    auto kept = std::make_unique<GroupBranch>();
    auto destroyed = std::make_unique<GroupBranch>();
    for (GroupBranch* branch : {kept.get(), destroyed.get()}) {
        branch->setTraversalCallback(oneShot);
        branch->scheduleCallbackRemoval();
    }
    kept->scheduleCallbackRemoval();
    // Releasing must not reach the destroyed branch (the address sanitizer build sees it if it does).
    destroyed.reset();
    Branch::releaseScheduledCallbacks();
    EXPECT_FALSE(kept->traversalCallback());
    EXPECT_EQ(oneShot->refCount(), 1);
    // Released, a branch can be scheduled again.
    kept->setTraversalCallback(oneShot);
    kept->scheduleCallbackRemoval();
    Branch::releaseScheduledCallbacks();
    EXPECT_FALSE(kept->traversalCallback());
}
