#include "scene/graph/JointBranch.h"
#include "base/Limits.h"
#include "scene/graph/TraversalCallback.h"
#include "scene/graph/ViewCulledTraverser.h"
#include "scene/render/Viewer.h"
#include "gui/paint/Image.h"
#include "scene/render/RenderAccumulator.h"
#include "scene/render/Material.h"
#include "support/GLTestSupport.h"
#include "support/LogCapture.h"
#include "support/SceneBuilders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using finch::Branch;
using finch::GroupBranch;
using finch::Matrix;
using finch::Traverser;
using finch::Vector3d;
using Names = std::vector<std::string>;

// A view-culled traverser that notes which branches it tests.
class NotingTraverser : public finch::ViewCulledTraverser
{
public:
    bool isCulled(Branch& branch) override
    {
        tested.push_back(branch.name().c_str());
        return ViewCulledTraverser::isCulled(branch);
    }
    Names tested;
};

// Notes the branches it is called for, before and after their children; may refuse one.
class NotingCallback : public finch::TraversalCallback
{
public:
    NotingCallback(Names& log, std::string refused = "") : m_log(log), m_refused(std::move(refused)) {}
    bool preTraverse(Traverser&, Branch& branch) override
    {
        m_log.push_back(std::string("pre ") + branch.name().c_str());
        return m_refused != branch.name().c_str();
    }
    void postTraverse(Traverser&, Branch& branch) override { m_log.push_back(std::string("post ") + branch.name().c_str()); }

private:
    Names& m_log;
    std::string m_refused;
};

std::unique_ptr<GroupBranch> group(const char* name)
{
    auto g = std::make_unique<GroupBranch>();
    g->setName(name);
    return g;
}

using scenebuild::add;

// A traverser of either kind that counts the visits of branches named "g".
template <class Base>
class GeometryCounting : public Base
{
public:
    void visit(Branch& branch) override
    {
        geometryVisits += branch.name() == "g" ? 1 : 0;
        Base::visit(branch);
    }
    int geometryVisits = 0;
};

// A database whose objects show one another, built in memory. A reference to the database itself
// is dropped first at the end, else the database would hold itself and never be freed.
struct Cycle
{
    ~Cycle()
    {
        if (exref != nullptr) {
            exref->setDatabase({});
        }
    }
    heron::counted_ptr<finch::Database> db;
    finch::ExrefBranch* exref = nullptr;
};

// An object whose root group holds a geometry branch "g" and, one group further down, the branch
// given; the object joins the cycle's database (the first becomes the main object).
finch::Object& addLooping(Cycle& cycle, std::unique_ptr<Branch> below)
{
    auto root = group("root");
    add(*root, scenebuild::geometry("g", scenebuild::square(-1, -1, 1, 1, 50, 0xFF0000FF)));
    add(*add(*root, group("down")), std::move(below));
    if (!cycle.db) {
        cycle.db.reset(scenebuild::database(std::move(root)).release());
        return *cycle.db->mainObject();
    }
    auto object = std::make_unique<finch::Object>();
    std::unique_ptr<Branch> holder(root.release());
    object->setRoot(holder);
    cycle.db->addObject(object);
    return *cycle.db->objects().back();
}

// The object shows itself through an instance below its root.
void selfInstance(Cycle& cycle)
{
    auto instance = std::make_unique<finch::InstanceBranch>();
    finch::InstanceBranch& shows = *instance;
    shows.setInstance(&addLooping(cycle, std::move(instance)));
}

// Two objects show each other.
void mutualInstances(Cycle& cycle)
{
    auto first = std::make_unique<finch::InstanceBranch>();
    auto second = std::make_unique<finch::InstanceBranch>();
    finch::InstanceBranch& firstShows = *first;
    finch::InstanceBranch& secondShows = *second;
    finch::Object& a = addLooping(cycle, std::move(first));
    finch::Object& b = addLooping(cycle, std::move(second));
    firstShows.setInstance(&b);
    secondShows.setInstance(&a);
}

// The main object refers to its own database.
void selfReference(Cycle& cycle)
{
    auto exref = std::make_unique<finch::ExrefBranch>();
    cycle.exref = exref.get();
    addLooping(cycle, std::move(exref));
    cycle.exref->setDatabase(cycle.db);
}

// The object shows itself through two instances, side by side.
void selfInstanceTwice(Cycle& cycle)
{
    auto pair = group("pair");
    auto* const left = add(*pair, std::make_unique<finch::InstanceBranch>());
    auto* const right = add(*pair, std::make_unique<finch::InstanceBranch>());
    finch::Object& object = addLooping(cycle, std::move(pair));
    left->setInstance(&object);
    right->setInstance(&object);
}

