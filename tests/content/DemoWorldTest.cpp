// The demo world's data file as the build makes it: the sounds its effects and zones play are
// members of it and decode in the layouts the sound system plays.
#include "content/DataFiles.h"
#include "content/ImageFiles.h"
#include "content/models/PelicanDatabaseReader.h"
#include "content/specials/GlowSpecial.h"
#include "content/specials/MyBunchProcessor.h"
#include "content/specials/SpecialFinder.h"
#include "content/world/SpecialFinding.h"
#include "content/world/EngineKinds.h"
#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/geometry/Polygon.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"
#include "content/OggDecoder.h"
#include "content/SoundCache.h"
#include "content/SoundFileFixture.h"
#include "sound/SoundFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace datafiletest;
using namespace soundtest;

namespace
{

// The objects of the first level's model.
constexpr std::size_t shallowsObjects = 11;

class DemoWorldTest : public DataFileTest
{
protected:
    void SetUp() override
    {
        DataFileTest::SetUp();
        pelican::setCacheRoot(systemPath(path("root")).spelling().c_str());
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
    }
};

}

TEST_F(DemoWorldTest, EachSoundDecodesInTheLayoutOfTheVoicesThatPlayIt)
{
    struct Case
    {
        const char* name;
        egret::SoundFormat format;
        double leastSeconds;
    };
    // One-shot effects play on stereo voices, which refuse any other layout; the bubbles are a sound
    // for a zone's mono emitter voices, the bass the step sequencer's mono note; the songs stream in
    // stereo.
    const Case cases[] = {
        {"sounds\\chime.wav", egret::stereo16Format, 1.5},
        {"sounds\\splash.wav", egret::stereo16Format, 0.8},
        {"sounds\\throw.wav", egret::stereo16Format, 0.35},
        {"sounds\\bubble.wav", egret::mono16Format, 0.3},
        {"music\\bass.wav", egret::mono16Format, 0.3},
        {"music\\shore.ogg", egret::stereo16Format, 30.0},
        {"music\\reef.ogg", egret::stereo16Format, 30.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Source sound = pelican::getSound(c.name);
        ASSERT_TRUE(sound);
        EXPECT_TRUE(egret::samePlayback(sound->format(), c.format));
        // A song's decoder tells its length as unknown; its probe found the frames.
        const auto* const song = dynamic_cast<const pelican::OggDecoder*>(sound.get());
        const std::int64_t length = song != nullptr ? song->totalFrames() : sound->length();
        EXPECT_GE(length, static_cast<std::int64_t>(c.leastSeconds * c.format.rate));
        // A quarter of a second from the middle, past every fade-in, is audible.
        std::vector<std::int16_t> middle(static_cast<std::size_t>(c.format.rate / 4 * c.format.channels));
        sound->rewind();
        sound->seek(static_cast<int>(c.leastSeconds / 2 * c.format.rate));
        const int frames = sound->read(static_cast<int>(c.format.rate / 4), middle.data());
        sound->close();
        EXPECT_GT(frames, 0);
        EXPECT_TRUE(std::any_of(middle.begin(), middle.end(), [](std::int16_t s) { return s > 1000 || s < -1000; }));
    }
}

TEST_F(DemoWorldTest, FirstLevelModelsAreModelEditorFilesOfTheNewestRevision)
{
    for (const char* name : {"models\\shallows.quill", "models\\fish.quill"}) {
        SCOPED_TRACE(name);
        pelican::DataFileName record(heron::FilePath(name), pelican::databasesCategory);
        const heron::counted_ptr<heron::DataSource> source = pelican::openDataFile(record);
        ASSERT_TRUE(source);
        const std::string bytes = readAll(*source);
        // The header line, then the little-endian marker.
        EXPECT_EQ(bytes.substr(0, 20), std::string("Compatibility: 412\n\x03"));
    }
}

TEST_F(DemoWorldTest, FirstLevelTexturesDecodeAtTheirSizes)
{
    struct Case
    {
        const char* name;
        pelican::ImageInfo info;
    };
    const Case cases[] = {
        {"sand.gif", {64, 64, 3}},
        {"glass.sgi", {64, 64, 4}},
        {"tower.jpg", {64, 64, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pelican::readImageByType(heron::FilePath(c.name)), c.info);
        const kestrel::Image image = pelican::loadImageFile(heron::FilePath(c.name));
        EXPECT_EQ((pelican::ImageInfo{image.width(), image.height(), image.components()}), c.info);
    }
}

TEST_F(DemoWorldTest, LoadingScreenPictureFillsAStandardScreen)
{
    const kestrel::Image splash = pelican::loadImageFile(heron::FilePath("splash.gif"));
    EXPECT_EQ((pelican::ImageInfo{splash.width(), splash.height(), splash.components()}),
              (pelican::ImageInfo{640, 480, 3}));
}

TEST_F(DemoWorldTest, LookFileNamesTheModelAndTheFirstLevel)
{
    pelican::DataFileName record(heron::FilePath("glasstide.look"), pelican::plainCategory);
    const heron::counted_ptr<heron::DataSource> source = pelican::openDataFile(record);
    ASSERT_TRUE(source);
    const std::string text = readAll(*source);
    EXPECT_NE(text.find("    database \"models\\shallows.quill\"\n"), std::string::npos);
    EXPECT_NE(text.find("Level \"Shallows\" {\n    isStartupLevel 1\n"), std::string::npos);
}

namespace
{

std::vector<std::string> childNames(const finch::Branch* branch)
{
    std::vector<std::string> names;
    const auto* const group = dynamic_cast<const finch::GroupBranch*>(branch);
    for (const finch::Branch* child : group != nullptr ? group->children() : std::vector<finch::Branch*>{}) {
        names.emplace_back(child->name().c_str());
    }
    return names;
}

const finch::Branch* childNamed(const finch::Branch* branch, const char* name)
{
    const auto* const group = dynamic_cast<const finch::GroupBranch*>(branch);
    if (group == nullptr) {
        return nullptr;
    }
    for (const finch::Branch* child : group->children()) {
        if (child->name().compare(name) == 0) {
            return child;
        }
    }
    return nullptr;
}

}

TEST_F(DemoWorldTest, FirstLevelModelReadsBackAsItsObjectsAndHierarchy)
{
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    std::vector<std::string> names;
    for (const finch::Object* object : db->objects()) {
        names.emplace_back(object->name().c_str());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Shallows", "Beacon", "Ring", "Post", "Rock", "RedGlider", "YellowGlider",
                                               "GreenGlider", "VioletGlider", "Fish", "Pebble"}));
    ASSERT_EQ(db->mainObject(), db->objects()[0]);
    const finch::Branch* const root = db->mainObject()->root();
    EXPECT_EQ(childNames(root), (std::vector<std::string>{"seabed", "water", "objects", "ring counter"}));
    const finch::Branch* const placed = childNamed(root, "objects");
    EXPECT_EQ(childNames(placed),
              (std::vector<std::string>{"beacon", "RING-Zone.lighthouse", "RING-Zone.shore", "RING-Zone.isle", "RING-Zone.gate",
                                        "RING-Zone.sea", "post", "rock", "pebble", "pebble", "pebble", "pebble", "pebble",
                                        "redglider", "yellowglider", "greenglider", "violetglider", "fish"}));
    const auto* const beacon = dynamic_cast<const finch::InstanceBranch*>(childNamed(placed, "beacon"));
    const auto* const ring = dynamic_cast<const finch::InstanceBranch*>(childNamed(placed, "RING-Zone.lighthouse"));
    ASSERT_TRUE(beacon != nullptr && ring != nullptr);
    EXPECT_EQ(beacon->instance(), db->objects()[1]);
    EXPECT_EQ(ring->instance(), db->objects()[2]);
    EXPECT_EQ(childNames(db->objects()[1]->root()), (std::vector<std::string>{"tower", "lamp"}));
}

