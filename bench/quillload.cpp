// Reads a model-editor file of about 10 MB (200 polygon branches of 250 quads, each vertex with
// a position, a normal and texture coordinates) from a temporary folder and prints the best time
// and the time per MB.
//   bench_quillload [runs]     (best of 10 runs by default)
#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "content/models/QuillReader.h"
#include "content/world/PelicanDB.h"
#include "tests/support/QuillTestWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{

constexpr int branchCount = 200;
constexpr int quadsPerBranch = 250;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void addQuad(quilltest::QuillWriter& w, double x, double y)
{
    const double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    w.tag(30).tag(31).int32(0);
    for (const auto& corner : corners) {
        w.tag(20).tag(22).values({x + corner[0], y + corner[1], 0.0});
        w.tag(24).f32(0).f32(0).f32(1).tag(23).f32(float(corner[0])).f32(float(corner[1])).tag(0);
    }
    w.tag(0);
}

std::string modelBytes()
{
    quilltest::QuillWriter w("410");
    w.tag(10).tag(11).int32(0).tag(13).colour(0.5f, 0.5f, 0.5f).tag(0).tag(0);
    w.tag(40).string("city").tag(44).int32(0).tag(102).tag(110).tag(102);
    for (int branch = 0; branch < branchCount; ++branch) {
        w.tag(100).string("block" + std::to_string(branch)).tag(111);
        for (int quad = 0; quad < quadsPerBranch; ++quad) {
            addQuad(w, branch, quad);
        }
    }
    w.tag(103).tag(103).tag(0).tag(0);
    return w.bytes();
}

}

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quill-bench-" + std::to_string(::getpid()) + ".quill");
    const std::string bytes = modelBytes();
    std::ofstream(path, std::ios::binary) << bytes;
    double best = 1e30;
    for (int run = 0; run < runs; ++run) {
        pelican::resetDataFiles();
        const auto start = std::chrono::steady_clock::now();
        const auto database = pelican::readQuillFile(heron::FilePath(path.string().c_str()), pelican::QuillVariant::Quill);
        best = std::min(best, secondsSince(start));
        if (!database) {
            std::fprintf(stderr, "the model was not read\n");
            return 1;
        }
    }
    std::filesystem::remove(path);
    const double megabytes = double(bytes.size()) / (1 << 20);
    std::printf("model of %.1f MB, %d polygons: best %.1f ms, %.1f ms per MB\n", megabytes,
                branchCount * quadsPerBranch, best * 1000.0, best * 1000.0 / megabytes);
    return 0;
}
