#include "sound/Feeder.h"

#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace
{

using Source = heron::counted_ptr<egret::SoundDataSource>;

constexpr std::uint32_t ring = egret::stereo16Format.bytesPerSecond;
constexpr std::uint32_t chunk = ring / 32 / 4 * 4;

// Copies bytes out of the feeder as the pass does.
std::vector<std::uint8_t> take(egret::Feeder& feeder, std::uint32_t bytes)
{
    std::vector<std::uint8_t> out(bytes);
    feeder.copyFirst(out.data(), bytes);
    return out;
}

std::int16_t sampleOf(const std::vector<std::uint8_t>& bytes, std::size_t index)
{
    std::int16_t sample = 0;
    std::memcpy(&sample, bytes.data() + index * 2, 2);
    return sample;
}

// A source whose reads throw.
class BrokenSource : public ToneSource
{
public:
    BrokenSource() : ToneSource(egret::stereo16Format, ToneSource::endless, ToneSource::unknown) {}
    int read(int, void*) override { throw std::runtime_error("broken"); }
};

}

TEST(Feeder, HandOverIsInvisibleUntilTheThreadTakesIt)
{
    egret::Feeder feeder;
    auto* tone = new ToneSource(egret::stereo16Format, 100, 100);
    const Source kept(tone);
    feeder.handOver(kept);
    EXPECT_EQ(feeder.filled(), 0u);
    EXPECT_FALSE(feeder.ended());
    EXPECT_EQ(feeder.sourceFed(), tone);
    EXPECT_TRUE(feeder.feedOnce());
    EXPECT_EQ(feeder.ringSize(), ring);
    EXPECT_EQ(feeder.filled(), chunk);
    EXPECT_TRUE(feeder.ended());
    EXPECT_EQ(feeder.sourceFed(), nullptr);
    feeder.feedOnce();
    EXPECT_EQ(tone->closes, 1);
    EXPECT_FLOAT_EQ(feeder.fillFraction(), 0.0f);
}

TEST(Feeder, RoundsHurryWhileMoreThanAThirdIsFreeAndStopOneChunkShortOfFull)
{
    egret::Feeder feeder;
    feeder.handOver(ToneSource::shared(egret::stereo16Format, 1000000));
    int hurried = 0;
    while (feeder.feedOnce()) {
        ++hurried;
    }
    // The round that left no more than a third free still filled a chunk.
    EXPECT_EQ(feeder.filled(), (static_cast<std::uint32_t>(hurried) + 1) * chunk);
    EXPECT_LE(ring - feeder.filled(), ring / 3 + chunk);
    while (feeder.filled() + chunk + 4 < ring) {
        feeder.feedOnce();
    }
    const std::uint32_t full = feeder.filled();
    EXPECT_FALSE(feeder.feedOnce());
    EXPECT_EQ(feeder.filled(), full);
    EXPECT_FLOAT_EQ(feeder.fillFraction(), float(full) / ring);
}

TEST(Feeder, CopiesWrapAroundTheRingInOrderAndPadTheEndWithSilence)
{
    egret::Feeder feeder;
    feeder.handOver(ToneSource::shared(egret::stereo16Format, 44100 + 3000));
    int frame = 0;
    for (int round = 0; round < 40; ++round) {
        while (feeder.feedOnce()) {
        }
        feeder.feedOnce();
        const std::vector<std::uint8_t> bytes = take(feeder, chunk * 3);
        for (std::size_t i = 0; i < bytes.size() / 2 && frame < 44100 + 3000; i += 2, ++frame) {
            ASSERT_EQ(sampleOf(bytes, i), ToneSource::sampleAt(frame, 0)) << frame;
            ASSERT_EQ(sampleOf(bytes, i + 1), ToneSource::sampleAt(frame, 1)) << frame;
        }
        if (frame >= 44100 + 3000) {
            EXPECT_EQ(sampleOf(bytes, bytes.size() / 2 - 1), 0);
            break;
        }
    }
    EXPECT_EQ(frame, 44100 + 3000);
    EXPECT_TRUE(feeder.ended());
}

TEST(Feeder, CopyBeyondWhatIsFilledGivesSilenceForTheRest)
{
    egret::Feeder feeder;
    feeder.handOver(ToneSource::shared(egret::stereo16Format, 1000000));
    feeder.feedOnce();
    const std::vector<std::uint8_t> bytes = take(feeder, chunk + 8);
    EXPECT_EQ(sampleOf(bytes, chunk / 2 - 1), ToneSource::sampleAt(chunk / 4 - 1, 1));
    EXPECT_EQ(sampleOf(bytes, chunk / 2), 0);
    EXPECT_EQ(feeder.filled(), 0u);
}

TEST(Feeder, StopDropsTheSourceAndAWaitingHandOver)
{
    egret::Feeder feeder;
    auto* first = new ToneSource(egret::stereo16Format, ToneSource::endless, ToneSource::unknown);
    const Source kept(first);
    feeder.handOver(kept);
    feeder.feedOnce();
    auto* second = new ToneSource(egret::stereo16Format, ToneSource::endless, ToneSource::unknown);
    const Source held(second);
    feeder.handOver(held);
    feeder.requestStop();
    feeder.feedOnce();
    EXPECT_EQ(first->closes, 1);
    EXPECT_EQ(second->reads, 0);
    EXPECT_EQ(held.refCount(), 1);
    EXPECT_EQ(feeder.sourceFed(), nullptr);
}

TEST(Feeder, UnusableFormatEndsTheSourceAtOnce)
{
    LogCapture log;
    egret::Feeder feeder;
    feeder.handOver(ToneSource::shared(egret::SoundFormat{2, 16, 0, 2, 4, 0}, 1000));
    feeder.feedOnce();
    EXPECT_TRUE(feeder.ended());
    EXPECT_EQ(feeder.filled(), 0u);
    EXPECT_TRUE(log.contains("Feeder: tone.wav has an unusable format\n"));
}

TEST(Feeder, ThrowingSourceEndsTheThreadAndTheSound)
{
    LogCapture log;
    egret::Feeder feeder;
    feeder.handOver(Source(new BrokenSource));
    EXPECT_EQ(feeder.run(), 0);
    EXPECT_TRUE(log.contains("Feeder crashed...\n"));
    EXPECT_TRUE(feeder.ended());
    EXPECT_EQ(feeder.sourceFed(), nullptr);
}
