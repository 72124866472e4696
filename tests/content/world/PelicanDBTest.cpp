#include "content/DataFiles.h"
#include "content/world/EngineKinds.h"
#include "content/world/FakeSceneClock.h"
#include "content/world/Rocks.h"
#include "content/world/SpecialFinding.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/Branch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/graph/Traverser.h"
#include "support/TempFolder.h"
#include "support/TempLog.h"
#include "support/WorldBuilders.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

using pelican::PelicanDB;
using pelican::PelicanObject;
using worldtest::group;
using worldtest::instance;

class CountingFinder : public pelican::SpecialFinding
{
public:
    CountingFinder() { pelican::setSpecialFinder(this); }
    ~CountingFinder() override { pelican::setSpecialFinder(nullptr); }
    void run(PelicanDB&) override { ++runs; }
    int runs = 0;
};

finch::SwitchBranch* flipbook(finch::GroupBranch& parent, int frames, double duration)
{
    auto* const made = worldtest::add(parent, std::make_unique<finch::SwitchBranch>());
    for (int i = 0; i < frames; ++i) {
        worldtest::add(*made, std::make_unique<finch::GroupBranch>());
    }
    made->setParameter(duration);
    return made;
}

class Database : public ::testing::Test
{
protected:
    void SetUp() override { pelican::resetDataFiles(); }
    void TearDown() override
    {
        PelicanDB::setWarningPause(nullptr);
        pelican::resetDataFiles();
    }

    PelicanObject* find(const char* name) { return world.db->findObject(name, (folder.path().string() + "/").c_str()); }
    std::string remapLog() const { return readWholeFile(folder.path() / "remapped_objects.txt"); }

    TempLog log;
    TempFolder folder;
    worldtest::FakeClock clock;
    worldtest::World world;
};

}

TEST_F(Database, AModelWithoutObjectsHasNoRecords)
{
    worldtest::group(*world.root, "things");
    EXPECT_EQ(world.db->rootObject(), nullptr);
    EXPECT_EQ(find("/things"), nullptr);
}

TEST_F(Database, AMissingNameIsRemappedToTheOneRecordEndingLikeIt)
{
    std::vector<double> pauses;
    PelicanDB::setWarningPause([&](double seconds) { pauses.push_back(seconds); });
    finch::GroupBranch* const objects = group(*world.root, "objects");
    finch::Object* const shown = world.object("shown");
    instance(*group(*objects, "x"), "b", shown);
    instance(*group(*objects, "y"), "b", shown);
    instance(*objects, "rock", shown);

    EXPECT_EQ(find("/objects/x$0/b$0")->name(), "/objects/x$0/b$0");
    EXPECT_EQ(find("/a$0/b$0"), nullptr) << "a tie at score 1";
    PelicanObject* const remapped = find("/a$0/rock$0");
    ASSERT_NE(remapped, nullptr);
    EXPECT_EQ(remapped->name(), "/objects/rock$0");
    EXPECT_EQ(find("/a$0/rock$0"), remapped) << "entered under the name asked";
    EXPECT_EQ(pauses, std::vector<double>{2.0});
    EXPECT_TRUE(log.contains("\n***Warning:\nObject \"/a$0/rock$0\" \nHas been remapped to \"/objects/rock$0\n\n"));
    const std::string written = remapLog();
    EXPECT_EQ(written.rfind("\n\nRemapped objects: ", 0), 0u) << written;
    EXPECT_NE(written.find("Object \"/a$0/rock$0\" was remapped to \"/objects/rock$0\n"), std::string::npos) << written;
}

TEST_F(Database, TheRemapLogIsWrittenOnlyInTheFolderAsSpelled)
{
    PelicanDB::setWarningPause([](double) {});
    instance(*group(*world.root, "objects"), "rock", world.object("shown"));
    std::filesystem::create_directories(folder.path() / "world");
    const std::string otherCase = folder.path().string() + "/World/";
    EXPECT_NE(world.db->findObject("/a$0/rock$0", otherCase.c_str()), nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "world" / "remapped_objects.txt"));
}

TEST_F(Database, ACollisionTypeSetBeforeAnyLookupIsApplied)
{
    instance(*group(*world.root, "objects"), "wall", world.object("shown"));
    world.db->setCollisionType("/objects/wall$0", finch::Branch::neverCollides);

    world.db->clean();
    ASSERT_NE(find("/objects/wall$0"), nullptr);
    EXPECT_EQ(find("/objects/wall$0")->branchValue(), finch::Branch::neverCollides);
    EXPECT_EQ(remapLog().rfind("\n\nRemapped objects: ", 0), 0u) << "the first lookup still starts the log";
}

