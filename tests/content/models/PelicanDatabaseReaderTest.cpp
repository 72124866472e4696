// Loading model files by kind, model lists beside packed models, and the frame sequences found
// beside a model.
#include "content/models/PelicanDatabaseReader.h"

#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "content/DataFileFixture.h"
#include "content/world/PelicanDB.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/Object.h"
#include "tools/demo/QuillWriter.h"
#include "tools/demo/ShallowsProps.h"
#include "support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace datafiletest;

namespace
{

// Little-endian words of a frame cache.
struct Words
{
    std::string bytes;

    Words& u32(std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
        return *this;
    }
    Words& point(float x, float y, float z)
    {
        return u32(std::bit_cast<std::uint32_t>(x)).u32(std::bit_cast<std::uint32_t>(y)).u32(std::bit_cast<std::uint32_t>(z));
    }
};

// Two frames of two positions.
const std::string twoFrames = Words().u32(2).u32(2).point(1, 2, 3).point(4, 5, 6).u32(2).point(7, 8, 9).point(10, 11, 12).bytes;

std::string storedDatabase()
{
    heron::MemoryDataDest dest;
    pelican::PelicanDB database;
    dest.writeObject(&database);
    return {reinterpret_cast<const char*>(dest.data()), dest.size()};
}

// A database whose main object has the root, with the model path set.
heron::counted_ptr<pelican::PelicanDB> databaseWithRoot(std::unique_ptr<finch::Branch> root, const heron::FilePath& model)
{
    heron::counted_ptr<pelican::PelicanDB> database(new pelican::PelicanDB);
    auto object = std::make_unique<finch::Object>();
    object->setName("main");
    object->setRoot(root);
    database->addObject(object);
    database->setFilePath(model);
    return database;
}

// A model file of objects that each show the named file.
std::string referencesTo(const std::vector<std::string>& files)
{
    demo::QuillModel model;
    for (const std::string& file : files) {
        model.objects.push_back({.name = "shows " + file, .index = static_cast<std::int32_t>(model.objects.size()),
                                 .externalReference = file});
    }
    std::string error;
    return demo::writeQuill(model, error);
}

// The database the first object of the database shows through its reference.
const finch::Database* referenced(const finch::Database& database)
{
    const auto* const exref = dynamic_cast<const finch::ExrefBranch*>(database.objects().at(0)->root());
    return exref != nullptr ? exref->database().get() : nullptr;
}

// An ".obj" frame of that many vertices.
std::string objFrame(int vertices)
{
    std::string text;
    for (int i = 0; i < vertices; ++i) {
        text += "v " + std::to_string(i) + " 0 1\n";
    }
    return text;
}

class PelicanDatabaseReaderTest : public DataFileTest
{
protected:
    heron::FilePath model(const char* name) const { return systemPath(path(name)); }
};

}

TEST_F(PelicanDatabaseReaderTest, PackedModelWithoutListIsNotReadAsList)
{
    packAndRegister({{"models/a.quill", "not a list"}});
    EXPECT_FALSE(pelican::readMdlFile("models\\a.quill"));
}

TEST_F(PelicanDatabaseReaderTest, PackedListIsReadInPlaceOfTheModel)
{
    packAndRegister({{"models/a.quill", "not a model"}, {"models/a.mdl", storedDatabase()}});
    const heron::counted_ptr<pelican::PelicanDB> database = pelican::PelicanDatabaseReader::loadDatabase("models\\a.quill", "");
    EXPECT_TRUE(database);
    EXPECT_TRUE(m_log.contains(".mdl file models\\a.mdl read OK\n"));
}

TEST_F(PelicanDatabaseReaderTest, MissingModelIsListedAndGivesNull)
{
    EXPECT_FALSE(pelican::PelicanDatabaseReader::loadDatabase("models\\gone.quill", ""));
    EXPECT_TRUE(m_log.contains("---Exref: models\\gone.quill not found\n"));
    const std::vector<pelican::DataFileName> missing = pelican::listedFiles(pelican::FileList::Missing);
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_STREQ(missing[0].path.c_str(), "models\\gone.quill");
}

TEST_F(PelicanDatabaseReaderTest, RadiosityFileWithoutItsHeaderGivesNull)
{
    writeWholeFile(path("cave.lsb"), "radiosity");
    EXPECT_FALSE(pelican::PelicanDatabaseReader::loadDatabase(model("cave.lsb"), ""));
    EXPECT_FALSE(m_log.contains("LSB read failed"));
    EXPECT_EQ(m_log.count("Quill read failed because: QuillReader: File has bad header\n"), 1);
}

