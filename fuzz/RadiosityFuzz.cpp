// Reads the input as a radiosity file, with a fresh search-folder table each time: its name
// lists, clusters, patch trees and the geometry built from them.
#include "base/FilePath.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "content/DataFiles.h"
#include "content/models/LsbReader.h"
#include "content/world/PelicanDB.h"
#include "fuzz/Seeds.h"
#include "tools/demo/RadiosityWriter.h"
#include "tools/demo/ShallowsProps.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

fuzzseeds::Bytes written(const demo::RadiosityModel& model)
{
    std::string error;
    return fuzzseeds::bytesOf(demo::writeRadiosity(model, error));
}

// The demo world's rock, narrow and wide, and textured with texture coordinates.
std::vector<fuzzseeds::Seed> radiositySeeds()
{
    const demo::RadiosityModel rock = demo::litRock();
    demo::RadiosityModel wide = rock;
    wide.clusters[0].wide = true;
    demo::RadiosityModel textured = rock;
    textured.textures = {"stone.gif"};
    textured.clusters[0].textured = true;
    textured.clusters[0].texture = 1;
    textured.clusters.push_back(rock.clusters[0]);
    return {
        {"rock.lsb", written(rock)},
        {"wide.lsb", written(wide)},
        {"textured.lsb", written(textured)},
    };
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, radiositySeeds);
}

// The input is read from memory, without the data-file layer.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    pelican::resetDataFiles();
    heron::MemoryDataSource source(data, static_cast<std::uint32_t>(size), false);
    try {
        pelican::LsbReader reader(source, heron::FilePath("models\\fuzz.lsb"));
        if (reader.readHeaderLines()) {
            static_cast<void>(reader.read());
        }
    } catch (const heron::ReadError&) {
        // A bad file, which the reader's entry point would log.
    }
    return 0;
}