// Objects that each show the next, one more than the nesting limit allows; no cycle.
void deepChain(Cycle& cycle)
{
    std::vector<finch::InstanceBranch*> shows;
    std::vector<finch::Object*> objects;
    for (int i = 0; i <= heron::limits::maxInstanceNesting + 1; ++i) {
        auto instance = std::make_unique<finch::InstanceBranch>();
        shows.push_back(instance.get());
        objects.push_back(&addLooping(cycle, std::move(instance)));
    }
    for (std::size_t i = 0; i + 1 < objects.size(); ++i) {
        shows[i]->setInstance(objects[i + 1]);
    }
}

// root: inside (wholly in view: a, b and a joint holding c), outside (behind the eye: d).
std::unique_ptr<GroupBranch> scene()
{
    auto root = group("root");
    auto inside = group("inside");
    add(*inside, scenebuild::geometry("a", scenebuild::square(-1, -1, 1, 1, 50, 0xFF0000FF)));
    add(*inside, scenebuild::geometry("b", scenebuild::square(2, -1, 3, 1, 50, 0xFF0000FF)));
    auto joint = std::make_unique<finch::JointBranch>();
    joint->setName("joint");
    add(*joint, scenebuild::geometry("c", scenebuild::square(-1, 2, 1, 3, 50, 0xFF0000FF)));
    add(*inside, std::move(joint));
    add(*root, std::move(inside));
    auto outside = group("outside");
    add(*outside, scenebuild::geometry("d", scenebuild::square(-1, -1, 1, 1, -50, 0xFF0000FF)));
    add(*root, std::move(outside));
    root->clean();
    return root;
}

}

TEST(TraversalTest, BelowAGroupWhollyInsideNothingIsTestedUntilTheGroupIsLeft)
{
    const auto root = scene();
    finch::Viewer viewer;
    NotingTraverser traverser;
    EXPECT_TRUE(traverser.startWithViewer(viewer));
    root->traverse(traverser);
    EXPECT_EQ(traverser.tested, (Names{"root", "inside", "outside"}));
    EXPECT_EQ(traverser.planeMask(), finch::Frustum::allPlanes);
    EXPECT_TRUE(traverser.cullingActive());
    // The joint inside pushed no frustum.
    EXPECT_EQ(finch::cullStatistics.cullStatePushes, 0);
}

TEST(TraversalTest, ABaseTraverserNeverCullsAndStartPutsTheLevelOfDetailScaleBack)
{
    Traverser traverser;
    traverser.setLodScale(0.0f);
    EXPECT_EQ(traverser.lodScaleInvSq(), 0.0f);
    traverser.setLodScale(2.0f);
    EXPECT_EQ(traverser.lodScaleInvSq(), 0.25f);
    EXPECT_FALSE(traverser.start(Matrix(), Matrix()));
    EXPECT_EQ(traverser.lodScale(), 1.0f);
    EXPECT_EQ(traverser.lodScaleInvSq(), 1.0f);
    GroupBranch g;
    EXPECT_FALSE(traverser.isCulled(g));
}

TEST(TraversalTest, CallbacksRunAroundTheChildrenAndARefusalSkipsTheBranch)
{
    Names log;
    const auto root = scene();
    const heron::counted_ptr<finch::TraversalCallback> callback(new NotingCallback(log, "outside"));
    root->setTraversalCallback(callback);
    root->child(0)->setTraversalCallback(callback);
    root->child(1)->setTraversalCallback(callback);
    root->child(1)->child(0)->setTraversalCallback(callback);
    Traverser traverser;
    traverser.start(Matrix(), Matrix());
    root->traverse(traverser);
    EXPECT_EQ(log, (Names{"pre root", "pre inside", "post inside", "pre outside", "post root"}));
}

TEST(TraversalTest, MatricesPushedBeforeThePoolsGrowKeepTheirPlaces)
{
    // 200 nested joints, each moving its children by 1 along x.
    std::vector<std::pair<const Matrix*, double>> seen;
    class Noting : public finch::TraversalCallback
    {
    public:
        explicit Noting(std::vector<std::pair<const Matrix*, double>>& seen) : m_seen(seen) {}
        bool preTraverse(Traverser& traverser, Branch&) override
        {
            m_seen.emplace_back(&traverser.modelView(), traverser.modelView().at(3, 0));
            return true;
        }

    private:
        std::vector<std::pair<const Matrix*, double>>& m_seen;
    };
    const heron::counted_ptr<finch::TraversalCallback> noting(new Noting(seen));
    auto top = std::make_unique<finch::JointBranch>();
    finch::JointBranch* inner = top.get();
    Matrix step;
    step.setTranslation(Vector3d(1, 0, 0));
    for (int i = 0; i < 200; ++i) {
        inner->setMatrix(step);
        inner->setTraversalCallback(noting);
        auto next = std::make_unique<finch::JointBranch>();
        finch::JointBranch* const raw = next.get();
        add(*inner, std::move(next));
        inner = raw;
    }
    Traverser traverser;
    traverser.start(Matrix(), Matrix());
    top->traverse(traverser);
    ASSERT_EQ(seen.size(), 200u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first->at(3, 0), seen[i].second);
        EXPECT_EQ(seen[i].second, -double(i + 1));
    }
}