// The game passes rings between players only when the database's "Ring" object has two pieces of
// geometry: the ring's gold band and its stones.
TEST_F(DemoWorldTest, RingIsTheWorldsRingObjectOfABandAndItsStones)
{
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    ASSERT_EQ(db->objects().size(), shallowsObjects);
    finch::Object* const ring = db->objects()[2];
    EXPECT_EQ(childNames(ring->root()), (std::vector<std::string>{"band", "stones"}));
    const auto* const band = dynamic_cast<const finch::PolygonBranch*>(childNamed(ring->root(), "band"));
    ASSERT_TRUE(band != nullptr && !band->polygons().empty());
    const finch::Material& gold = *band->polygons()[0]->material();
    EXPECT_TRUE(gold.isLit());
    EXPECT_FLOAT_EQ(gold.diffuse().g, 0.8f);
    db->clean();
    EXPECT_EQ(db->ringObject(), ring);
    EXPECT_EQ(db->ringGeometry(), childNamed(ring->root(), "stones"));
    // Each of the five placed rings is a ring zone, which a ring passed on returns to.
    std::vector<std::string> zones;
    for (const pelican::RingZone& zone : db->ringZones()) {
        zones.emplace_back(zone.zone.c_str());
    }
    EXPECT_EQ(zones, (std::vector<std::string>{"lighthouse", "shore", "isle", "gate", "sea"}));
}