TEST_F(Database, PreparationSearchesAnObjectReachedAlongManyPathsOnce)
{
    // Forty levels, each showing the next twice: 2^40 paths to the last object.
    std::vector<finch::Object*> levels;
    for (int i = 0; i < 40; ++i) {
        levels.push_back(world.object(("level" + std::to_string(i)).c_str()));
    }
    for (std::size_t i = 0; i + 1 < levels.size(); ++i) {
        instance(*world.rootOf(levels[i]), "left", levels[i + 1]);
        instance(*world.rootOf(levels[i]), "right", levels[i + 1]);
    }
    world.db->addAnimation(levels.back(), 1.0f);
    instance(*group(*world.root, "objects"), "tower", levels.front());

    world.db->clean();
    ASSERT_NE(find("/objects/tower$0"), nullptr);
    EXPECT_NE(find("/objects/tower$0")->scaleSpecial(), nullptr) << "the animated object was found";
}

TEST_F(Database, PreparationAttachesPathsAnimationsAndSequences)
{
    CountingFinder finder;
    finch::GroupBranch* const objects = group(*world.root, "objects");
    finch::Object* const spinner = world.object("spinner");
    finch::Object* const frameA = world.object("frameA");
    finch::Object* const frameB = world.object("frameB");
    finch::Object* const walker = world.object("walker");
    finch::SwitchBranch* const animations = flipbook(*world.rootOf(walker), 0, 0.0);
    instance(*animations, "stand", frameA);
    instance(*animations, "walk", frameB);
    finch::InstanceBranch* const mover = instance(*objects, "mover", spinner);
    instance(*objects, "walker", walker);
    world.db->addAnimation(spinner, 2.0f);
    world.db->addAnimation(frameB, 1.0f);
    world.db->addFlipbook(animations);
    world.db->addEngine(worldtest::pathDriver(mover, {0.0, 4.0, 0.0}));
    world.db->setCollisionType("/objects/mover$0", finch::Branch::neverCollides);
    ASSERT_NE(find("/objects/mover$0"), nullptr);

    world.db->clean();
    EXPECT_EQ(finder.runs, 2);
    PelicanObject& moving = *find("/objects/mover$0");
    EXPECT_TRUE(moving.hasPath());
    EXPECT_DOUBLE_EQ(moving.pathLength(), 4.0);
    ASSERT_NE(moving.animationController(), nullptr);
    EXPECT_EQ(moving.animationController()->entries().front().object, spinner);
    EXPECT_EQ(moving.branchValue(), finch::Branch::neverCollides);

    PelicanObject& walking = *find("/objects/walker$0");
    EXPECT_EQ(walking.animationSwitch(), animations);
    ASSERT_NE(walking.sequenceController(), nullptr);
    ASSERT_EQ(walking.sequenceController()->steps().size(), 2u);
    EXPECT_EQ(walking.sequenceController()->steps()[1].front().object, frameB);
    EXPECT_NE(walking.scaleSpecial(), nullptr);
    EXPECT_TRUE(world.db->flipbooks().empty()) << "a sequence's switch is no flip-book";
    walking.setAnimation(2, 0.5);
    EXPECT_EQ(walking.sequenceController()->current(), -1) << "index 2 of 2 animations";
    walking.setAnimation(1, 0.5);
    EXPECT_EQ(animations->selected(), 1);
    EXPECT_EQ(walking.animationName(1), "walk");
    EXPECT_EQ(heron::progressCode, 105);
    EXPECT_TRUE(log.contains("BranchCompiler() needs looking at\n"));
}

TEST_F(Database, ReferencedDatabasesHandTheirListsToTheReferringOne)
{
    auto inner = std::make_unique<PelicanDB>();
    std::unique_ptr<finch::Branch> innerRoot(new finch::GroupBranch);
    auto innerObject = std::make_unique<finch::Object>();
    innerObject->setRoot(innerRoot);
    finch::Object* const animated = innerObject.get();
    inner->addObject(innerObject);
    inner->addEngine(std::make_unique<pelican::WaveEngine>());
    inner->addAnimation(animated, 3.0f);
    PelicanDB* const referenced = inner.get();
    auto exref = std::make_unique<finch::ExrefBranch>();
    exref->setDatabase(heron::counted_ptr<finch::Database>(inner.release()));
    world.object("reference", std::move(exref));

    world.db->clean();
    EXPECT_EQ(world.db->engines().size(), 1u);
    ASSERT_EQ(world.db->animations().size(), 1u);
    EXPECT_EQ(world.db->animations().front().object, animated);
    EXPECT_TRUE(referenced->engines().empty());
    EXPECT_TRUE(referenced->animations().empty());
}

