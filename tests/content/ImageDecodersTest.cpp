#include "content/ImageFiles.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "content/GIFdecoder.h"
#include "support/GifTestWriter.h"
#include "support/TempLog.h"
#include "support/TestPictures.h"
#include "tools/demo/ImageWriters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

using demo::Bytes;
using testpictures::samePixels;

namespace
{

kestrel::Image decode(const Bytes& bytes)
{
    return pelican::decodeImageBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// The decoder's reason for refusing the bytes; empty when they decode.
std::string refusal(const Bytes& bytes)
{
    try {
        static_cast<void>(decode(bytes));
    } catch (const heron::ReadError& error) {
        return error.what();
    }
    return "";
}

void putBig16(Bytes& bytes, std::size_t at, int value)
{
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

void putBig32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    putBig16(bytes, at, static_cast<int>(value >> 16));
    putBig16(bytes, at + 2, static_cast<int>(value & 0xFFFF));
}

// The offset of the first marker of the kind (0xFF, kind) in a JPEG file.
std::size_t markerAt(const Bytes& bytes, std::uint8_t kind)
{
    const std::uint8_t marker[] = {0xFF, kind};
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin(marker), std::end(marker));
    EXPECT_NE(at, bytes.end());
    return static_cast<std::size_t>(at - bytes.begin());
}

// A progressive file whose frame header claims 4096 x 4096 pixels, its first component at full
// resolution when asked: what the decoder allots for scans and memory follows from that header.
Bytes claimingFullSize(Bytes bytes, bool fullFirstComponent)
{
    const std::size_t frame = markerAt(bytes, 0xC2);
    putBig16(bytes, frame + 5, 4096);
    putBig16(bytes, frame + 7, 4096);
    if (fullFirstComponent) {
        bytes[frame + 11] = 0x11;
    }
    return bytes;
}

// A progressive grey file of 4096 x 4096 pixels, all of one grey, in 101 scans: a DC scan, a first
// scan of every AC coefficient without its lowest bit and refinement scans of the first 37. Each
// table holds one code, a single 0 bit: the DC difference 0, and an end-of-block run of 16384
// blocks. Built by hand, since the library takes seconds to write so large a file.
Bytes hundredAndOneScans()
{
    Bytes bytes{0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    bytes.insert(bytes.end(), 64, 1);
    const Bytes frame{0xFF, 0xC2, 0x00, 0x0B, 0x08, 0x10, 0x00, 0x10, 0x00, 0x01, 0x01, 0x11, 0x00};
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    for (const std::uint8_t table : {0x00, 0x10}) {
        const Bytes head{0xFF, 0xC4, 0x00, 0x14, table, 0x01};
        bytes.insert(bytes.end(), head.begin(), head.end());
        bytes.insert(bytes.end(), 15, 0);
        bytes.push_back(table == 0 ? 0x00 : 0xE0);
    }
    const auto addScan = [&bytes](std::uint8_t first, std::uint8_t last, std::uint8_t bits, std::size_t dataBytes) {
        const Bytes head{0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, first, last, bits};
        bytes.insert(bytes.end(), head.begin(), head.end());
        bytes.insert(bytes.end(), dataBytes, 0);
    };
    constexpr std::size_t blocks = 4096 / 8 * 4096 / 8;
    addScan(0, 0, 0x00, blocks / 8);
    // Sixteen runs of 16384 blocks, each a 0 bit and fourteen 0 bits of run length.
    constexpr std::size_t runBytes = blocks / 16384 * 15 / 8;
    for (std::uint8_t k = 1; k < 64; ++k) {
        addScan(k, k, 0x01, runBytes);
    }
    for (std::uint8_t k = 1; k <= 37; ++k) {
        addScan(k, k, 0x10, runBytes);
    }
    bytes.push_back(0xFF);
    bytes.push_back(0xD9);
    return bytes;
}

// The file followed by as many bytes as the data of a 4096 x 4096 image needs at least (a bit for
// each of its blocks), so that its size does not refuse it at once.
Bytes withRoomForFullSize(Bytes bytes)
{
    bytes.resize(bytes.size() + 4096 * 4096 / 64 / 8);
    return bytes;
}

// The file with the second half of its first scan's data left out, the markers after it kept.
Bytes withFirstScanCut(Bytes bytes)
{
    const std::size_t scan = markerAt(bytes, 0xDA);
    const std::size_t data = scan + 2 + (std::size_t(bytes[scan + 2]) << 8 | bytes[scan + 3]);
    std::size_t end = data;
    // A 0xFF in the data is followed by a stuffed 0 or a restart marker's 0xD0..0xD7.
    while (end + 1 < bytes.size() && !(bytes[end] == 0xFF && bytes[end + 1] != 0 && (bytes[end + 1] & 0xF8) != 0xD0)) {
        ++end;
    }
    const std::size_t cut = data + (end - data) / 2;
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(cut), bytes.begin() + static_cast<std::ptrdiff_t>(end));
    return bytes;
}

kestrel::Image withClearPixels(kestrel::Image image)
{
    for (int x = 0; x < image.width(); x += 3) {
        *image.pixelAt(x, x % image.height()) = 0x00123456;
    }
    image.setComponents(4);
    return image;
}

// A GIF of the picture's indices through the given colour table, by the test writer.
giftest::Picture indexedPicture(int width, int height, std::vector<std::uint32_t> global)
{
    giftest::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.global = std::move(global);
    for (int i = 0; i < width * height; ++i) {
        picture.indices.push_back(static_cast<std::uint8_t>((i * 5 + i / width) % 8));
    }
    return picture;
}

// The pixel of an index through a colour table read top row first, as a decoder must give it.
std::uint32_t pixelOf(const giftest::Picture& picture, const std::vector<std::uint32_t>& table, int x, int y)
{
    const std::uint8_t index = picture.indices[static_cast<std::size_t>(y) * picture.width + x];
    return index < table.size() ? 0xFF000000 | table[index] : 0xFF000000;
}

}

