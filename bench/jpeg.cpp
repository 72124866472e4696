// Decoding one 2048 x 2048 JPEG file: our reader (the data-file layer, our source manager, the
// library behind it, the rows turned into a bottom-up image) against the library's own command-line
// decoder, djpeg, run as a program on the same file. djpeg's time includes starting a process, so
// its time on an 8 x 8 file is also taken and the ratio is given both raw and without that start.
// The two decoders' pixels are compared before timing.

#include "content/ImageFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPictures.h"
#include "tools/demo/ImageWriters.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <time.h>

namespace
{

constexpr int side = 2048;

// A sky-like gradient with fine grain, so that the file carries detail in every block.
kestrel::Image makePicture()
{
    kestrel::Image picture = testpictures::smooth(side, side, 3);
    std::uint32_t noise = 7;
    for (int i = 0; i < side * side; ++i) {
        noise = noise * 1664525 + 1013904223;
        picture.pixels()[i] ^= (noise >> 8) & 0x0F0F0F;
    }
    return picture;
}

std::string text(const demo::Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The files of the comparison, in a temporary folder that lasts the whole run.
struct Files
{
    Files()
    {
        writeWholeFile(big, text(demo::writeJpeg(makePicture(), 90)));
        writeWholeFile(tiny, text(demo::writeJpeg(testpictures::smooth(8, 8, 3), 90)));
    }

    TempFolder folder;
    std::string big = folder.file("big.jpg");
    std::string tiny = folder.file("tiny.jpg");
    std::string decoded = folder.file("decoded.ppm");
};

const Files& files()
{
    static const Files made;
    return made;
}

kestrel::Image decodeWithOurs()
{
    return pelican::loadImageFile(files().big.c_str());
}

bool runDjpeg(const std::string& file, const char* output = "/dev/null")
{
    const std::string command = "djpeg -outfile " + std::string(output) + " " + file;
    return std::system(command.c_str()) == 0;
}

double cpuMilliseconds()
{
    timespec self{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &self);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return self.tv_sec * 1e3 + self.tv_nsec / 1e6 + ms(children.ru_utime) + ms(children.ru_stime);
}

// The least processor time (ours and that of the programs run) of several runs, in milliseconds: on
// a shared machine it varies less than the time on the clock.
template <typename Work>
double bestMilliseconds(Work work, int runs)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        const double start = cpuMilliseconds();
        work();
        best = std::min(best, cpuMilliseconds() - start);
    }
    return best;
}

// djpeg's picture (binary PPM, top row first) against ours (bottom row first).
bool samePicture(const kestrel::Image& ours, const std::string& ppm)
{
    const std::string header = "P6\n" + std::to_string(side) + " " + std::to_string(side) + "\n255\n";
    if (ours.width() != side || ours.height() != side || ppm.compare(0, header.size(), header) != 0 ||
        ppm.size() != header.size() + std::size_t{3} * side * side) {
        return false;
    }
    const auto* rgb = reinterpret_cast<const std::uint8_t*>(ppm.data() + header.size());
    for (int y = 0; y < side; ++y) {
        const std::uint32_t* row = ours.pixelAt(0, side - 1 - y);
        for (int x = 0; x < side; ++x, rgb += 3) {
            if (row[x] != (0xFF000000 | std::uint32_t(rgb[0]) << 16 | std::uint32_t(rgb[1]) << 8 | rgb[2])) {
                return false;
            }
        }
    }
    return true;
}

void BM_OurJpegReader(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeWithOurs());
    }
}

void BM_Djpeg(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(runDjpeg(files().big));
    }
}

BENCHMARK(BM_OurJpegReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Djpeg)->Unit(benchmark::kMillisecond);

bool compareAndPrintRatio()
{
    if (!runDjpeg(files().tiny)) {
        std::printf("djpeg is not installed (package libjpeg-turbo-progs): nothing to compare with\n");
        return false;
    }
    runDjpeg(files().big, files().decoded.c_str());
    const bool same = samePicture(decodeWithOurs(), readWholeFile(files().decoded));
    const double ours = bestMilliseconds([] { benchmark::DoNotOptimize(decodeWithOurs()); }, 15);
    const double djpeg = bestMilliseconds([] { runDjpeg(files().big); }, 15);
    const double start = bestMilliseconds([] { runDjpeg(files().tiny); }, 15);
    std::printf("%d x %d JPEG (%zu bytes), processor time: ours %.2f ms, djpeg %.2f ms (%.2f ms of it starting the "
                "program)\n",
                side,
                side, readWholeFile(files().big).size(), ours, djpeg, start);
    std::printf("ratio ours/djpeg %.2f, without djpeg's start %.2f, pixels %s\n", ours / djpeg, ours / (djpeg - start),
                same ? "identical" : "DIFFER");
    return same;
}

}

int main(int argc, char** argv)
{
    const bool same = compareAndPrintRatio();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return same ? 0 : 1;
}
