#include "sound/SoundDataSource.h"

#include "sound/SampleDataSource.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

egret::SoundFormat monoAt(std::uint32_t rate)
{
    return {1, 16, rate, 1, 2, 2 * rate};
}

// A new ToneSource read whole, the source kept for its counts.
struct WholeRead
{
    ToneSource* tone;
    heron::counted_ptr<egret::SoundDataSource> source;
    heron::counted_ptr<heron::ByteBuffer> block;
};

WholeRead readTone(const egret::SoundFormat& format, int frames, int length, const char* name = "tone.wav")
{
    auto* tone = new ToneSource(format, frames, length, name);
    const heron::counted_ptr<egret::SoundDataSource> source(tone);
    return {tone, source, egret::readAllSamples(source)};
}

}

TEST(ReadAllSamples, KeepsExactlyTheFramesReadAndClosesTheSource)
{
    const struct
    {
        egret::SoundFormat format;
        int frames;
        int length;
        int reads;
    } cases[] = {
        {egret::stereo16Format, 44100, ToneSource::unknown, 2},     // the second read gives nothing
        {monoAt(1000), 5500, ToneSource::unknown, 4},              // reads of 1000, 1000, 2000, 4000
        {monoAt(1000), 300, 1000, 1},                              // fewer than its length
        {monoAt(1000), 0, 0, 1},
        {monoAt(1000), 0, ToneSource::unknown, 1},
    };
    for (const auto& c : cases) {
        const WholeRead read = readTone(c.format, c.frames, c.length);
        EXPECT_EQ(read.tone->reads, c.reads);
        EXPECT_EQ(read.tone->closes, 1);
        if (c.frames == 0) {
            EXPECT_FALSE(read.block);
            continue;
        }
        ASSERT_TRUE(read.block);
        ASSERT_EQ(read.block->size(), std::size_t(c.frames) << c.format.frameShift);
        std::int16_t last = 0;
        std::memcpy(&last, read.block->data() + read.block->size() - 2, 2);
        EXPECT_EQ(last, ToneSource::sampleAt(c.frames - 1, int(c.format.channels) - 1));
    }
    EXPECT_FALSE(egret::readAllSamples({}));
}

TEST(ReadAllSamples, EndlessOrOverlongSourcesAreCutAtTenMinutes)
{
    LogCapture log;
    for (const int length : {ToneSource::unknown, 2000000000}) {
        const auto block = readTone(monoAt(100), ToneSource::endless, length, "sea.ogg").block;
        ASSERT_TRUE(block);
        EXPECT_EQ(block->size(), 600u * 100 * 2);
    }
    EXPECT_EQ(log.count("readAllSamples() - sea.ogg is longer than 60000 frames, cut there"), 2);
}

TEST(ReadAllSamples, UnusableFormatIsLoggedAndNotRead)
{
    LogCapture log;
    const WholeRead read = readTone({2, 16, 44100, 31, 4, 176400}, 100, 100, "odd.wav");
    EXPECT_FALSE(read.block);
    EXPECT_EQ(read.tone->reads, 0);
    EXPECT_EQ(read.tone->closes, 1);
    EXPECT_TRUE(log.contains("odd.wav has an unusable format (2 channels, 16 bits, 44100 Hz)"));
}

TEST(SampleDataSource, BlocksContinueIntoTheWrappedRegionAndSilenceIsCounted)
{
    egret::BufferSource source;
    source.block().resize(6, false);
    std::memcpy(source.block().data(), "abcdef", 6);
    std::uint32_t silence = 10;
    egret::Silencer silencer(silence);
    char ring[8];
    for (egret::SampleDataSource* fill : std::initializer_list<egret::SampleDataSource*>{&silencer, &source}) {
        std::memset(ring, '.', sizeof(ring));
        const plat::RegionFill regions = fill->regionFill();
        regions(reinterpret_cast<std::uint8_t*>(ring) + 4, 4, plat::BufferRegion::First);
        regions(reinterpret_cast<std::uint8_t*>(ring), 4, plat::BufferRegion::Next);
    }
    EXPECT_EQ(std::string(ring, 8), std::string("ef\0\0abcd", 8));
    EXPECT_EQ(silence, 18u);
}