TEST(GifDecoder, DecodesExactlyWhatTheWriterWrote)
{
    const kestrel::Image pictures[] = {
        testpictures::paletted(1, 1, 1),     testpictures::paletted(7, 5, 2),
        testpictures::paletted(64, 48, 16),  testpictures::paletted(301, 211, 256),
        withClearPixels(testpictures::paletted(40, 30, 200)),
    };
    for (const kestrel::Image& picture : pictures) {
        const kestrel::Image decoded = decode(*demo::writeGif(picture));
        EXPECT_TRUE(samePixels(decoded, picture)) << picture.width() << " x " << picture.height();
        EXPECT_EQ(decoded.components(), picture.components());
    }
}

TEST(GifDecoder, InterlacedRowsGoToTheirPlaces)
{
    giftest::Picture picture = indexedPicture(5, 11, {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x111111,
                                                     0x222222, 0x333333});
    picture.interlaced = true;
    const kestrel::Image decoded = decode(giftest::writeGif(picture));
    ASSERT_EQ(decoded.height(), 11);
    for (int y = 0; y < 11; ++y) {
        EXPECT_EQ(*decoded.pixelAt(2, 10 - y), pixelOf(picture, picture.global, 2, y)) << "row " << y;
    }
}

TEST(GifDecoder, AFullTableKeepsTwelveBitCodesUntilTheNextClear)
{
    const kestrel::Image noisy = testpictures::paletted(200, 150, 256);
    giftest::Picture picture;
    picture.width = 200;
    picture.height = 150;
    for (int i = 0; i < 256; ++i) {
        picture.global.push_back(static_cast<std::uint32_t>(i) * 0x9E3779u & 0xFFFFFF);
    }
    for (int y = 149; y >= 0; --y) {
        for (int x = 0; x < 200; ++x) {
            const std::uint32_t rgb = *noisy.pixelAt(x, y) & 0xFFFFFF;
            const auto at = std::find(picture.global.begin(), picture.global.end(), rgb);
            picture.indices.push_back(static_cast<std::uint8_t>(at - picture.global.begin()));
        }
    }
    picture.clearWhenFull = false;
    EXPECT_TRUE(samePixels(decode(giftest::writeGif(picture)), noisy));
}

