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

// A tone of unknown length whose header tells how long it should be.
class HintedTone : public ToneSource
{
public:
    HintedTone(const egret::SoundFormat& format, int frames, int hint)
        : ToneSource(format, frames, ToneSource::unknown), m_hint(hint)
    {
    }
    int lengthHint() override { return m_hint; }

private:
    int m_hint;
};

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

// A long song read whole is read into a block sized from its header: no doubling copies it.
TEST(ReadAllSamples, LengthHintSizesTheBlockOfASourceOfUnknownLength)
{
    const struct
    {
        int frames;
        int hint;
        int reads;
        std::size_t capacity;   // bytes
    } cases[] = {
        {5500, 5500, 1, 5501 * 2},
        {300, 5500, 1, 5501 * 2},                  // fewer than the hint: the block is cut to them
        {5500, 2000, 3, 8004 * 2},                 // more: reads of 2001, 2001 and 4002
        {5500, 2000000000, 1, 600 * 1000 * 2},     // a hint past the cap sizes no more than the cap
    };
    for (const auto& c : cases) {
        auto* tone = new HintedTone(monoAt(1000), c.frames, c.hint);
        const heron::counted_ptr<egret::SoundDataSource> source(tone);
        const auto block = egret::readAllSamples(source);
        ASSERT_TRUE(block) << c.hint;
        EXPECT_EQ(block->size(), std::size_t(c.frames) * 2) << c.hint;
        EXPECT_EQ(tone->reads, c.reads) << c.hint;
        EXPECT_LE(block->capacity(), c.capacity) << c.hint;
        std::int16_t last = 0;
        std::memcpy(&last, block->data() + block->size() - 2, 2);
        EXPECT_EQ(last, ToneSource::sampleAt(c.frames - 1, 0)) << c.hint;
    }
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
