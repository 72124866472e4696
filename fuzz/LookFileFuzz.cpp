// Reads the input as a look file into a new world, with a fresh data-file layer each time: every
// block kind, bad numbers, unclosed blocks and lines past any limit.
#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "fuzz/InputFile.h"
#include "fuzz/Seeds.h"
#include "game/Look.h"
#include "tests/support/LookTexts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

const std::string& inputPath()
{
    static const std::string path = inputFilePath("look-fuzz", ".look");
    return path;
}

std::vector<fuzzseeds::Seed> lookSeeds()
{
    return {
        {"every-block.look", fuzzseeds::bytesOf(looktest::everyBlock)},
    };
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // A world without a content database shows the built-in teapot, whose preparation loads its
    // textures and asks for a GL context. SDL's dummy video driver refuses GL at once instead of
    // trying the X libraries, which keep what they allocated when SDL unloads them.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    return fuzzseeds::writeSeeds(argc, argv, lookSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    pelican::resetDataFiles();
    if (!writeInputFile(inputPath(), data, size)) {
        return 0;
    }
    const heron::counted_ptr<Look> world(new Look(heron::FilePath(inputPath().c_str())));
    return 0;
}