TEST(GifDecoder, TransparencyAppliesToTheActiveTableAndIndicesPastItAreOpaqueBlack)
{
    const std::vector<std::uint32_t> global = {0x010101, 0x020202, 0x030303, 0x040404,
                                               0x050505, 0x060606, 0x070707, 0x080808};
    giftest::Picture picture = indexedPicture(8, 4, global);
    picture.transparent = 5;
    kestrel::Image decoded = decode(giftest::writeGif(picture));
    EXPECT_EQ(decoded.components(), 4);
    EXPECT_EQ(*decoded.pixelAt(1, 3), 0x00060606u) << "index 5 of the global table";

    picture.local = {0xAA0000, 0x00BB00};
    picture.transparent = 1;
    decoded = decode(giftest::writeGif(picture));
    EXPECT_EQ(*decoded.pixelAt(0, 3), 0xFFAA0000u) << "index 0 of the local table";
    EXPECT_EQ(*decoded.pixelAt(1, 3), 0xFF000000u) << "index 5 lies past the local table";
    EXPECT_EQ(*decoded.pixelAt(5, 3), 0x0000BB00u) << "index 1 of the local table is the transparent one";
}

TEST(GifDecoder, RefusesDamagedData)
{
    const auto withCodes = [](int width, int height, std::vector<giftest::Code> codes) {
        giftest::Picture picture = indexedPicture(width, height, {0x111111, 0x222222, 0x333333, 0x444444});
        picture.minimumCodeSize = 2;
        picture.codeStream = giftest::packCodes(codes);
        return giftest::writeGif(picture);
    };
    giftest::Picture wideCodes = indexedPicture(4, 4, {0x111111});
    wideCodes.minimumCodeSize = 9;
    Bytes smallerImage = giftest::writeGif(indexedPicture(4, 4, {0x111111}));
    smallerImage[13 + 6 + 5] = 3;  // the descriptor's width, after the screen and a 2-entry table
    // Cut after the screen and its table, before the image's descriptor.
    const Bytes noImage(smallerImage.begin(), smallerImage.begin() + 13 + 6);
    const struct
    {
        Bytes bytes;
        std::string reason;
    } cases[] = {
        {smallerImage, "GIFdecoder: Bad image size in GIF data"},
        {noImage, "GIFdecoder - no image in file"},
        {giftest::writeGif(wideCodes), "GIFdecoder - corrupted file"},
        {withCodes(2, 2, {{4, 3}, {6, 3}}), "GIFdecoder - garbage in file"},
        {withCodes(2, 2, {{4, 3}, {1, 3}, {7, 3}}), "GIFdecoder - garbage in file"},
        {withCodes(2, 2, {{4, 3}, {1, 3}, {1, 3}, {1, 3}, {1, 4}, {1, 4}, {5, 4}}), "GIFdecoder - the file is corrupt"},
        {withCodes(2, 2, {{4, 3}, {1, 3}}), "GIFdecoder - unexpected EOF merker in file"},
        {withCodes(4096, 4096, {{4, 3}, {1, 3}, {5, 3}}), "GIFdecoder - too little image data for 4096 x 4096 pixels"},
        {giftest::writeGif(indexedPicture(4097, 1, {0x111111})), "GIFdecoder - bad image size (4097 x 1)"},
    };
    TempLog log;
    for (const auto& [bytes, reason] : cases) {
        EXPECT_EQ(refusal(bytes), reason);
    }
}

TEST(GifDecoder, AnEarlyEndCodeKeepsThePixelsSoFarAndSaysSo)
{
    giftest::Picture picture = indexedPicture(2, 2, {0x111111, 0x222222});
    picture.minimumCodeSize = 2;
    picture.codeStream = giftest::packCodes({{4, 3}, {1, 3}, {5, 3}});
    TempLog log;
    const kestrel::Image decoded = decode(giftest::writeGif(picture));
    EXPECT_EQ(*decoded.pixelAt(0, 1), 0xFF222222u);
    EXPECT_EQ(*decoded.pixelAt(1, 1), 0u);
    EXPECT_TRUE(log.contains("GIFdecoder - image data ended early\n"));
}

namespace
{

// The toolkit's reader gives no picture for the stream (damaged, or holding none).
bool toolkitRefuses(const Bytes& bytes)
{
    kestrel::Image image;
    image.fromGIF(bytes.data(), bytes.size());
    return image.isEmpty();
}

// The content layer's GIF decoder refuses the stream, or finds no picture in it.
bool decoderRefuses(const Bytes& bytes)
{
    heron::MemoryDataSource source(bytes.data(), static_cast<std::uint32_t>(bytes.size()), false);
    source.skip(6);
    try {
        return pelican::GIFdecoder(source).decode().isEmpty();
    } catch (const heron::ReadError&) {
        return true;
    }
}

}

