// Decoding a 1024 x 1024 GIF into 32-bit pixels: the toolkit's reader and the content layer's decoder against
// giflib. All produce the same bottom-up 0xAARRGGBB picture (giflib's indices are mapped through the colour
// table), and the results are compared before timing. Two pictures: a noisy 256-colour one (short strings,
// frequent table resets) and a flat one of large areas (long strings).

#include "content/ImageFiles.h"
#include "gui/paint/Image.h"
#include "tests/support/GifTestWriter.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace
{

constexpr int side = 1024;

giftest::Bytes makePicture(bool noisy)
{
    giftest::Picture picture;
    picture.width = side;
    picture.height = side;
    for (int i = 0; i < 256; ++i) {
        picture.global.push_back(static_cast<std::uint32_t>(i) * 0x010101 ^ 0x3060C0);
    }
    std::mt19937 random(2024);
    picture.indices.resize(static_cast<std::size_t>(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int shade = noisy ? (x + y) / 8 + static_cast<int>(random() % 24) : (x / 128) * 8 + (y / 128);
            picture.indices[static_cast<std::size_t>(y) * side + x] = static_cast<std::uint8_t>(shade & 0xFF);
        }
    }
    return giftest::writeGif(picture);
}

struct Reading
{
    const giftest::Bytes* bytes;
    std::size_t position;
};

int readFromMemory(GifFileType* file, GifByteType* buffer, int count)
{
    auto* const reading = static_cast<Reading*>(file->UserData);
    const std::size_t left = reading->bytes->size() - reading->position;
    const std::size_t n = std::min(left, static_cast<std::size_t>(count));
    std::memcpy(buffer, reading->bytes->data() + reading->position, n);
    reading->position += n;
    return static_cast<int>(n);
}

std::vector<std::uint32_t> decodeWithGiflib(const giftest::Bytes& bytes)
{
    Reading reading{&bytes, 0};
    int error = 0;
    GifFileType* const file = DGifOpen(&reading, readFromMemory, &error);
    if (file == nullptr) {
        return {};
    }
    std::vector<std::uint32_t> pixels;
    if (DGifSlurp(file) == GIF_OK && file->ImageCount > 0) {
        const SavedImage& image = file->SavedImages[0];
        const int width = image.ImageDesc.Width;
        const int height = image.ImageDesc.Height;
        const ColorMapObject* const map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
        std::uint32_t palette[256];
        std::fill(std::begin(palette), std::end(palette), 0xFF000000);
        for (int i = 0; map != nullptr && i < map->ColorCount; ++i) {
            const GifColorType& c = map->Colors[i];
            palette[i] = 0xFF000000 | c.Red << 16 | c.Green << 8 | c.Blue;
        }
        pixels.resize(static_cast<std::size_t>(width) * height);
        for (int row = 0; row < height; ++row) {
            const GifByteType* from = image.RasterBits + static_cast<std::size_t>(row) * width;
            std::uint32_t* to = pixels.data() + static_cast<std::size_t>(height - 1 - row) * width;
            for (int x = 0; x < width; ++x) {
                to[x] = palette[from[x]];
            }
        }
    }
    DGifCloseFile(file, &error);
    return pixels;
}

kestrel::Image decodeWithOurs(const giftest::Bytes& bytes)
{
    kestrel::Image image;
    image.fromGIF(bytes.data(), bytes.size());
    return image;
}

kestrel::Image decodeWithContentDecoder(const giftest::Bytes& bytes)
{
    return pelican::decodeImageBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

const giftest::Bytes& picture(bool noisy)
{
    static const giftest::Bytes noisyPicture = makePicture(true);
    static const giftest::Bytes flatPicture = makePicture(false);
    return noisy ? noisyPicture : flatPicture;
}

void BM_OurReader(benchmark::State& state)
{
    const giftest::Bytes& bytes = picture(state.range(0) != 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeWithOurs(bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * side * side * 4);
}

void BM_ContentDecoder(benchmark::State& state)
{
    const giftest::Bytes& bytes = picture(state.range(0) != 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeWithContentDecoder(bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * side * side * 4);
}

void BM_Giflib(benchmark::State& state)
{
    const giftest::Bytes& bytes = picture(state.range(0) != 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeWithGiflib(bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * side * side * 4);
}

BENCHMARK(BM_OurReader)->ArgName("noisy")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContentDecoder)->ArgName("noisy")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Giflib)->ArgName("noisy")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Best of several runs, in milliseconds.
template <typename Decode>
double bestTime(Decode decode)
{
    double best = 1e300;
    for (int run = 0; run < 15; ++run) {
        const auto start = std::chrono::steady_clock::now();
        decode();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

bool samePicture(const kestrel::Image& image, const std::vector<std::uint32_t>& pixels)
{
    return image.width() == side && image.height() == side && pixels.size() == std::size_t{side} * side &&
           std::equal(pixels.begin(), pixels.end(), image.pixels());
}

bool compareAndPrintRatio(bool noisy)
{
    const giftest::Bytes& bytes = picture(noisy);
    const std::vector<std::uint32_t> theirs = decodeWithGiflib(bytes);
    const bool same =
        samePicture(decodeWithOurs(bytes), theirs) && samePicture(decodeWithContentDecoder(bytes), theirs);
    const double oursMs = bestTime([&] { benchmark::DoNotOptimize(decodeWithOurs(bytes)); });
    const double contentMs = bestTime([&] { benchmark::DoNotOptimize(decodeWithContentDecoder(bytes)); });
    const double giflibMs = bestTime([&] { benchmark::DoNotOptimize(decodeWithGiflib(bytes)); });
    std::printf("%s picture (%zu bytes): toolkit reader %.2f ms, content decoder %.2f ms, giflib %.2f ms, "
                "ratio toolkit/giflib %.2f, pixels %s\n",
                noisy ? "noisy" : "flat", bytes.size(), oursMs, contentMs, giflibMs, oursMs / giflibMs,
                same ? "identical" : "DIFFER");
    return same;
}

}

int main(int argc, char** argv)
{
    const bool same = compareAndPrintRatio(true) & compareAndPrintRatio(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return same ? 0 : 1;
}
