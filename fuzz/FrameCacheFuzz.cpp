// Reads arbitrary bytes as the frame cache beside a model: the frames given to the object must
// never hold more positions than the bytes could carry.
#include "base/FilePath.h"
#include "content/models/PelicanDatabaseReader.h"
#include "fuzz/InputFile.h"
#include "scene/graph/Object.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string model = inputFilePath("frames-fuzz", ".quill");
    static const std::string cache = inputFilePath("frames-fuzz", ".anim");
    if (!writeInputFile(cache, data, size)) {
        return 0;
    }
    finch::Object object;
    if (!pelican::readFrameSequence(heron::FilePath(model.c_str()), object)) {
        std::abort();
    }
    std::size_t positions = 0;
    if (object.animationFrames() != nullptr) {
        for (const auto& frame : *object.animationFrames()) {
            positions += frame.size();
        }
    }
    if (positions * 12 > size) {
        std::abort();
    }
    return 0;
}
