#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "content/DataFiles.h"
#include "content/models/QuillReader.h"
#include "content/world/EngineKinds.h"
#include "content/world/PelicanDB.h"
#include "scene/geometry/Polygon.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/Object.h"
#include "scene/render/Texture.h"
#include "support/LogCapture.h"
#include "support/QuillTestWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace
{

using quilltest::Order;
using quilltest::QuillWriter;

constexpr std::int32_t opaqueRed = std::int32_t(0xFF0000FF);

class QuillReaderTest : public ::testing::Test
{
protected:
    void SetUp() override { pelican::resetDataFiles(); }
    void TearDown() override { pelican::resetDataFiles(); }

    heron::counted_ptr<pelican::PelicanDB> read(const QuillWriter& file, const char* name = "model.quill",
                                                pelican::QuillVariant variant = pelican::QuillVariant::Quill)
    {
        const std::string path = m_folder.file(name);
        std::ofstream(path, std::ios::binary) << file.bytes();
        return pelican::readQuillFile(heron::FilePath(path.c_str()), variant);
    }

    // Reads a file that must fail and gives the reason logged for it.
    std::string failure(const QuillWriter& file)
    {
        const std::string before = m_log.text();
        EXPECT_FALSE(read(file));
        const std::string logged = m_log.text().substr(before.size());
        const std::string lead = "Quill read failed because: ";
        const auto at = logged.find(lead);
        if (at == std::string::npos) {
            return "<nothing logged>";
        }
        return logged.substr(at + lead.size(), logged.find('\n', at) - at - lead.size());
    }

    TempFolder m_folder;
    LogCapture m_log;
};

// An object record: its name and index, then what body adds, then its end.
template <class Body>
QuillWriter& object(QuillWriter& w, const char* name, std::int32_t index, Body body)
{
    w.tag(40).string(name).tag(44).int32(index);
    body(w);
    return w.tag(0);
}

// A hierarchy record around body: body's branches are placed at the top.
template <class Body>
void hierarchy(QuillWriter& w, Body body)
{
    w.tag(102);
    body(w);
    w.tag(103);
}

// A polygon of one vertex at the origin, with the extra records given.
void polygon(QuillWriter& w, const std::string& extra = "")
{
    w.tag(30).raw(extra).tag(20).tag(22).values({0, 0, 0}).tag(0).tag(0);
}

finch::Object* named(pelican::PelicanDB& db, const char* name)
{
    for (finch::Object* object : db.objects()) {
        if (object->name().compare(name) == 0) {
            return object;
        }
    }
    return nullptr;
}

finch::PolygonBranch& polygonsOf(finch::Object& object, int child = 0)
{
    auto& group = dynamic_cast<finch::GroupBranch&>(*object.root());
    return dynamic_cast<finch::PolygonBranch&>(*group.child(child));
}

TEST_F(QuillReaderTest, HeaderRevisionDecidesWhetherTheFileIsRead)
{
    // Revision 1.0 is the text form: this file has none of its sections.
    const struct
    {
        const char* revision;
        const char* failure;
    } cases[] = {{"1.0", "Incomplete file"},
                 {"1.5", "QuillReader: File revision not supported"},
                 {"2", nullptr},
                 {"412", nullptr},
                 {"412.5", "QuillReader: File revision not supported"},
                 {"x", "QuillReader: File revision not supported"}};
    for (const auto& c : cases) {
        QuillWriter w(c.revision);
        w.tag(0);
        if (c.failure == nullptr) {
            EXPECT_TRUE(read(w)) << c.revision;
        } else {
            EXPECT_EQ(failure(w), c.failure) << c.revision;
        }
    }
}

TEST_F(QuillReaderTest, FileWithoutCompatibilityLineIsRefused)
{
    std::ofstream(m_folder.file("plain.quill"), std::ios::binary) << "Hello 3.0\n";
    EXPECT_FALSE(pelican::readQuillFile(heron::FilePath(m_folder.file("plain.quill").c_str()),
                                        pelican::QuillVariant::Quill));
    EXPECT_TRUE(m_log.contains("Quill read failed because: QuillReader: File has bad header\n"));
}

TEST_F(QuillReaderTest, TextureFoldersBesideTheFileComeFirstAndItsOwnFolderLast)
{
    heron::MemoryDataSource source("", 0, false);
    const pelican::QuillReader reader(source, "c:/models/house.quill", pelican::QuillVariant::Quill);
    const std::vector<heron_string> folders = pelican::searchFolders(pelican::texturesCategory);
    ASSERT_EQ(folders.size(), 11u);
    EXPECT_STREQ(folders[0].c_str(), "c:\\models\\textures");
    EXPECT_STREQ(folders[1].c_str(), "c:\\models\\data/textures");
    EXPECT_STREQ(folders[2].c_str(), "c:/textures");
    EXPECT_STREQ(folders[10].c_str(), "c:\\models");
}

TEST_F(QuillReaderTest, TagBytesAddUpPastTwoHundredFiftyFour)
{
    const struct
    {
        std::string bytes;
        std::int32_t tag;
    } cases[] = {{"\x07", 7}, {"\xFF\x05", 259}, {"\xFF\xFF\x03", 511}, {"\xFF\x01", 255}, {"", -1}, {"\xFF", -1}};
    for (const auto& c : cases) {
        heron::MemoryDataSource source(c.bytes.data(), std::uint32_t(c.bytes.size()), false);
        pelican::QuillReader reader(source, "a.quill", pelican::QuillVariant::Quill);
        EXPECT_EQ(reader.readTag(), c.tag) << c.tag;
    }
    QuillWriter w;
    w.tag(511).tag(259);
    heron::MemoryDataSource source(w.bytes().data(), std::uint32_t(w.bytes().size()), false);
    pelican::QuillReader reader(source, "a.quill", pelican::QuillVariant::Quill);
    reader.readString();
    reader.readByte();
    EXPECT_EQ(reader.readTag(), 511);
    EXPECT_EQ(reader.readTag(), 259);
}

TEST_F(QuillReaderTest, ChunkSkipsItsStatedLengthAndRefusesOneBeyondTheData)
{
    const struct
    {
        std::int32_t length;
        std::size_t present;
        bool skips;
    } cases[] = {{300, 300, true}, {-5, 10, false}, {1000, 10, false}};
    for (const auto& c : cases) {
        QuillWriter w;
        w.byte(0).int32(c.length).raw(std::string(c.present, 'x')).tag(9);
        const std::string bytes = w.bytes().substr(w.bytes().find('\n') + 2);
        heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
        pelican::QuillReader reader(source, "a.quill", pelican::QuillVariant::Quill);
        if (c.skips) {
            reader.skipChunk("Bad file");
            EXPECT_EQ(reader.readTag(), 9);
        } else {
            EXPECT_THROW(reader.skipChunk("Bad file"), heron::ReadError) << c.length;
        }
    }
}

TEST_F(QuillReaderTest, ByteOrderByteChoosesTheOrderOfValues)
{
    for (const Order order : {Order::Little, Order::Big}) {
        QuillWriter w("410", order);
        object(w, "lod", 0, [](QuillWriter& o) { hierarchy(o, [](QuillWriter& h) { h.tag(112).tag(122).value(-5.0); }); });
        const auto db = read(w.tag(0));
        ASSERT_TRUE(db);
        EXPECT_DOUBLE_EQ(dynamic_cast<finch::LodBranch&>(*db->objects()[0]->root()).distance(), 5.0);
    }
}

TEST_F(QuillReaderTest, RxsFileCarriesOneByteBeforeTheByteOrder)
{
    QuillWriter w("410", Order::Little, true);
    EXPECT_TRUE(read(w.tag(0), "model.rxs", pelican::QuillVariant::Rxs));
}

TEST_F(QuillReaderTest, MaterialIndexWidthFollowsTheRevision)
{
    for (const char* revision : {"3.02", "3.03"}) {
        QuillWriter w(revision);
        w.tag(10).tag(11);
        if (revision[3] == '2') {
            w.byte(5);
        } else {
            w.int32(300);
        }
        w.tag(18).string("stone").tag(0).tag(0).tag(0);
        EXPECT_TRUE(read(w)) << revision;
    }
}

TEST_F(QuillReaderTest, MaterialIndexIsBoundedByTheFormat)
{
    const struct
    {
        std::int32_t index;
        bool read;
    } cases[] = {{100000, true}, {100001, false}, {-1, false}};
    for (const auto& c : cases) {
        QuillWriter w;
        w.tag(10).tag(11).int32(c.index).tag(0).tag(0).tag(0);
        if (c.read) {
            EXPECT_TRUE(read(w));
        } else {
            EXPECT_EQ(failure(w), "QuillReader: Bad material index in file") << c.index;
        }
    }
}

TEST_F(QuillReaderTest, PolygonTakesItsTextureFromTheTable)
{
    QuillWriter w;
    w.tag(80).int32(2).string("bark.gif").tag(85).int32(1).tag(87).int32(1).tag(0);
    w.tag(61).int32(0).string("leaf.gif");
    object(w, "o", 0, [](QuillWriter& o) {
        hierarchy(o, [](QuillWriter& h) {
            h.tag(111);
            polygon(h, std::string("\x22\x02\x00\x00\x00", 5));
        });
    });
    const auto db = read(w.tag(0));
    ASSERT_TRUE(db);
    const finch::Polygon& shape = *dynamic_cast<finch::PolygonBranch&>(*db->objects()[0]->root()).polygons().at(0);
    const finch::Texture& texture = *shape.material()->texture(0);
    EXPECT_EQ(texture.file().str().c_str(), std::string("bark.gif"));
    EXPECT_TRUE(texture.clampS());
    EXPECT_FALSE(texture.clampT());
    // An image that cannot be read has no alpha channel, so the polygon does not blend.
    EXPECT_FALSE(shape.surface().blend);
}

TEST_F(QuillReaderTest, MainObjectIsTheOneMarkedElseTheFirst)
{
    for (const bool marked : {false, true}) {
        QuillWriter w;
        object(w, "first", 0, [](QuillWriter&) {});
        object(w, "second", 1, [&](QuillWriter& o) {
            if (marked) {
                o.tag(63).int32(1);
            }
        });
        const auto db = read(w.tag(0));
        ASSERT_TRUE(db);
        EXPECT_EQ(db->mainObject()->name().c_str(), std::string(marked ? "second" : "first"));
    }
}

TEST_F(QuillReaderTest, InstanceShowsTheObjectOfItsIndex)
{
    QuillWriter w;
    object(w, "part", 7, [](QuillWriter&) {});
    object(w, "top", 1, [](QuillWriter& o) {
        hierarchy(o, [](QuillWriter& h) { h.tag(113).tag(53).int32(7).tag(55).translation(1, 2, 3); });
    });
    const auto db = read(w.tag(0));
    ASSERT_TRUE(db);
    const auto& instance = dynamic_cast<finch::InstanceBranch&>(*named(*db, "top")->root());
    EXPECT_EQ(instance.instance(), named(*db, "part"));
    EXPECT_DOUBLE_EQ(instance.matrix().at(3, 2), 3.0);
}

TEST_F(QuillReaderTest, BrokenInstanceReferencesFailTheFile)
{
    const struct
    {
        const char* why;
        std::int32_t partIndex;
        std::int32_t shown;
        bool withIndex;
        const char* message;
    } cases[] = {
        {"object without index", -99, 7, true, "Quill reader - object not found"},
        {"no such object", 7, 9, true, "QuillReader: Bad object reference"},
        {"instance without index", 7, 7, false, "Quill reader - InstanceBranch not found"},
        {"shows itself", 1, 1, true, "QuillReader: Instances show one another in a cycle"},
    };
    for (const auto& c : cases) {
        QuillWriter w;
        if (c.partIndex == -99) {
            w.tag(40).string("part").tag(0);
        } else if (c.partIndex != 1) {
            object(w, "part", c.partIndex, [](QuillWriter&) {});
        }
        object(w, "top", 1, [&](QuillWriter& o) {
            hierarchy(o, [&](QuillWriter& h) {
                h.tag(113);
                if (c.withIndex) {
                    h.tag(53).int32(c.shown);
                }
            });
        });
        EXPECT_EQ(failure(w.tag(0)), c.message) << c.why;
    }
}

TEST_F(QuillReaderTest, OlderFilesAreTurnedToZUpExceptDirectVertexPositions)
{
    QuillWriter w("3.0");
    object(w, "part", 0, [](QuillWriter& o) {
        o.tag(26).int32(1).values({1, 2, 3});
        o.tag(41).string("set").tag(30);
        o.tag(20).tag(27).int32(0).tag(0);
        o.tag(20).tag(22).values({1, 2, 3}).tag(24).f32(0).f32(1).f32(0).tag(0);
        o.tag(0).tag(0);
        o.tag(42).string("level").tag(41).string("set").tag(0);
    });
    w.tag(50).string("block").tag(53).int32(0).tag(55).translation(1, 2, 3).tag(51);
    const auto db = read(w.tag(0));
    ASSERT_TRUE(db);
    const finch::Polygon& shape = *polygonsOf(*named(*db, "part")).polygons().at(0);
    const finch::PolyVertex& fromTable = *shape.firstVertex();
    const finch::PolyVertex& direct = *fromTable.next();
    EXPECT_EQ(fromTable.position(), finch::Vector3d(1, -3, 2));
    EXPECT_EQ(direct.position(), finch::Vector3d(1, 2, 3));
    EXPECT_FLOAT_EQ(direct.normal().z, 1.0f);
    auto& scene = dynamic_cast<finch::GroupBranch&>(*named(*db, "Scene")->root());
    auto& placed = dynamic_cast<finch::InstanceBranch&>(*scene.child(0));
    EXPECT_EQ(placed.name().c_str(), std::string("block"));
    EXPECT_TRUE(placed.matrix().at(0, 0) == 1.0 && placed.matrix().at(1, 1) == 1.0 && placed.matrix().at(2, 2) == 1.0);
    EXPECT_EQ(finch::Vector3d(placed.matrix().at(3, 0), placed.matrix().at(3, 1), placed.matrix().at(3, 2)),
              finch::Vector3d(1, -3, 2));
}

TEST_F(QuillReaderTest, OlderLevelsBecomeLevelOfDetailBranches)
{
    QuillWriter w("3.5");
    object(w, "tree", 0, [](QuillWriter& o) {
        o.tag(41).string("near").tag(45).int32(1).tag(30).tag(20).tag(0).tag(0).tag(0);
        o.tag(41).string("far").tag(45).int32(2).tag(0);
        o.tag(42).string("close").tag(45).int32(1).tag(43).f32(25).tag(0);
        o.tag(42).string("away").tag(41).string("far").tag(0);
    });
    const auto db = read(w.tag(0));
    ASSERT_TRUE(db);
    auto& group = dynamic_cast<finch::GroupBranch&>(*db->objects()[0]->root());
    ASSERT_EQ(group.childCount(), 2);
    auto& close = dynamic_cast<finch::LodBranch&>(*group.child(0));
    auto& away = dynamic_cast<finch::LodBranch&>(*group.child(1));
    EXPECT_DOUBLE_EQ(close.distance(), 25.0);
    EXPECT_DOUBLE_EQ(away.distance(), 10.0);
    EXPECT_EQ(dynamic_cast<finch::PolygonBranch&>(*close.child(0)).polygons().size(), 1u);
    EXPECT_EQ(away.child(0)->name().c_str(), std::string("far"));
}

TEST_F(QuillReaderTest, HierarchyNestsBranchesUnderTheirGroupWithThePendingName)
{
    QuillWriter w;
    object(w, "o", 0, [](QuillWriter& o) {
        o.tag(102).tag(100).string("a").tag(110).tag(102).tag(111);
        polygon(o);
        o.tag(103).tag(103);
    });
    const auto db = read(w.tag(0));
    ASSERT_TRUE(db);
    auto& root = dynamic_cast<finch::GroupBranch&>(*db->objects()[0]->root());
    EXPECT_EQ(root.name().c_str(), std::string("a"));
    ASSERT_EQ(root.childCount(), 1);
    EXPECT_EQ(root.child(0)->name().c_str(), std::string("a"));
    EXPECT_EQ(dynamic_cast<finch::PolygonBranch&>(*root.child(0)).polygons().size(), 1u);
}

TEST_F(QuillReaderTest, CullingFlagReachesEveryPolygonOfTheBranch)
{
    QuillWriter w;
    object(w, "o", 0, [](QuillWriter& o) {
        hierarchy(o, [](QuillWriter& h) {
            h.tag(110).tag(102).tag(111);
            polygon(h);
            polygon(h);
            h.tag(120).int32(0);
            polygon(h);
            h.tag(111);
            polygon(h);
            h.tag(103);
        });
    });
    const auto db = read(w.tag(0));
    ASSERT_TRUE(db);
    for (const finch::Polygon* p : polygonsOf(*db->objects()[0]).polygons()) {
        EXPECT_FALSE(p->surface().cullFaces);
    }
    EXPECT_TRUE(polygonsOf(*db->objects()[0], 1).polygons().at(0)->surface().cullFaces);
}

TEST_F(QuillReaderTest, VertexColourCarriesToTheNextVertexAtItsPosition)
{
    QuillWriter w;
    object(w, "o", 0, [](QuillWriter& o) {
        hierarchy(o, [](QuillWriter& h) {
            h.tag(111).tag(30);
            h.tag(20).tag(25).int32(opaqueRed).tag(22).values({0, 0, 0}).tag(0);
            h.tag(20).tag(22).values({1, 0, 0}).tag(0);
            h.tag(20).tag(0);
            h.tag(0);
        });
    });
    const auto db = read(w.tag(0));
    ASSERT_TRUE(db);
    const auto& branch = dynamic_cast<finch::PolygonBranch&>(*db->objects()[0]->root());
    const finch::PolyVertex* v = branch.polygons().at(0)->firstVertex();
    EXPECT_EQ(v->index(), opaqueRed);
    EXPECT_EQ(v->next()->index(), opaqueRed);
    EXPECT_EQ(std::uint32_t(v->next()->next()->index()), pelican::QuillSurface::startColour);
}

TEST_F(QuillReaderTest, OlderRevisionsLightOnlyPolygonsWithAMaterial)
{
    const struct
    {
        const char* revision;
        bool lit;
    } cases[] = {{"401", false}, {"402", true}};
    for (const auto& c : cases) {
        QuillWriter w(c.revision);
        object(w, "o", 0, [](QuillWriter& o) {
            hierarchy(o, [](QuillWriter& h) {
                h.tag(111);
                polygon(h, std::string("\x1F\xFF\xFF\xFF\xFF", 5));
            });
        });
        const auto db = read(w.tag(0));
        ASSERT_TRUE(db);
        const auto& branch = dynamic_cast<finch::PolygonBranch&>(*db->objects()[0]->root());
        EXPECT_EQ(branch.polygons().at(0)->material()->isLit(), c.lit) << c.revision;
    }
}

TEST_F(QuillReaderTest, RootEngineIsKeptOnlyWithChildren)
{
    for (const int children : {0, 1}) {
        QuillWriter w;
        object(w, "o", 0, [&](QuillWriter& o) {
            o.tag(141).tag(150).tag(183).value(2.0);
            if (children > 0) {
                o.tag(141).tag(162).tag(142);
            }
            o.tag(142);
        });
        const auto db = read(w.tag(0));
        ASSERT_TRUE(db);
        ASSERT_EQ(db->engines().size(), std::size_t(children));
        if (children > 0) {
            EXPECT_DOUBLE_EQ(db->engines()[0]->p(0), 2.0);
            EXPECT_NE(dynamic_cast<pelican::LinearEngine*>(db->engines()[0]->children().at(0)), nullptr);
        }
    }
}

// A joint of index 4 in a group of index 3, driven by an output engine that moves along x.
QuillWriter drivenJoint(const char* revision)
{
    QuillWriter w(revision);
    object(w, "o", 0, [](QuillWriter& o) {
        hierarchy(o, [](QuillWriter& h) { h.tag(110).tag(135).int32(3).tag(102).tag(115).tag(135).int32(4).tag(103); });
        o.tag(141).tag(150).tag(141).tag(160).tag(144).int32(4).tag(184).byte(1).tag(142).tag(142);
    });
    return w.tag(0);
}

TEST_F(QuillReaderTest, OutputEngineDrivesTheJointOfItsIndex)
{
    const auto db = read(drivenJoint("410"));
    ASSERT_TRUE(db);
    auto& output = dynamic_cast<pelican::OutputEngine&>(*db->engines().at(0)->children().at(0));
    auto& group = dynamic_cast<finch::GroupBranch&>(*db->objects()[0]->root());
    EXPECT_EQ(output.target(), group.child(0));
}

TEST_F(QuillReaderTest, SplineEngineTakesOnlyAnInstanceAsTarget)
{
    const struct
    {
        std::int32_t index;
        bool targets;
    } cases[] = {{5, true}, {4, false}};
    for (const auto& c : cases) {
        QuillWriter w;
        object(w, "part", 1, [](QuillWriter&) {});
        object(w, "o", 0, [&](QuillWriter& o) {
            hierarchy(o, [](QuillWriter& h) {
                h.tag(110).tag(135).int32(3).tag(102).tag(115).tag(135).int32(4);
                h.tag(113).tag(135).int32(5).tag(53).int32(1).tag(103);
            });
            o.tag(141).tag(150).tag(141).tag(156).tag(144).int32(c.index).tag(142).tag(142);
        });
        const auto db = read(w.tag(0));
        ASSERT_TRUE(db);
        auto& spline = dynamic_cast<pelican::SplineEngine&>(*db->engines().at(0)->children().at(0));
        auto& group = dynamic_cast<finch::GroupBranch&>(*named(*db, "o")->root());
        EXPECT_EQ(spline.target(), c.targets ? group.child(1) : nullptr) << c.index;
    }
}

TEST_F(QuillReaderTest, EngineLosesATargetTheOlderStoreReplaced)
{
    const auto db = read(drivenJoint("399"));
    ASSERT_TRUE(db);
    auto& output = dynamic_cast<pelican::OutputEngine&>(*db->engines().at(0)->children().at(0));
    EXPECT_EQ(output.target(), nullptr);
    EXPECT_TRUE(m_log.contains("engine's target was replaced"));
}

TEST_F(QuillReaderTest, DroppedEngineTreeTakesItsTargetsAlong)
{
    // A second root ends the record, so the first root goes with the output engine under it; the
    // joint it drove then goes with a later hierarchy record.
    QuillWriter w;
    object(w, "o", 0, [](QuillWriter& o) {
        hierarchy(o, [](QuillWriter& h) { h.tag(115).tag(135).int32(4); });
        o.tag(141).tag(150).tag(141).tag(160).tag(144).int32(4).tag(142).tag(150).tag(142);
        hierarchy(o, [](QuillWriter& h) { h.tag(110); });
    });
    const auto db = read(w.tag(0));
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->engines().empty());
    EXPECT_FALSE(m_log.contains("engine's target was replaced"));
}