TEST_F(DemoWorldTest, RingsHeldTakeTheRingsShapeWhichLeavesTheSceneWhenPrepared)
{
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    db->clean();
    ASSERT_EQ(db->objects().size(), shallowsObjects);
    EXPECT_EQ(db->ringCounterObject(), db->objects()[2]);
    EXPECT_EQ(childNames(db->mainObject()->root()), (std::vector<std::string>{"seabed", "water", "objects"}));
}

TEST_F(DemoWorldTest, FirstLevelPropsLoadFromTheirOwnFiles)
{
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    ASSERT_EQ(db->objects().size(), shallowsObjects);
    const auto* const post = dynamic_cast<const finch::ExrefBranch*>(db->objects()[3]->root());
    const auto* const rock = dynamic_cast<const finch::ExrefBranch*>(db->objects()[4]->root());
    ASSERT_TRUE(post != nullptr && rock != nullptr);
    ASSERT_TRUE(post->database() && rock->database());
    // The post: four sides and four faces of its cap, in the text form of the model editor.
    const auto* const postPolygons = dynamic_cast<const finch::PolygonBranch*>(post->database()->mainObject()->root());
    ASSERT_NE(postPolygons, nullptr);
    EXPECT_EQ(postPolygons->polygons().size(), 8u);
    // The rock: a radiosity solution's twelve triangles in one piece of geometry.
    const auto* const rockGroup = dynamic_cast<const finch::GroupBranch*>(rock->database()->mainObject()->root());
    ASSERT_NE(rockGroup, nullptr);
    ASSERT_EQ(rockGroup->children().size(), 1u);
    const auto* const rockGeometry = dynamic_cast<const finch::GeometryBranch*>(rockGroup->children()[0]);
    ASSERT_NE(rockGeometry, nullptr);
    ASSERT_EQ(rockGeometry->bunches().size(), 1u);
    EXPECT_EQ(rockGeometry->bunches()[0]->triangleCount(), 12);
}

TEST_F(DemoWorldTest, FirstLevelSurfacesKeepTheirMaterialsAndTextures)
{
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    const auto* const seabed = dynamic_cast<const finch::PolygonBranch*>(childNamed(db->mainObject()->root(), "seabed"));
    const auto* const water = dynamic_cast<const finch::PolygonBranch*>(childNamed(db->mainObject()->root(), "water"));
    ASSERT_TRUE(seabed != nullptr && water != nullptr);
    // Grids of 25 lines 10 apart over the islands (water: 5 lines 60 apart) and 14 lines on each side
    // out to the edge of the sea.
    EXPECT_EQ(seabed->polygons().size(), 52u * 52u);
    const finch::Material& sand = *seabed->polygons()[0]->material();
    ASSERT_TRUE(sand.texture(0));
    EXPECT_STREQ(sand.texture(0)->file().c_str(), "sand.gif");
    ASSERT_EQ(water->polygons().size(), 32u * 32u);
    const finch::Material& sea = *water->polygons()[0]->material();
    EXPECT_FLOAT_EQ(sea.opacity(), 0.45f);
    ASSERT_TRUE(sea.texture(0));
    EXPECT_STREQ(sea.texture(0)->file().c_str(), "glass.sgi");
    ASSERT_EQ(db->objects().size(), shallowsObjects);
    const auto* const tower = dynamic_cast<const finch::PolygonBranch*>(childNamed(db->objects()[1]->root(), "tower"));
    ASSERT_TRUE(tower != nullptr && !tower->polygons().empty());
    const finch::Material& walls = *tower->polygons()[0]->material();
    ASSERT_TRUE(walls.texture(0));
    EXPECT_STREQ(walls.texture(0)->file().c_str(), "tower.jpg");
}

// The level's engines: the post's rise, then the beacon's turn, each a clock driving one engine.
TEST_F(DemoWorldTest, BeaconLampTurnsByAnEngineOnItsJoint)
{
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    ASSERT_EQ(db->engines().size(), 2u);
    const auto* const clock = dynamic_cast<const pelican::LinearEngine*>(db->engines()[1]);
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->p(1), 60.0);
    ASSERT_EQ(clock->children().size(), 1u);
    const auto* const turn = dynamic_cast<const pelican::OutputEngine*>(clock->children()[0]);
    ASSERT_NE(turn, nullptr);
    ASSERT_NE(turn->target(), nullptr);
    EXPECT_STREQ(turn->target()->name().c_str(), "lamp");
    EXPECT_EQ(childNamed(db->objects()[1]->root(), "lamp"), turn->target());
}

