// The demo builder's model writer: its bytes laid out record by record as the model reader takes
// them (little-endian, values as doubles, NUL-ended strings).
#include "tools/demo/QuillWriter.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

namespace
{

// Expected bytes, built field by field.
struct Expect
{
    std::string bytes;

    Expect& b(int value)
    {
        bytes.push_back(static_cast<char>(value));
        return *this;
    }
    Expect& i32(std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            b(static_cast<int>((value >> shift) & 0xFF));
        }
        return *this;
    }
    Expect& f32(float value) { return i32(std::bit_cast<std::uint32_t>(value)); }
    Expect& f64(double value)
    {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        return i32(static_cast<std::uint32_t>(bits)).i32(static_cast<std::uint32_t>(bits >> 32));
    }
    Expect& str(const std::string& text)
    {
        bytes += text;
        return b(0);
    }
    Expect& rgb(float r, float g, float b) { return f32(r).f32(g).f32(b); }
    Expect& matrix(const demo::QuillMatrix& m)
    {
        for (double v : m) {
            f64(v);
        }
        return *this;
    }
};

const std::string fileStart = std::string("Compatibility: 412\n") + '\x03';

std::string write(const demo::QuillModel& model)
{
    std::string error;
    std::string bytes = demo::writeQuill(model, error);
    EXPECT_EQ(error, "");
    return bytes;
}

// The bytes of the model between the byte-order byte and the closing tag 0.
std::string body(const demo::QuillModel& model)
{
    const std::string bytes = write(model);
    if (bytes.size() < fileStart.size() + 1 || bytes.compare(0, fileStart.size(), fileStart) != 0 || bytes.back() != 0) {
        ADD_FAILURE() << "no header or no closing tag";
        return {};
    }
    return bytes.substr(fileStart.size(), bytes.size() - fileStart.size() - 1);
}

demo::QuillObject object(const std::string& name, demo::QuillBranch root)
{
    return {.name = name, .index = 7, .root = std::move(root)};
}

// The object record around the hierarchy's bytes.
std::string objectRecord(const std::string& name, const Expect& hierarchy)
{
    return Expect().b(40).str(name).b(44).i32(7).b(102).bytes + hierarchy.bytes + Expect().b(103).b(0).bytes;
}

}

TEST(QuillWriterTest, EmptyModelIsHeaderByteOrderAndEnd)
{
    EXPECT_EQ(write({}), fileStart + '\0');
}

TEST(QuillWriterTest, MaterialsAndTexturesAreFileLevelRecords)
{
    demo::QuillModel model;
    model.materials = {{.index = 300, .name = "sand", .ambient = {0.1f, 0.2f, 0.3f}, .diffuse = {0.4f, 0.5f, 0.6f},
                        .specular = {0.7f, 0.8f, 0.9f}, .emission = {1.0f, 0.0f, 0.5f}, .shininess = 64.0f, .opacity = 0.25f}};
    model.textures = {{.index = 2, .file = "glass.sgi", .clampT = true, .translucent = true}};
    Expect expected;
    // The table: index as an int32, the fields, the material's end, the table's end.
    expected.b(10).b(11).i32(300);
    expected.b(12).rgb(0.1f, 0.2f, 0.3f).b(13).rgb(0.4f, 0.5f, 0.6f).b(14).rgb(0.7f, 0.8f, 0.9f).b(15).rgb(1.0f, 0.0f, 0.5f);
    expected.b(16).f32(64.0f).b(17).f32(0.25f).b(18).str("sand").b(0).b(0);
    // The long texture form: index, file, clamps and translucency as int32 flags.
    expected.b(80).i32(2).str("glass.sgi").b(85).i32(0).b(86).i32(1).b(87).i32(1).b(0);
    EXPECT_EQ(body(model), expected.bytes);
}

TEST(QuillWriterTest, HierarchyNestsChildrenBetweenDescendAndAscend)
{
    demo::QuillBranch leaf{.kind = demo::QuillBranchKind::Polygons, .name = "leaf", .index = 4};
    leaf.polygons.push_back({.material = 1, .texture = -1, .colour = 0xFF0000FF, .smooth = false, .lit = false});
    leaf.polygons.back().vertices.push_back({.shared = 5, .texCoord = {0.5f, 1.0f}, .colour = 0xFF00FF00});
    leaf.polygons.back().vertices.push_back({.position = {1.0, 2.0, 3.0}});
    demo::QuillBranch root{.name = "root", .special = "glow"};
    root.children.push_back(leaf);
    Expect hierarchy;
    hierarchy.b(100).str("root").b(110).b(129).str("glow").b(102);
    hierarchy.b(100).str("leaf").b(111).b(135).i32(4);
    hierarchy.b(30).b(31).i32(1).b(34).i32(0xFFFFFFFF).b(35).i32(0xFF0000FF).b(39);
    // A vertex's colour comes before its position, which takes the colour in force.
    hierarchy.b(20).b(25).i32(0xFF00FF00).b(27).i32(5).b(23).f32(0.5f).f32(1.0f).b(24).f32(0).f32(0).f32(1).b(0);
    hierarchy.b(20).b(25).i32(0xFFFFFFFF).b(22).f64(1.0).f64(2.0).f64(3.0).b(23).f32(0).f32(0).b(24).f32(0).f32(0).f32(1).b(0);
    hierarchy.b(0).b(103);
    EXPECT_EQ(body({.objects = {object("thing", root)}}), objectRecord("thing", hierarchy));
}