TEST(TraversalTest, AWalkEntersNoObjectOrDatabaseItIsAlreadyInsideAndStopsAtTheNestingLimit)
{
    struct Case
    {
        const char* name;
        void (*build)(Cycle&);
        int geometryVisits;
        const char* logged;
    };
    const Case cases[] = {
        // The outermost object, then once more inside itself.
        {"an object showing itself", selfInstance, 2, "the cycle is cut"},
        {"a database referring to itself", selfReference, 2, "the cycle is cut"},
        // The first, the second inside it, the first inside that.
        {"two objects showing each other", mutualInstances, 3, "the cycle is cut"},
        // Once outside and once inside each of the two instances, not once per path of 2^64.
        {"an object showing itself twice", selfInstanceTwice, 3, "the cycle is cut"},
        // The outermost object and one more per nesting level.
        {"a chain deeper than the limit", deepChain, heron::limits::maxInstanceNesting + 1, "nest too deeply"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Cycle cycle;
        c.build(cycle);
        cycle.db->clean();
        {
            LogCapture log;
            GeometryCounting<Traverser> traverser;
            traverser.start(Matrix(), Matrix());
            cycle.db->traverse(traverser);
            EXPECT_EQ(traverser.geometryVisits, c.geometryVisits);
            EXPECT_TRUE(traverser.instancePath().empty());
            EXPECT_EQ(log.count(c.logged), 1);
        }
        LogCapture log;
        finch::Viewer viewer;
        GeometryCounting<finch::ViewCulledTraverser> culled;
        EXPECT_TRUE(culled.startWithViewer(viewer));
        cycle.db->traverse(culled);
        EXPECT_EQ(culled.geometryVisits, c.geometryVisits);
        EXPECT_EQ(log.count(c.logged), 1);
    }
}

TEST(TraversalTest, AJointIsCulledInItsParentsFrameBeforeItsMotion)
{
    auto root = group("root");
    auto* const joint = add(*root, std::make_unique<finch::JointBranch>());
    // Two hundred to the side in its own frame, carried in front of the camera by the motion.
    add(*joint, scenebuild::geometry("g", scenebuild::square(199, -1, 201, 1, 50, 0xFF0000FF)));
    add(*root, scenebuild::geometry("behind", scenebuild::square(-1, -1, 1, 1, -50, 0xFF0000FF)));
    root->clean();
    Matrix motion;
    motion.setTranslation(Vector3d(200, 0, 0));
    joint->setMatrix(motion);
    ASSERT_LT(joint->box().max().x, 2.0);
    finch::Viewer viewer;
    GeometryCounting<finch::ViewCulledTraverser> traverser;
    EXPECT_TRUE(traverser.startWithViewer(viewer));
    root->traverse(traverser);
    EXPECT_EQ(traverser.geometryVisits, 1);
}

TEST(TraversalTest, BoxesAddedDuringAWalkAreDrawnWithItsFrameUnderASavedMatrix)
{
    Traverser traverser;
    traverser.start(Matrix(), Matrix());
    finch::BoundingBox box;
    box.set(Vector3d(0, 0, 0), Vector3d(1, 1, 1));
    traverser.boxList().addBox(nullptr, 0xFF0000FF, box);
    GLRecorder recorder;
    kestrel::ImageBody target{16, 16, false};
    traverser.accumulator().render(target);
    finch::Material::unlock();
    EXPECT_TRUE(traverser.boxList().isEmpty());
    const int saved = recorder.indexOf("PushMatrix");
    EXPECT_GE(saved, 0);
    EXPECT_LT(saved, recorder.indexOf("Begin"));
    EXPECT_GT(recorder.indexOf("PopMatrix"), recorder.indexOf("Begin"));
    // A suppressed list stays out of the next frame.
    traverser.boxList().setSuppressed(true);
    traverser.start(Matrix(), Matrix());
    traverser.boxList().addBox(nullptr, 0xFF0000FF, box);
    traverser.accumulator().render(target);
    finch::Material::unlock();
    EXPECT_FALSE(traverser.boxList().isEmpty());
}
