// Reads the input as a model-editor file through the data-file layer, from a fresh search-folder
// table each time: every record kind, the older layout and the reference pass.
#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "content/models/QuillReader.h"
#include "content/world/PelicanDB.h"
#include "fuzz/InputFile.h"
#include "fuzz/Seeds.h"
#include "tests/support/QuillTestWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

using quilltest::Order;
using quilltest::QuillWriter;

const std::string& inputPath()
{
    static const std::string path = inputFilePath("quill-fuzz", ".quill");
    return path;
}

// Materials, textures, and an object with a group, a joint, a polygon branch, an instance of a
// second object, and engines driving the joint and the instance along a path.
fuzzseeds::Bytes currentFile(Order order)
{
    QuillWriter w("410", order);
    w.tag(10).tag(11).int32(0).tag(13).colour(1, 0, 0).tag(16).f32(64).tag(18).string("red").tag(0).tag(0);
    w.tag(80).int32(0).string("bark.gif").tag(84).byte(4).int32(1).tag(87).int32(1).tag(0);
    w.tag(40).string("part").tag(44).int32(1).tag(0);
    w.tag(40).string("top").tag(44).int32(0).tag(63).int32(1).tag(26).int32(2).values({0, 0, 0, 1, 1, 1});
    w.tag(102).tag(100).string("root").tag(110).tag(135).int32(1).tag(102);
    w.tag(115).tag(135).int32(2).tag(136).translation(0, 0, 1);
    w.tag(111).tag(135).int32(3).tag(121).int32(1).tag(30).tag(31).int32(0).tag(34).int32(0).tag(35).int32(-1);
    w.tag(20).tag(27).int32(0).tag(23).f32(0).f32(1).tag(0).tag(20).tag(25).int32(-1).tag(22).values({1, 0, 0});
    w.tag(24).f32(0).f32(0).f32(1).tag(0).tag(20).tag(27).int32(1).tag(0).tag(0);
    w.tag(113).tag(135).int32(4).tag(53).int32(1).tag(55).translation(1, 2, 3).tag(129).string("spin");
    w.tag(114).tag(135).int32(5).tag(132).value(2).tag(133).int32(0).tag(103).tag(103);
    w.tag(141).tag(150).tag(141).tag(160).tag(144).int32(2).tag(187).byte(1).tag(162).tag(183).value(1);
    w.tag(156).tag(144).int32(4).tag(190).tag(193).int32(1).tag(199).int32(0);
    w.tag(202).int32(0).vector3d(0, 0, 0).tag(202).int32(3).vector3d(5, 0, 0).tag(203).int32(1).value(0);
    w.tag(0).tag(0).tag(142).tag(142).tag(70).int32(0).tag(77).vector3d(0, 0, 1).tag(0).tag(0);
    w.tag(70).int32(0).tag(71).byte(1).tag(0).tag(0);
    return fuzzseeds::bytesOf(w.bytes());
}

// The older layout: a set of polygons, two levels and a scene placing the object.
fuzzseeds::Bytes olderFile()
{
    QuillWriter w("3.0");
    w.tag(10).tag(11).byte(0).tag(12).colour(0, 1, 0).tag(0).tag(0);
    w.tag(40).string("tree").tag(44).int32(0).tag(41).string("trunk").tag(45).int32(1);
    w.tag(30).tag(31).int16(0).tag(32).byte(2).tag(20).tag(22).values({0, 0, 0}).tag(0);
    w.tag(20).tag(22).values({1, 0, 0}).tag(24).f32(0).f32(1).f32(0).tag(0).tag(0).tag(0);
    w.tag(42).string("near").tag(45).int32(1).tag(43).f32(20).tag(0).tag(42).string("far").tag(41).string("trunk");
    w.tag(0).tag(0);
    w.tag(50).string("forest").tag(53).int32(0).tag(55).translation(1, 2, 3).tag(51).tag(0);
    return fuzzseeds::bytesOf(w.bytes());
}

std::vector<fuzzseeds::Seed> quillSeeds()
{
    return {
        {"current.quill", currentFile(Order::Little)},
        {"big-endian.quill", currentFile(Order::Big)},
        {"older.quill", olderFile()},
    };
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, quillSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    pelican::resetDataFiles();
    if (!writeInputFile(inputPath(), data, size)) {
        return 0;
    }
    static_cast<void>(pelican::readQuillFile(heron::FilePath(inputPath().c_str()), pelican::QuillVariant::Quill));
    return 0;
}
