#include "scene/graph/JointBranch.h"
#include "scene/graph/TraversalCallback.h"
#include "scene/graph/ViewCulledTraverser.h"
#include "scene/render/Viewer.h"
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