TEST_F(QuillReaderTest, ReplacedTreeLeavesTheFlipbookList)
{
    for (const bool replaced : {false, true}) {
        QuillWriter w;
        object(w, "o", 0, [&](QuillWriter& o) {
            hierarchy(o, [](QuillWriter& h) { h.tag(114).tag(133).int32(0); });
            if (replaced) {
                hierarchy(o, [](QuillWriter& h) { h.tag(110); });
            }
        });
        const auto db = read(w.tag(0));
        ASSERT_TRUE(db);
        EXPECT_EQ(db->flipbooks().size(), replaced ? 0u : 1u);
    }
}

TEST_F(QuillReaderTest, DamagedFilesFailWithTheirReason)
{
    const auto inObject = [](auto body) {
        QuillWriter w;
        object(w, "o", 0, body);
        return w.tag(0);
    };
    const auto inPolygon = [&](const std::string& records) {
        return inObject([&](QuillWriter& o) { hierarchy(o, [&](QuillWriter& h) { h.tag(111).tag(30).raw(records).tag(0); }); });
    };
    QuillWriter olderEnd("3.5");
    olderEnd.tag(40).string("o").tag(41).string("set").tag(20);
    QuillWriter bezier;
    object(bezier, "o", 0, [](QuillWriter& o) {
        o.tag(141).tag(156).tag(190).tag(199).int32(0).tag(203).int32(-1);
    });
    const struct
    {
        const char* why;
        QuillWriter file;
        const char* message;
    } cases[] = {
        {"older set at the end of the data", olderEnd, "Bad file"},
        {"negative chunk", inObject([](QuillWriter& o) { o.tag(58).byte(0).int32(-5); }), "Bad file"},
        {"negative vertex count", inObject([](QuillWriter& o) { o.tag(26).int32(-1); }), "Bad file"},
        {"vertex count beyond the data", inObject([](QuillWriter& o) { o.tag(26).int32(1 << 20); }), "Bad file"},
        {"negative bezier count", bezier, "Bad file"},
        {"material past the table", inPolygon(std::string("\x1F\x03\x00\x00\x00", 5)),
         "QuillReader: Bad material index in file"},
        {"texture past the table", inPolygon(std::string("\x22\x00\x00\x00\x00", 5)),
         "QuillReader: Bad texture index in file"},
        {"vertex past the table", inPolygon(std::string("\x14\x1B\x05\x00\x00\x00\x00", 7)),
         "QuillReader: Bad vertex table index"},
        {"engine connected past a branch without index",
         inObject([](QuillWriter& o) {
             hierarchy(o, [](QuillWriter& h) { h.tag(110); });
             o.tag(141).tag(160).tag(144).int32(1);
         }),
         "Quill reader - branch not found"},
        {"unknown object record", inObject([](QuillWriter& o) { o.tag(99); }), "QuillReader: Bad data at object level"},
        {"unknown file record", QuillWriter().tag(99), "QuillReader: Unknown data at file level"},
        {"file without end", QuillWriter(), "QuillReader: Unknown data at file level"},
        {"polygon record outside a polygon branch",
         inObject([](QuillWriter& o) { hierarchy(o, [](QuillWriter& h) { h.tag(110).tag(30); }); }),
         "QuillReader: Hierarchy: current branch isn't a PolygonBranch"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failure(c.file), c.message) << c.why;
    }
}