// The mooring post's placement moves along a straight path up out of the sand, at a speed that
// raises it in two seconds.
TEST_F(DemoWorldTest, PostRisesAlongAPathOutOfTheSand)
{
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    ASSERT_EQ(db->engines().size(), 2u);
    const auto* const clock = dynamic_cast<const pelican::LinearEngine*>(db->engines()[0]);
    ASSERT_TRUE(clock != nullptr && clock->children().size() == 1u);
    auto* const path = dynamic_cast<pelican::SplineEngine*>(clock->children()[0]);
    ASSERT_NE(path, nullptr);
    const finch::Branch* const placed = childNamed(db->mainObject()->root(), "objects");
    EXPECT_EQ(path->target(), childNamed(placed, "post"));
    ASSERT_EQ(path->path().segmentCount(), 1u);
    const finch::BezierSegment& rise = path->path().segment(0);
    const finch::Vector3d sunk = rise.controlPoint(0);
    const finch::Vector3d standing = rise.controlPoint(3);
    EXPECT_EQ(sunk.x, standing.x);
    EXPECT_EQ(sunk.y, standing.y);
    EXPECT_DOUBLE_EQ(standing.z - sunk.z, 3.0);
    EXPECT_NEAR(path->path().length(), 3.0, 1e-6);
    EXPECT_DOUBLE_EQ(path->path().length() / clock->p(1), 2.0);
}

TEST_F(DemoWorldTest, FirstLevelSpecialsAreFoundWhenTheModelIsPrepared)
{
    pelican_specials::installSpecialFinder();
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    db->clean();
    pelican::setSpecialFinder(nullptr);
    const finch::Branch* const lamp = childNamed(db->objects()[1]->root(), "lamp");
    ASSERT_NE(lamp, nullptr);
    EXPECT_NE(dynamic_cast<const pelican_specials::GlowSpecial*>(lamp->traversalCallback().get()), nullptr);
    // The shimmer is handed to the bunch hooks of the water and the sand, and leaves the root.
    for (const char* name : {"water", "seabed"}) {
        SCOPED_TRACE(name);
        const auto* const surface = dynamic_cast<const finch::GeometryBranch*>(childNamed(db->mainObject()->root(), name));
        ASSERT_NE(surface, nullptr);
        const auto* const hook = dynamic_cast<const pelican_specials::MyBunchProcessor*>(surface->bunchCallbacks().get());
        ASSERT_NE(hook, nullptr);
        EXPECT_TRUE(hook->wobbles());
        EXPECT_FLOAT_EQ(hook->frequency(), 0.5f);
    }
    EXPECT_FALSE(db->mainObject()->root()->traversalCallback());
}

TEST_F(DemoWorldTest, ReefFishSwimThroughFramesReadBesideTheirModel)
{
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
    ASSERT_TRUE(db);
    ASSERT_EQ(db->objects().size(), shallowsObjects);
    const auto* const exref = dynamic_cast<const finch::ExrefBranch*>(db->objects()[9]->root());
    ASSERT_TRUE(exref != nullptr && exref->database());
    finch::Object& school = *exref->database()->mainObject();
    // A frame for each twelfth of the cycle, each of every vertex, timed by the models' control file.
    ASSERT_NE(school.animationFrames(), nullptr);
    const finch::AnimationFrames& frames = *school.animationFrames();
    ASSERT_EQ(frames.size(), 12u);
    EXPECT_TRUE(std::all_of(frames.begin(), frames.end(), [&](const finch::AnimationFrame& f) { return f.size() == frames[0].size(); }));
    const std::vector<pelican::AnimationEntry>& animations = dynamic_cast<const pelican::PelicanDB&>(*exref->database()).animations();
    ASSERT_EQ(animations.size(), 1u);
    EXPECT_EQ(animations[0].object, &school);
    EXPECT_FLOAT_EQ(animations[0].period, 2.4f);

    // Prepared and cleaned, the school's placement runs the animation, and every bunch of the fish
    // holds the frames.
    db->clean();
    pelican::PelicanObject* const placed = db->findObject("/objects/fish$0", "");
    ASSERT_NE(placed, nullptr);
    EXPECT_NE(placed->animationController(), nullptr);
    const auto* const fish = dynamic_cast<const finch::GeometryBranch*>(childNamed(school.root(), "fish"));
    ASSERT_TRUE(fish != nullptr && !fish->bunches().empty());
    for (finch::GeoBunch* bunch : fish->bunches()) {
        EXPECT_EQ(bunch->animationFrames().size(), 12u);
        EXPECT_EQ(bunch->animationFrames()[11].size(), std::size_t(bunch->vertexCount()));
    }
}