// An ".rxs" name is tried in the ".rxs" form first: refused there, a file of the plain form reads
// without a failure logged.
TEST_F(PelicanDatabaseReaderTest, RxsNameHoldingThePlainFormLogsNoFailure)
{
    writeWholeFile(path("plain.rxs"), referencesTo({}));
    EXPECT_TRUE(pelican::PelicanDatabaseReader::loadDatabase(model("plain.rxs"), ""));
    EXPECT_TRUE(m_log.contains(".quill file "));
    EXPECT_FALSE(m_log.contains("read failed"));
}

TEST_F(PelicanDatabaseReaderTest, RadiosityFileIsReadByItsReader)
{
    std::string error;
    writeWholeFile(path("rock.lsb"), demo::writeRadiosity(demo::litRock(), error));
    const heron::counted_ptr<pelican::PelicanDB> db = pelican::PelicanDatabaseReader::loadDatabase(model("rock.lsb"), "");
    ASSERT_TRUE(db);
    EXPECT_TRUE(dynamic_cast<const finch::GroupBranch*>(db->mainObject()->root()) != nullptr);
    EXPECT_TRUE(m_log.contains(".lsb file "));
}

TEST_F(PelicanDatabaseReaderTest, FrameFolderNeedsTwoFramesAndWritesTheCache)
{
    writeWholeFile(path("fish.obj/a.obj"), "# first\nv 1 2 3\nvn 0 0 1\nv 4 5 six\nv 4 5 6\n");
    finch::Object object;
    EXPECT_FALSE(pelican::readFrameSequence(model("fish.quill"), object));
    writeWholeFile(path("fish.quill"), "model");
    writeWholeFile(path("fish.obj/b.obj"), "v 7 8 9\nv 10 11 12\n");
    EXPECT_TRUE(pelican::readFrameSequence(model("fish.quill"), object));
    ASSERT_NE(object.animationFrames(), nullptr);
    EXPECT_EQ(readWholeFile(path("fish.anim")), twoFrames);
}

TEST_F(PelicanDatabaseReaderTest, WrittenCacheIsListedAsUsedAndReadInPlaceOfTheFolder)
{
    writeWholeFile(path("fish.quill"), "model");
    writeWholeFile(path("fish.obj/a.obj"), objFrame(3));
    writeWholeFile(path("fish.obj/b.obj"), objFrame(3));
    finch::Object object;
    ASSERT_TRUE(pelican::readFrameSequence(model("fish.quill"), object));
    const std::vector<pelican::DataFileName> used = pelican::listedFiles(pelican::FileList::Used);
    ASSERT_EQ(used.size(), 1u);
    EXPECT_STREQ(used[0].path.c_str(), model("fish.anim").c_str());
    std::filesystem::remove_all(path("fish.obj"));
    finch::Object again;
    ASSERT_TRUE(pelican::readFrameSequence(model("fish.quill"), again));
    ASSERT_NE(again.animationFrames(), nullptr);
    EXPECT_EQ(again.animationFrames()->size(), 2u);
}

TEST_F(PelicanDatabaseReaderTest, CacheThatCannotBeWrittenWholeIsNotLeftBehind)
{
    writeWholeFile(path("fish.quill"), "model");
    writeWholeFile(path("fish.obj/a.obj"), objFrame(1000));
    writeWholeFile(path("fish.obj/b.obj"), objFrame(1000));
    finch::Object object;
    bool read = false;
    {
        // Room for the log's few lines, not for the cache's 24 KB.
        const FileSizeLimit full(8192);
        read = pelican::readFrameSequence(model("fish.quill"), object);
    }
    EXPECT_TRUE(read);
    ASSERT_NE(object.animationFrames(), nullptr);
    EXPECT_EQ(object.animationFrames()->size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(path("fish.anim")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.path()), {}), 2);
    EXPECT_TRUE(pelican::listedFiles(pelican::FileList::Used).empty());
    EXPECT_TRUE(m_log.contains("fish.anim not written\n"));
    // The next load reads the folder again, and this time the cache is written.
    finch::Object again;
    ASSERT_TRUE(pelican::readFrameSequence(model("fish.quill"), again));
    EXPECT_TRUE(std::filesystem::exists(path("fish.anim")));
}