TEST_F(Database, OnlyTheFirstCleanPreparesButEveryCleanReleasesPendingHooks)
{
    CountingFinder finder;
    pelican::noteFile(pelican::FileList::Missing, pelican::DataFileName(heron::FilePath("gone.gif"), 0));
    world.db->clean();
    EXPECT_TRUE(log.contains("\n\nMissing files\n=============\ngone.gif\n\n"));
    EXPECT_TRUE(pelican::listedFiles(pelican::FileList::Missing).empty());

    finch::GroupBranch* const hooked = group(*world.root, "hooked");
    hooked->setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(new finch::TraversalCallback));
    hooked->scheduleCallbackRemoval();
    hooked->scheduleCallbackRemoval();
    world.db->clean();
    EXPECT_EQ(finder.runs, 2);
    EXPECT_FALSE(hooked->traversalCallback());
    EXPECT_EQ(log.count("Missing files"), 1);
}

TEST_F(Database, FlipBooksAdvanceByTheirDurationOrOneFrameACall)
{
    finch::SwitchBranch* const timed = flipbook(*world.root, 4, 2.0);
    finch::SwitchBranch* const stepped = flipbook(*world.root, 2, 0.0);
    finch::SwitchBranch* const empty = flipbook(*world.root, 0, 2.0);
    finch::SwitchBranch* const broken = flipbook(*world.root, 3, std::numeric_limits<double>::quiet_NaN());
    for (finch::SwitchBranch* book : {timed, stepped, empty, broken}) {
        world.db->addFlipbook(book);
    }
    clock.set(10.0);
    world.db->startEngines(10.0);
    struct Case
    {
        double now;
        int timedFrame;
        int steppedFrame;
    };
    for (const Case c : {Case{11.0, 2, 1}, Case{14.0, 0, 2}, Case{14.5, 1, 2}}) {
        clock.set(c.now);
        world.db->updateAnimation();
        EXPECT_EQ(timed->selected(), c.timedFrame) << c.now;
        EXPECT_EQ(stepped->selected(), c.steppedFrame) << c.now;
    }
    EXPECT_EQ(empty->selected(), 0);
    EXPECT_EQ(broken->selected(), 0);
}

TEST_F(Database, RingsAndRingZonesAreFoundOnce)
{
    finch::Object* const ring = world.object("Ring");
    finch::GeometryBranch* const first = worldtest::add(*world.rootOf(ring), std::make_unique<finch::GeometryBranch>());
    finch::GeometryBranch* const second = worldtest::add(*world.rootOf(ring), std::make_unique<finch::GeometryBranch>());
    finch::Object* const counter = world.object("counter");
    finch::InstanceBranch* const counterBranch = instance(*world.root, "ring counter", counter);
    finch::GroupBranch* const objects = group(*world.root, "objects");
    instance(*objects, "RING-Zone.north", ring);
    instance(*objects, "RING-Zone.south", ring);

    EXPECT_EQ(world.db->ringObject(), ring);
    EXPECT_EQ(world.db->ringGeometry(), second);
    EXPECT_NE(world.db->ringGeometry(), first);
    EXPECT_EQ(world.db->ringCounterObject(), counter);
    EXPECT_EQ(counterBranch->parent(), nullptr) << "the counter leaves the scene";
    ASSERT_NE(world.db->ringZone("south"), nullptr);
    EXPECT_EQ(world.db->ringZone("south")->record->name(), "/objects/RING-Zone.south$0");
    EXPECT_EQ(world.db->ringZones().size(), 2u);
    EXPECT_EQ(world.db->ringZone("east"), nullptr);
}

TEST_F(Database, RockAnimationPositionsAreClampedToTheUnitRange)
{
    finch::Object* const rock = world.object("rock");
    finch::InstanceBranch* const built = world.db->buildRocks(rock);
    ASSERT_NE(built, nullptr);
    finch::GroupBranch* const rocks = world.db->rocksGroup();
    EXPECT_EQ(rocks->parent()->parent(), world.root);
    EXPECT_EQ(rocks->collisionMode(), finch::Branch::neverCollides);
    auto* const animator = dynamic_cast<pelican::RockAnimator*>(built->parent()->traversalCallback().get());
    ASSERT_NE(animator, nullptr);
    for (const auto& [given, stored] : {std::pair{-0.5, 0.0f}, std::pair{3.0, 1.0f}, std::pair{0.25, 0.25f},
                                       std::pair{std::numeric_limits<double>::quiet_NaN(), 0.0f}}) {
        world.db->setRockAnimationPosition(built, given);
        EXPECT_FLOAT_EQ(animator->position(), stored) << given;
    }
    finch::Traverser traverser;
    world.db->setRockLodScale(0.5f);
    EXPECT_TRUE(rocks->parent()->traversalCallback()->preTraverse(traverser, *rocks->parent()));
    EXPECT_FLOAT_EQ(traverser.lodScale(), 0.5f);
    rocks->parent()->traversalCallback()->postTraverse(traverser, *rocks->parent());
    EXPECT_FLOAT_EQ(traverser.lodScale(), 1.0f);
    world.db->removeRockAnimation(built);
    EXPECT_TRUE(rocks->children().empty());
    EXPECT_EQ(world.db->buildRocks(nullptr), nullptr);
}
