#pragma once

// Seeds of the image formats, made by the demo world's image writers from the test pictures: small
// files of every layout each writer makes.

#include "fuzz/Seeds.h"
#include "tests/support/GifTestWriter.h"
#include "tests/support/TestPictures.h"
#include "tools/demo/ImageWriters.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fuzzseeds
{

// A paletted picture whose every fifth pixel is transparent, written with a transparent entry.
inline kestrel::Image withTransparentPixels(int width, int height)
{
    kestrel::Image image = testpictures::paletted(width, height, 15);
    for (int i = 0; i < width * height; i += 5) {
        *image.pixelAt(i % width, i / width) &= 0x00FFFFFF;
    }
    image.setComponents(4);
    return image;
}

// An interlaced picture through a local colour table, in small sub-blocks: what the demo writer
// does not make.
inline Bytes interlacedGif()
{
    giftest::Picture picture;
    picture.width = 11;
    picture.height = 13;
    for (int i = 0; i < picture.width * picture.height; ++i) {
        picture.indices.push_back(static_cast<std::uint8_t>((i * 7 + i / picture.width) % 6));
    }
    picture.global = {0x102030, 0x405060};
    picture.local = {0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666};
    picture.interlaced = true;
    picture.minimumCodeSize = 3;
    picture.blockSize = 16;
    return giftest::writeGif(picture);
}

inline std::vector<Seed> gifSeeds()
{
    std::vector<Seed> seeds;
    const auto add = [&seeds](const char* name, const kestrel::Image& image) {
        if (const auto bytes = demo::writeGif(image)) {
            seeds.push_back({name, *bytes});
        }
    };
    add("one-pixel.gif", testpictures::paletted(1, 1, 1));
    add("two-colours.gif", testpictures::paletted(17, 9, 2));
    add("full-table.gif", testpictures::paletted(64, 48, 256));
    add("transparent.gif", withTransparentPixels(24, 16));
    seeds.push_back({"interlaced-local.gif", interlacedGif()});
    return seeds;
}

// The GIF seeds without their six-byte signature, for the readers placed after it.
inline std::vector<Seed> gifSeedsAfterSignature()
{
    std::vector<Seed> seeds = gifSeeds();
    for (Seed& seed : seeds) {
        seed.bytes.erase(seed.bytes.begin(), seed.bytes.begin() + 6);
    }
    return seeds;
}

inline std::vector<Seed> sgiSeeds()
{
    using demo::SgiByteOrder;
    using demo::SgiStorage;
    const kestrel::Image grey = testpictures::smooth(13, 7, 1);
    const kestrel::Image colour = testpictures::smooth(21, 11, 3);
    const kestrel::Image alpha = testpictures::smooth(9, 14, 4);
    return {
        {"grey-rle.sgi", demo::writeSgi(grey)},
        {"grey-verbatim.sgi", demo::writeSgi(grey, {SgiStorage::Verbatim, 1, SgiByteOrder::BigEndian})},
        {"rgb-rle.sgi", demo::writeSgi(colour)},
        {"rgb-16-bit.sgi", demo::writeSgi(colour, {SgiStorage::Verbatim, 2, SgiByteOrder::BigEndian})},
        {"rgba-rle-little.sgi", demo::writeSgi(alpha, {SgiStorage::RunLength, 1, SgiByteOrder::LittleEndian})},
        {"rgba-16-bit-rle.sgi", demo::writeSgi(alpha, {SgiStorage::RunLength, 2, SgiByteOrder::BigEndian})},
    };
}

inline std::vector<Seed> jpegSeeds()
{
    std::vector<std::uint8_t> cmyk(12 * 10 * 4);
    for (std::size_t i = 0; i < cmyk.size(); ++i) {
        cmyk[i] = static_cast<std::uint8_t>(i * 37);
    }
    return {
        {"grey.jpg", demo::writeJpeg(testpictures::smooth(16, 16, 1))},
        {"colour.jpg", demo::writeJpeg(testpictures::smooth(33, 17, 3))},
        {"colour-low-quality.jpg", demo::writeJpeg(testpictures::smooth(40, 24, 3), 20)},
        {"cmyk.jpg", demo::writeJpegSamples(cmyk.data(), 12, 10, demo::JpegColours::Cmyk)},
    };
}

}