TEST_F(PelicanDatabaseReaderTest, AseFramesTakeIndentedVertexLines)
{
    writeWholeFile(path("kelp.ase/1.ase"), "*MESH {\n\t*MESH_VERTEX 0\t1.0\t2.0\t3.0\n\t*MESH_VERTEX_LIST\n}\n");
    writeWholeFile(path("kelp.ase/2.ase"), "\t*MESH_VERTEX 0\t4.0\t5.0\t6.0\n");
    finch::Object object;
    ASSERT_TRUE(pelican::readFrameSequence(model("kelp.quill"), object));
    ASSERT_NE(object.animationFrames(), nullptr);
    const finch::AnimationFrames& frames = *object.animationFrames();
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(frames[0].size(), 1u);
    EXPECT_EQ(frames[1][0].z, 6.0f);
}

TEST_F(PelicanDatabaseReaderTest, PackedFramesWriteNoCache)
{
    packAndRegister({{"models/fish.quill", "model"}, {"models/fish.obj/a.obj", "v 1 2 3\n"}, {"models/fish.obj/b.obj", "v 4 5 6\n"}});
    const std::filesystem::path before = std::filesystem::current_path();
    // A folder where the member's relative path would put a cache.
    std::filesystem::create_directories(path("work/models"));
    std::filesystem::current_path(path("work"));
    finch::Object object;
    const bool read = pelican::readFrameSequence("models\\fish.quill", object);
    std::filesystem::current_path(before);
    EXPECT_TRUE(read);
    EXPECT_NE(object.animationFrames(), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(path("work/models")));
}

TEST_F(PelicanDatabaseReaderTest, FrameCacheCountsAreChecked)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        std::size_t frames;
    };
    const Case cases[] = {
        {"whole", twoFrames, 2},
        {"negative frame count", Words().u32(0xFFFFFFFF).u32(0).bytes, 0},
        {"more frames than bytes", Words().u32(3).u32(0).u32(0).bytes, 0},
        {"negative vertex count", Words().u32(1).u32(0x80000000).point(1, 2, 3).bytes, 0},
        {"more vertices than bytes", Words().u32(1).u32(2).point(1, 2, 3).bytes, 0},
        {"more frames than the cap", Words().u32(5000).bytes + std::string(5000 * 4, '\0'), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeWholeFile(path("cached.anim"), c.bytes);
        finch::Object object;
        EXPECT_TRUE(pelican::readFrameSequence(model("cached.quill"), object));
        const finch::AnimationFrames* const frames = object.animationFrames();
        EXPECT_EQ(frames == nullptr ? 0u : frames->size(), c.frames);
    }
    EXPECT_EQ(m_log.count("---Frame cache "), 5);
}

TEST_F(PelicanDatabaseReaderTest, ControlFileGivesTheLastCycleTime)
{
    EXPECT_EQ(pelican::readControlFile(model("m.quill")), 1.0f);
    writeWholeFile(path("control.txt"), "cycleTime = 2.5\nspeed = 3\ncycleTime = 4\n");
    EXPECT_EQ(pelican::readControlFile(model("m.quill")), 4.0f);
    writeWholeFile(path("control.txt"), "cycletime = 2.5\n");
    EXPECT_EQ(pelican::readControlFile(model("m.quill")), 1.0f);
}

TEST_F(PelicanDatabaseReaderTest, GeometryUnderRootGroupGetsFramesAndCycleTime)
{
    writeWholeFile(path("fish.anim"), twoFrames);
    writeWholeFile(path("control.txt"), "cycleTime = 3\n");
    auto root = std::make_unique<finch::GroupBranch>();
    std::unique_ptr<finch::Branch> geometry = std::make_unique<finch::GeometryBranch>();
    root->addChild(geometry);
    const heron::counted_ptr<pelican::PelicanDB> database = databaseWithRoot(std::move(root), model("fish.quill"));
    pelican::quill_reader::findFrameAnimations(*database);
    ASSERT_EQ(database->animations().size(), 1u);
    EXPECT_NE(database->mainObject()->animationFrames(), nullptr);
}

