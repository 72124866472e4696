#include "content/WavDecoder.h"

#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "content/SoundFileFixture.h"

#include <gtest/gtest.h>

using namespace datafiletest;
using namespace soundtest;

namespace
{

// A good header's bytes with some of them replaced.
std::string patched(std::string bytes, std::size_t at, const std::string& with)
{
    return bytes.replace(at, with.size(), with);
}

std::string le32(std::uint32_t value)
{
    return std::string{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}

// The reason the header reader refuses the bytes with, empty when it takes them (header then set).
std::string headerFault(const std::string& bytes, pelican::WavHeader& header)
{
    heron::MemoryDataSource source(bytes.data(), static_cast<std::uint32_t>(bytes.size()), false);
    try {
        header = pelican::readWavHeader(source);
    } catch (const heron::ReadError& fault) {
        return fault.what();
    }
    return {};
}

}

TEST(WavHeader, DamagedHeadersAreRefusedWithTheirReason)
{
    const std::string good = demo::wavBytes(tone(2, 44100, 0.01));
    const std::pair<std::string, const char*> cases[] = {
        {patched(good, 0, "RIFX"), "Not a \".wav\" file"},
        {patched(good, 8, "WAVF"), "Not a \".wav\" file"},
        {good.substr(0, 10), "Not a \".wav\" file"},
        {patched(good, 20, "\x03"), "WavDecoder: File isn't PCM"},
        {patched(good, 22, "\x03"), "WavDecoder: Number of channels not supported"},
        {patched(good, 24, le32(0)), "WavDecoder: Sample rate not supported"},
        {patched(good, 24, le32(400000)), "WavDecoder: Sample rate not supported"},
        {patched(good, 16, le32(14)), "WavDecoder: fmt chunk too short"},
        {patched(good, 28, le32(44100 * 2)), "WavDecoder: Unsupported sample size"},
        {patched(good, 12, "data"), "WavDecoder: File has no fmt chunk before the data chunk"},
        {good.substr(0, 30), "Unexpected end of file"},
        {good.substr(0, 36), "Unexpected end of file"},
        {patched(good, 12, "LIST") .replace(16, 4, le32(0xFFFFFFFF)), "Unexpected end of file"},
    };
    for (const auto& [bytes, fault] : cases) {
        pelican::WavHeader header;
        header.frames = 77;
        EXPECT_EQ(headerFault(bytes, header), fault) << fault;
        EXPECT_EQ(header.frames, 77);
    }
}

TEST(WavHeader, OddChunksAreSkippedWithTheirPadByteAndTheDataIsCutToTheFile)
{
    const std::string good = demo::wavBytes(tone(1, 22050, 0.01));
    const std::string fmt = good.substr(12, 24);
    const std::string samples = good.substr(44);
    const std::string bytes = good.substr(0, 12) + "LIST" + le32(3) + "abc" + '\0' + fmt + "data" +
                              le32(1000000) + samples;
    pelican::WavHeader header;
    ASSERT_EQ(headerFault(bytes, header), "");
    EXPECT_EQ(header.dataStart, 12 + 12 + 24 + 8u);
    EXPECT_EQ(header.frames, static_cast<std::int32_t>(samples.size() / 2));
    EXPECT_EQ(header.format.channels, 1u);
    EXPECT_EQ(header.format.rate, 22050u);
    EXPECT_EQ(header.format.frameShift, 1u);
    EXPECT_EQ(header.format.bytesPerSecond, 44100u);
}

using WavDecoderTest = SoundFileTest;

TEST_F(WavDecoderTest, ReadsTheSamplesFromAnyFrameAndStopsAtTheEnd)
{
    const demo::Pcm pcm = tone(2, 44100, 0.1);
    pelican::WavDecoder decoder(write("tone.wav", demo::wavBytes(pcm)));
    EXPECT_EQ(decoder.length(), pcm.frames());
    EXPECT_EQ(decodeAll(decoder), pcm.samples);
    decoder.rewind();
    decoder.seek(100);
    std::int16_t frame[2];
    ASSERT_EQ(decoder.read(1, frame), 1);
    EXPECT_EQ(frame[0], pcm.samples[200]);
    decoder.seek(pcm.frames() + 50);
    EXPECT_EQ(decoder.read(1, frame), 0);
    decoder.close();
}

TEST_F(WavDecoderTest, DamagedFilePlaysNothing)
{
    pelican::WavDecoder damaged(write("bad.wav", "RIFF1234WAVEjunk"));
    damaged.rewind();
    std::int16_t frame[2];
    EXPECT_EQ(damaged.read(1, frame), 0);
    EXPECT_EQ(damaged.length(), -1);
    EXPECT_EQ(std::string(damaged.error().c_str()), "Unexpected end of file");
}

TEST_F(WavDecoderTest, UnusualRateIsKeptAndWarnedOncePerPath)
{
    const pelican::DataFileName file = write("slow.wav", demo::wavBytes(tone(2, 22050, 0.05)));
    for (int i = 0; i < 3; ++i) {
        pelican::WavDecoder decoder(file);
        EXPECT_EQ(decoder.format().rate, 22050u);
    }
    EXPECT_EQ(m_log.count("is recorded at 22.1kHz\n"), 1);
}