TEST(GifDecoder, RefusesWhatTheToolkitsReaderRefuses)
{
    // 1000 pixels claimed, three codes given: whatever follows the image's data cannot make up for it.
    giftest::Picture claiming = indexedPicture(1000, 1, {0x111111, 0x222222});
    claiming.minimumCodeSize = 2;
    claiming.codeStream = giftest::packCodes({{4, 3}, {1, 3}, {5, 3}});
    Bytes followedByAComment = giftest::writeGif(claiming);
    followedByAComment.pop_back();
    const Bytes comment = giftest::subBlocks(Bytes(3000, 'x'));
    followedByAComment.insert(followedByAComment.end(), {0x21, 0xFE});
    followedByAComment.insert(followedByAComment.end(), comment.begin(), comment.end());
    followedByAComment.push_back(0x3B);
    std::vector<Bytes> streams = {followedByAComment, giftest::writeGif(claiming)};
    // And random damage anywhere after the signature.
    giftest::Picture picture = indexedPicture(33, 21, {0x111111, 0x222222, 0x333333, 0x444444, 0x555555});
    picture.interlaced = true;
    const Bytes original = giftest::writeGif(picture);
    std::mt19937 random(4321);
    for (int round = 0; round < 2000; ++round) {
        Bytes bytes = original;
        for (int hits = 1 + random() % 4; hits > 0; --hits) {
            bytes[6 + random() % (bytes.size() - 6)] = static_cast<std::uint8_t>(random());
        }
        streams.push_back(std::move(bytes));
    }
    TempLog log;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (toolkitRefuses(streams[i])) {
            EXPECT_TRUE(decoderRefuses(streams[i])) << "stream " << i;
        }
    }
    EXPECT_TRUE(toolkitRefuses(followedByAComment));
}

TEST(SgiDecoder, DecodesExactlyWhatTheWriterWroteInEveryStorage)
{
    for (const auto storage : {demo::SgiStorage::Verbatim, demo::SgiStorage::RunLength}) {
        for (const int bytesPerChannel : {1, 2}) {
            for (const auto order : {demo::SgiByteOrder::BigEndian, demo::SgiByteOrder::LittleEndian}) {
                for (const int components : {1, 3, 4}) {
                    const kestrel::Image picture = testpictures::smooth(13, 7, components);
                    const kestrel::Image decoded = decode(demo::writeSgi(picture, {storage, bytesPerChannel, order}));
                    EXPECT_TRUE(samePixels(decoded, picture)) << static_cast<int>(storage) << bytesPerChannel
                                                              << static_cast<int>(order) << components;
                    EXPECT_EQ(decoded.components(), components);
                }
            }
        }
    }
}

TEST(SgiDecoder, AOneDimensionalFileRepeatsItsFirstRow)
{
    const kestrel::Image picture = testpictures::smooth(9, 4, 1);
    for (const auto storage : {demo::SgiStorage::Verbatim, demo::SgiStorage::RunLength}) {
        Bytes bytes = demo::writeSgi(picture, {storage});
        putBig16(bytes, 4, 1);
        const kestrel::Image decoded = decode(bytes);
        ASSERT_EQ(decoded.height(), 4);
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(*decoded.pixelAt(5, y), *picture.pixelAt(5, 0));
        }
    }
}

