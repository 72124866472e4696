#include "sound/SoundDataSource.h"

#include "sound/SampleDataSource.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace
{

egret::SoundFormat monoAt(std::uint32_t rate)
{
    return {1, 16, rate, 1, 2, 2 * rate};
}

heron::counted_ptr<egret::SoundDataSource> shared(ToneSource* source)
{
    return heron::counted_ptr<egret::SoundDataSource>(source);
}

std::int16_t sampleIn(const heron::ByteBuffer& block, int frame)
{
    std::int16_t sample = 0;
    std::memcpy(&sample, block.data() + frame * 2, 2);
    return sample;
}

}

TEST(ReadAllSamples, UnknownLengthOfExactlyOneSecondTakesTwoReads)
{
    auto* tone = new ToneSource(egret::stereo16Format, 44100, ToneSource::unknown);
    const auto source = shared(tone);
    const auto block = egret::readAllSamples(source);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->size(), 176400u);
    EXPECT_EQ(tone->reads, 2);
    EXPECT_EQ(tone->closes, 1);
}

TEST(ReadAllSamples, UnknownLengthDoublesUntilAShortRead)
{
    auto* tone = new ToneSource(monoAt(1000), 5500, ToneSource::unknown);
    const auto source = shared(tone);
    const auto block = egret::readAllSamples(source);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->size(), 11000u);
    EXPECT_EQ(tone->reads, 4);      // 1000, 1000, 2000, then 4000 asked and 1500 given
    EXPECT_EQ(sampleIn(*block, 5499), ToneSource::sampleAt(5499, 0));
}

TEST(ReadAllSamples, EmptySourceGivesNothingButIsClosed)
{
    for (const int length : {0, ToneSource::unknown}) {
        auto* tone = new ToneSource(monoAt(1000), 0, length);
        const auto source = shared(tone);
        EXPECT_FALSE(egret::readAllSamples(source));
        EXPECT_EQ(tone->closes, 1);
    }
    EXPECT_FALSE(egret::readAllSamples({}));
}

TEST(ReadAllSamples, ShortReadOfAKnownLengthKeepsOnlyTheFramesRead)
{
    auto* tone = new ToneSource(monoAt(1000), 300, 1000);
    const auto source = shared(tone);
    const auto block = egret::readAllSamples(source);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->size(), 600u);
    EXPECT_EQ(sampleIn(*block, 299), ToneSource::sampleAt(299, 0));
}

TEST(ReadAllSamples, EndlessOrOverlongSourcesAreCutAtTenMinutes)
{
    LogCapture log;
    const std::uint32_t tenMinutes = 600 * 100;
    for (const int length : {ToneSource::unknown, 2000000000}) {
        const auto source = shared(new ToneSource(monoAt(100), ToneSource::endless, length, "sea.ogg"));
        const auto block = egret::readAllSamples(source);
        ASSERT_TRUE(block);
        EXPECT_EQ(block->size(), tenMinutes * 2);
    }
    EXPECT_EQ(log.count("readAllSamples() - sea.ogg is longer than 60000 frames, cut there"), 2);
}

TEST(ReadAllSamples, UnusableFormatIsLoggedAndGivesNothing)
{
    LogCapture log;
    auto* tone = new ToneSource({2, 16, 44100, 31, 4, 176400}, 100, 100, "odd.wav");
    const auto source = shared(tone);
    EXPECT_FALSE(egret::readAllSamples(source));
    EXPECT_EQ(tone->reads, 0);
    EXPECT_EQ(tone->closes, 1);
    EXPECT_TRUE(log.contains("odd.wav has an unusable format (2 channels, 16 bits, 44100 Hz)"));
}

TEST(SoundDataSource, KindsWithoutANameAreBadIdentifiers)
{
    class Nameless : public egret::SoundDataSource
    {
        const egret::SoundFormat& format() override { return egret::stereo16Format; }
        void rewind() override {}
        int read(int, void*) override { return 0; }
    } nameless;
    EXPECT_STREQ(nameless.name().c_str(), "bad identifier...");
    EXPECT_EQ(nameless.length(), -1);
}

TEST(SampleDataSource, BufferSourceContinuesIntoTheWrappedRegionAndPadsWithZeros)
{
    egret::BufferSource source;
    source.block().resize(6, false);
    std::memcpy(source.block().data(), "abcdef", 6);
    std::uint8_t ring[8];
    std::memset(ring, '.', sizeof(ring));
    const plat::RegionFill fill = source.regionFill();
    fill(ring + 4, 4, plat::BufferRegion::First);
    fill(ring, 4, plat::BufferRegion::Next);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ring), 8), std::string("ef\0\0abcd", 8));
}

TEST(SampleDataSource, SilencerCountsTheZerosItWrites)
{
    std::uint32_t silence = 10;
    egret::Silencer silencer(silence);
    std::uint8_t ring[6] = {1, 1, 1, 1, 1, 1};
    const plat::RegionFill fill = silencer.regionFill();
    fill(ring + 2, 4, plat::BufferRegion::First);
    fill(ring, 2, plat::BufferRegion::Next);
    EXPECT_EQ(silence, 16u);
    EXPECT_EQ(std::count(ring, ring + 6, 0), 6);
}
