// Reads the input as the text form of a model editor's file, with a fresh search-folder table
// each time: its vertex, polygon and material sections and the polygons built from them.
#include "base/FilePath.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "content/DataFiles.h"
#include "content/models/QuillReader.h"
#include "content/world/PelicanDB.h"
#include "fuzz/Seeds.h"
#include "tools/demo/QuillTextWriter.h"
#include "tools/demo/ShallowsProps.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

// What follows the header line of the demo world's post, and the same with its materials section
// first.
std::vector<fuzzseeds::Seed> textSeeds()
{
    std::string error;
    const std::string post = demo::writeQuillText(demo::markerPost(), error);
    const std::size_t header = post.find('\n') + 1;
    const std::size_t materials = post.find("Materials");
    const std::string body = post.substr(header);
    const std::string reordered = post.substr(materials) + post.substr(header, materials - header);
    return {
        {"post.txt", fuzzseeds::bytesOf(body)},
        {"reordered.txt", fuzzseeds::bytesOf(reordered)},
    };
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, textSeeds);
}

// The input is the text after the header line, read from memory.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    pelican::resetDataFiles();
    std::string file = std::string(demo::quillTextHeader) + "\n";
    file.append(reinterpret_cast<const char*>(data), size);
    heron::MemoryDataSource source(file.data(), static_cast<std::uint32_t>(file.size()), false);
    const heron::counted_ptr<pelican::PelicanDB> database(new pelican::PelicanDB);
    try {
        pelican::QuillReader reader(source, heron::FilePath("fuzz.quill"), pelican::QuillVariant::Quill);
        reader.readFile(*database);
    } catch (const heron::ReadError&) {
        // A bad file, which the reader's entry point would log.
    }
    return 0;
}