TEST(SgiDecoder, RefusesDamagedHeadersAndTables)
{
    const kestrel::Image picture = testpictures::smooth(5, 4, 3);
    const Bytes good = demo::writeSgi(picture);
    const std::size_t lengths = 512 + 4 * 12;
    const auto changed = [&](auto change) {
        Bytes bytes = good;
        change(bytes);
        return bytes;
    };
    const struct
    {
        Bytes bytes;
        std::string reason;
    } cases[] = {
        {changed([](Bytes& b) { putBig32(b, 512, 100); }), "SGIdecoder - Bad image data"},
        {changed([&](Bytes& b) { putBig32(b, 516, static_cast<std::uint32_t>(good.size())); }),
         "SGIdecoder - Bad image data"},
        {changed([&](Bytes& b) { putBig32(b, lengths + 8, 0xFFFFFFF0); }), "SGIdecoder - Bad image data"},
        {changed([&](Bytes& b) { putBig32(b, lengths, 2); }), "SGIdecoder - Bad row size"},
        {changed([&](Bytes& b) { b[good[515] + 256 * good[514]] = 0x7F; }), "SGIdecoder - Bad row size"},
        {changed([](Bytes& b) { putBig16(b, 8, 400); }), "SGIdecoder - the row tables run past the end of the file"},
        {changed([](Bytes& b) { putBig16(b, 6, 5000); }), "SGIdecoder - bad image size (5000 x 4)"},
        {changed([](Bytes& b) { putBig16(b, 6, 0); }), "SGIdecoder - bad image size (0 x 4)"},
        {changed([](Bytes& b) { putBig16(b, 4, 7); }), "SGIdecoder - Bad image dimension"},
        {changed([](Bytes& b) { putBig16(b, 10, 5); }), "SGIdecoder - Bad image header"},
        {changed([](Bytes& b) { putBig16(b, 2, 3); }), "SGIdecoder - Bad image header"},
        {changed([](Bytes& b) { b.resize(512); }), "SGIdecoder - file too short for its header"},
        {changed([](Bytes& b) { b.resize(2); }), "SGIdecoder - file too short for its header"},
        {changed([](Bytes& b) { b[0] = 0x02; }), "Bad jpg file"},
    };
    TempLog log;
    for (const auto& [bytes, reason] : cases) {
        EXPECT_EQ(refusal(bytes), reason);
    }
    Bytes verbatim = demo::writeSgi(picture, {demo::SgiStorage::Verbatim});
    verbatim.pop_back();
    EXPECT_EQ(refusal(verbatim), "SGIdecoder - too little image data for 5 x 4 pixels");
}

TEST(SgiDecoder, RefusesAFileTooSmallForItsPixelsBeforeMakingTheImage)
{
    Bytes verbatim = demo::writeSgi(testpictures::smooth(5, 4, 3), {demo::SgiStorage::Verbatim});
    putBig16(verbatim, 6, 4096);
    putBig16(verbatim, 8, 4096);
    verbatim.resize(4096);
    Bytes runLength = demo::writeSgi(testpictures::smooth(5, 4, 3));
    putBig16(runLength, 6, 4096);
    const std::pair<Bytes, std::string> cases[] = {
        {verbatim, "SGIdecoder - too little image data for 4096 x 4096 pixels"},
        {runLength, "SGIdecoder - too little image data for 4096 x 4 pixels"},
    };
    for (const auto& [bytes, reason] : cases) {
        EXPECT_EQ(refusal(bytes), reason);
    }
}

TEST(JpegDecoder, DecodesWhatTheWriterWroteWithinItsLoss)
{
    for (const auto scans : {demo::JpegScans::Baseline, demo::JpegScans::Progressive, demo::JpegScans::EveryCoefficient}) {
        for (const int components : {1, 3}) {
            const kestrel::Image picture = testpictures::smooth(64, 48, components);
            const kestrel::Image decoded = decode(demo::writeJpeg(picture, 95, scans));
            EXPECT_LE(testpictures::largestDifference(decoded, picture), 8) << components << static_cast<int>(scans);
            EXPECT_EQ(decoded.components(), components);
        }
    }
}

// Each scan of a progressive file is decoded over the whole image, and its coefficients are held
// for the whole image until the last scan: both are bounded before the library does the work.
TEST(JpegDecoder, RefusesProgressiveFilesPastItsScanAndMemoryBudgetsWithALogLine)
{
    const struct
    {
        Bytes bytes;
        std::string line;
    } cases[] = {
        {hundredAndOneScans(), "decodeJpeg: too many scans (101) for 4096 x 4096 pixels\n"},
        {withRoomForFullSize(claimingFullSize(demo::writeJpeg(testpictures::smooth(16, 16, 3), 90, demo::JpegScans::Progressive), true)),
         "decodeJpeg: the library needs more than 64 MiB of working memory\n"},
    };
    for (const auto& [bytes, line] : cases) {
        TempLog log;
        EXPECT_EQ(refusal(bytes), "Bad jpg file");
        EXPECT_TRUE(log.contains(line)) << log.text();
    }
}