TEST_F(QuillReaderTest, NestingDeeperThanTheCapFailsTheFile)
{
    const int deep = 65;
    QuillWriter polygons;
    object(polygons, "o", 0, [&](QuillWriter& o) {
        o.tag(102).tag(111);
        for (int i = 0; i < deep; ++i) {
            o.tag(30);
        }
    });
    QuillWriter branches;
    object(branches, "o", 0, [&](QuillWriter& o) {
        o.tag(102);
        for (int i = 0; i < deep; ++i) {
            o.tag(110).tag(102);
        }
    });
    QuillWriter engines;
    object(engines, "o", 0, [&](QuillWriter& o) {
        o.tag(141);
        for (int i = 0; i < deep; ++i) {
            o.tag(150).tag(141);
        }
    });
    QuillWriter blocks("3.5");
    for (int i = 0; i < deep; ++i) {
        blocks.tag(50).string("b");
    }
    for (const QuillWriter* file : {&polygons, &branches, &engines, &blocks}) {
        EXPECT_EQ(failure(*file), "QuillReader: Records nested too deeply");
    }
}

TEST_F(QuillReaderTest, TruncatedFileGivesNoDatabase)
{
    QuillWriter w;
    object(w, "o", 0, [](QuillWriter& o) { hierarchy(o, [](QuillWriter& h) { h.tag(111); polygon(h); }); });
    w.tag(0);
    const std::string whole = w.bytes();
    for (std::size_t cut = whole.find('\n') + 2; cut < whole.size(); cut += 3) {
        std::ofstream(m_folder.file("cut.quill"), std::ios::binary) << whole.substr(0, cut);
        EXPECT_FALSE(pelican::readQuillFile(heron::FilePath(m_folder.file("cut.quill").c_str()),
                                            pelican::QuillVariant::Quill))
            << cut;
    }
}

TEST_F(QuillReaderTest, ExternalReferenceShowsTheNamedFileBesideIt)
{
    QuillWriter inner;
    object(inner, "inner", 0, [](QuillWriter&) {});
    read(inner.tag(0), "inner.quill");
    QuillWriter outer;
    object(outer, "outer", 0, [](QuillWriter& o) { o.tag(65).string("inner.quill"); });
    const auto db = read(outer.tag(0), "outer.quill");
    ASSERT_TRUE(db);
    const auto& exref = dynamic_cast<finch::ExrefBranch&>(*db->objects()[0]->root());
    ASSERT_TRUE(exref.database());
    EXPECT_EQ(exref.database()->mainObject()->name().c_str(), std::string("inner"));
}

TEST_F(QuillReaderTest, ExternalReferenceToAFileBeingReadIsCut)
{
    QuillWriter self;
    object(self, "self", 0, [](QuillWriter& o) { o.tag(65).string("self.quill"); });
    const auto db = read(self.tag(0), "self.quill");
    ASSERT_TRUE(db);
    EXPECT_EQ(m_log.count("QuillReader: the external reference self.quill is not read"), 1);
}

}
