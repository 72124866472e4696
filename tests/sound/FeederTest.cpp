#include "sound/Feeder.h"

#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace
{

using Source = heron::counted_ptr<egret::SoundDataSource>;

constexpr std::uint32_t ring = egret::stereo16Format.bytesPerSecond;
constexpr std::uint32_t chunk = ring / 32 / 4 * 4;

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

TEST(Feeder, CopiesWrapAroundTheRingInOrderAndPadTheEndWithSilence)
{
    constexpr int frames = 44100 + 3000;
    egret::Feeder feeder;
    feeder.handOver(ToneSource::shared(egret::stereo16Format, frames));
    std::vector<std::int16_t> out;
    while (out.size() <= 2u * frames) {
        while (feeder.feedOnce()) {
        }
        feeder.feedOnce();
        std::vector<std::int16_t> block(chunk * 3 / 2);
        feeder.copyFirst(reinterpret_cast<std::uint8_t*>(block.data()), chunk * 3);
        out.insert(out.end(), block.begin(), block.end());
    }
    for (int f = 0; f < frames; ++f) {
        ASSERT_EQ(out[2 * f], ToneSource::sampleAt(f, 0)) << f;
        ASSERT_EQ(out[2 * f + 1], ToneSource::sampleAt(f, 1)) << f;
    }
    EXPECT_EQ(out[2 * frames], 0);
    EXPECT_TRUE(feeder.ended());
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
}