// Past the end of a data segment the library would go on with zeros: a picture mostly grey.
TEST(JpegDecoder, RefusesAFileWhoseDataEndsBeforeTheImageIsComplete)
{
    const kestrel::Image picture = testpictures::smooth(64, 48, 3);
    const Bytes whole = demo::writeJpeg(picture);
    const struct
    {
        Bytes bytes;
        std::string line;
    } cases[] = {
        {withFirstScanCut(demo::writeJpeg(picture)), "decodeJpeg: Corrupt JPEG data: premature end of data segment\n"},
        {withFirstScanCut(demo::writeJpeg(picture, 90, demo::JpegScans::Progressive)),
         "decodeJpeg: Corrupt JPEG data: premature end of data segment\n"},
        {claimingFullSize(demo::writeJpeg(picture, 90, demo::JpegScans::Progressive), false),
         " bytes of data cannot hold a 4096 x 4096 image\n"},
        {Bytes(whole.begin(), whole.end() - 40), "decodeJpeg: Premature end of JPEG file\n"},
    };
    for (const auto& [bytes, line] : cases) {
        TempLog log;
        EXPECT_EQ(refusal(bytes), "Bad jpg file");
        EXPECT_TRUE(log.contains(line)) << log.text();
    }
}

TEST(JpegDecoder, AGreyFileGivesGreyPixels)
{
    const kestrel::Image decoded = decode(demo::writeJpeg(testpictures::smooth(16, 8, 1)));
    ASSERT_EQ(decoded.components(), 1);
    for (int x = 0; x < 16; ++x) {
        const std::uint32_t pixel = *decoded.pixelAt(x, 3);
        EXPECT_EQ(pixel, 0xFF000000 | (pixel & 0xFF) * 0x010101);
    }
}

TEST(JpegDecoder, RefusesWhatTheImageCodeCannotTakeWithALogLine)
{
    const Bytes cmykSamples(8 * 8 * 4, 0x80);
    Bytes huge = demo::writeJpeg(testpictures::smooth(8, 8, 3));
    const std::uint8_t frameMarker[] = {0xFF, 0xC0};
    const auto frame = std::search(huge.begin(), huge.end(), std::begin(frameMarker), std::end(frameMarker));
    ASSERT_NE(frame, huge.end());
    putBig16(huge, static_cast<std::size_t>(frame - huge.begin()) + 5, 5000);
    const struct
    {
        Bytes bytes;
        std::string line;
    } cases[] = {
        {demo::writeJpegSamples(cmykSamples.data(), 8, 8, demo::JpegColours::Cmyk),
         "decodeJpeg: CMYK images are not supported\n"},
        {huge, "decodeJpeg: image too large (8 x 5000)\n"},
        {Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}, "decodeJpeg: Not a JPEG file"},
    };
    for (const auto& [bytes, line] : cases) {
        TempLog log;
        EXPECT_EQ(refusal(bytes), "Bad jpg file");
        EXPECT_TRUE(log.contains(line)) << log.text();
    }
}

TEST(ImageDecoders, FilesCutShortAtAnyPointAreRefusedOrWhole)
{
    const kestrel::Image picture = testpictures::smooth(12, 10, 4);
    const kestrel::Image paletted = testpictures::paletted(12, 10, 6);
    const struct
    {
        Bytes bytes;
        kestrel::Image image;
    } files[] = {
        {*demo::writeGif(paletted), paletted},
        {demo::writeSgi(picture), picture},
        {demo::writeSgi(picture, {demo::SgiStorage::Verbatim}), picture},
        {demo::writeJpeg(picture), kestrel::Image()},
        {demo::writeJpeg(picture, 90, demo::JpegScans::Progressive), kestrel::Image()},
    };
    TempLog log;
    for (const auto& [bytes, image] : files) {
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
            try {
                const kestrel::Image decoded = decode(cut);
                // Only a GIF's closing bytes come after the last pixel.
                EXPECT_TRUE(samePixels(decoded, image)) << size << " of " << bytes.size();
                EXPECT_GE(size, bytes.size() - 2);
            } catch (const heron::ReadError&) {
            }
        }
    }
}