TEST_F(PelicanDatabaseReaderTest, RootThatIsNoGroupHasNoFrameAnimation)
{
    writeWholeFile(path("ring.anim"), twoFrames);
    const heron::counted_ptr<pelican::PelicanDB> database =
        databaseWithRoot(std::make_unique<finch::GeometryBranch>(), model("ring.quill"));
    pelican::quill_reader::findFrameAnimations(*database);
    EXPECT_TRUE(database->animations().empty());
    EXPECT_TRUE(m_log.contains("the main object's root is no group; the model has no frame animation\n"));
}

TEST_F(PelicanDatabaseReaderTest, CyclicReferencesEndAtTheModelBeingRead)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<const char*, const char*>> files;
        // References followed before the one back to a model being read.
        int depth;
    };
    const Case cases[] = {
        {"a model showing itself", {{"a.quill", "a.quill"}}, 0},
        {"two models showing each other", {{"a.quill", "b.quill"}, {"b.quill", "a.quill"}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [file, shows] : c.files) {
            writeWholeFile(path(file), referencesTo({shows}));
        }
        const int before = m_log.count("refers back to a model being read\n");
        const heron::counted_ptr<pelican::PelicanDB> database = pelican::PelicanDatabaseReader::loadDatabase(model("a.quill"), "");
        ASSERT_TRUE(database);
        const finch::Database* shown = database.get();
        for (int level = 0; level < c.depth; ++level) {
            shown = referenced(*shown);
            ASSERT_NE(shown, nullptr);
        }
        EXPECT_EQ(referenced(*shown), nullptr);
        EXPECT_EQ(m_log.count("refers back to a model being read\n") - before, 1);
    }
}

TEST_F(PelicanDatabaseReaderTest, ModelShownTwiceIsReadOncePerOutermostLoad)
{
    writeWholeFile(path("b.quill"), referencesTo({}));
    writeWholeFile(path("a.quill"), referencesTo({"b.quill", "b.quill"}));
    ASSERT_TRUE(pelican::PelicanDatabaseReader::loadDatabase(model("a.quill"), ""));
    EXPECT_EQ(m_log.count(".quill file b.quill read ok\n"), 1);
    ASSERT_TRUE(pelican::PelicanDatabaseReader::loadDatabase(model("a.quill"), ""));
    EXPECT_EQ(m_log.count(".quill file b.quill read ok\n"), 2);
}

TEST_F(PelicanDatabaseReaderTest, OneNameInTwoFoldersIsTwoModelsWithinOneLoad)
{
    writeWholeFile(path("one/m.quill"), referencesTo({"x.quill"}));
    writeWholeFile(path("two/m.quill"), referencesTo({"x.quill"}));
    writeWholeFile(path("one/x.quill"), referencesTo({}));
    writeWholeFile(path("two/x.quill"), referencesTo({"gone.quill"}));
    writeWholeFile(path("top.quill"), referencesTo({"one/m.quill", "two/m.quill"}));
    const heron::counted_ptr<pelican::PelicanDB> top = pelican::PelicanDatabaseReader::loadDatabase(model("top.quill"), "");
    ASSERT_TRUE(top);
    ASSERT_EQ(top->objects().size(), 2u);
    std::vector<std::size_t> shownObjects;
    for (const finch::Object* shower : top->objects()) {
        const auto* const exref = dynamic_cast<const finch::ExrefBranch*>(shower->root());
        ASSERT_NE(exref, nullptr);
        ASSERT_TRUE(exref->database());
        const finch::Database* const x = referenced(*exref->database());
        ASSERT_NE(x, nullptr);
        shownObjects.push_back(x->objects().size());
    }
    EXPECT_EQ(shownObjects, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(m_log.count(".quill file x.quill read ok\n"), 2);
}

TEST_F(PelicanDatabaseReaderTest, ChainOfReferencesStopsAtTheNestingCap)
{
    constexpr int models = 70;
    for (int i = 0; i < models; ++i) {
        const std::string next = "m" + std::to_string(i + 1) + ".quill";
        writeWholeFile(path(("m" + std::to_string(i) + ".quill").c_str()), referencesTo({next}));
    }
    const heron::counted_ptr<pelican::PelicanDB> database = pelican::PelicanDatabaseReader::loadDatabase(model("m0.quill"), "");
    ASSERT_TRUE(database);
    int depth = 0;
    for (const finch::Database* shown = referenced(*database); shown != nullptr; shown = referenced(*shown)) {
        ++depth;
    }
    EXPECT_EQ(depth, heron::limits::maxInstanceNesting - 1);
    EXPECT_EQ(m_log.count("is nested too deep in other models\n"), 1);
}