TEST(QuillWriterTest, BranchKindsWriteTheirOwnRecords)
{
    struct Case
    {
        demo::QuillBranch branch;
        Expect records;
    };
    const demo::QuillMatrix moved = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4, 5, 6, 1};
    const Case cases[] = {
        {{.kind = demo::QuillBranchKind::Instance, .name = "i", .shows = 3, .placement = moved},
         Expect().b(113).b(53).i32(3).b(55).matrix(moved)},
        {{.kind = demo::QuillBranchKind::Joint, .name = "j", .pivot = moved}, Expect().b(115).b(136).matrix(moved)},
        // The switch distance, then a hysteresis flag behind a one-byte chunk length.
        {{.kind = demo::QuillBranchKind::Lod, .name = "l", .distance = 12.5}, Expect().b(112).b(122).f64(12.5).b(240).b(4).i32(0)},
        {{.kind = demo::QuillBranchKind::Switch, .name = "s"}, Expect().b(114)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.branch.name);
        const std::string hierarchy = Expect().b(100).str(c.branch.name).bytes + c.records.bytes;
        EXPECT_EQ(body({.objects = {object("o", c.branch)}}), objectRecord("o", Expect{hierarchy}));
    }
}

TEST(QuillWriterTest, EngineTreeConnectsAndEndsWithAscend)
{
    demo::QuillObject o{.name = "lamp", .index = 1, .main = true, .externalReference = "ring.quill"};
    demo::QuillEngine output{.kind = demo::QuillEngineKind::Output, .target = 2};
    output.axes[3] = true;
    demo::QuillEngine clock{.kind = demo::QuillEngineKind::Linear, .integer = 9, .p = {0, 60, 0, 0, 0}};
    clock.children.push_back(output);
    o.engines = clock;
    Expect expected;
    expected.b(40).str("lamp").b(44).i32(1).b(65).str("ring.quill").b(141);
    // Parameters p0..p4 and q0..q2 by their tags.
    expected.b(162).b(135).i32(9).b(183).f64(0).b(182).f64(60).b(196).f64(0).b(180).f64(0).b(181).f64(0);
    expected.b(174).f64(0).b(175).f64(0).b(176).f64(0).b(141);
    expected.b(160).b(135).i32(0).b(183).f64(0).b(182).f64(0).b(196).f64(0).b(180).f64(0).b(181).f64(0);
    expected.b(174).f64(0).b(175).f64(0).b(176).f64(0);
    expected.b(184).b(0).b(185).b(0).b(186).b(0).b(187).b(1).b(188).b(0).b(189).b(0).b(144).i32(2);
    // Back to the clock, then out of the record; then the main-object flag and the object's end.
    expected.b(142).b(142).b(63).i32(1).b(0);
    EXPECT_EQ(body({.objects = {o}}), expected.bytes);
}

TEST(QuillWriterTest, SplineEngineWritesItsPathSegmentBySegment)
{
    demo::QuillObject o{.name = "post", .index = 1, .externalReference = "post.quill"};
    demo::QuillEngine path{.kind = demo::QuillEngineKind::Spline, .target = 4};
    path.path = {{{{0, 0, -3}, {0, 0, -2}, {0, 0, -1}, {0, 0, 0}}}, {{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}}};
    o.engines = path;
    Expect expected;
    expected.b(40).str("post").b(44).i32(1).b(65).str("post.quill").b(141);
    expected.b(156).b(135).i32(0).b(183).f64(0).b(182).f64(0).b(196).f64(0).b(180).f64(0).b(181).f64(0);
    expected.b(174).f64(0).b(175).f64(0).b(176).f64(0);
    // The path record: each segment numbered 0, its four points by number, each segment closed,
    // then the path.
    expected.b(190);
    for (const demo::QuillBezier& segment : path.path) {
        expected.b(199).i32(0);
        for (std::uint32_t i = 0; i < 4; ++i) {
            expected.b(202).i32(i).f64(segment[i][0]).f64(segment[i][1]).f64(segment[i][2]);
        }
        expected.b(0);
    }
    expected.b(0).b(144).i32(4).b(142).b(0);
    EXPECT_EQ(body({.objects = {o}}), expected.bytes);
}

TEST(QuillWriterTest, RefusesWhatTheFormatCannotHold)
{
    struct Case
    {
        const char* what;
        demo::QuillModel model;
    };
    const Case cases[] = {
        {"line feed in a name", {.materials = {{.name = "two\nlines"}}}},
        {"carriage return in a file name", {.textures = {{.file = "a\rb"}}}},
        {"NUL in an object name", {.objects = {{.name = std::string("a\0b", 3)}}}},
        {"material index past the table", {.materials = {{.index = 100001}}}},
        {"negative texture index", {.textures = {{.index = -1, .file = "x"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_EQ(demo::writeQuill(c.model, error), "");
        EXPECT_NE(error, "");
    }
}
