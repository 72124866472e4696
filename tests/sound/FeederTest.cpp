#include "sound/Feeder.h"

#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <functional>
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

// A tone that runs a hook when it is closed.
class HookedSource : public ToneSource
{
public:
    HookedSource() : ToneSource(egret::stereo16Format, ToneSource::endless, ToneSource::unknown) {}
    void close() override
    {
        ToneSource::close();
        if (onClose) {
            onClose();
        }
    }

    std::function<void()> onClose;
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

// The stream stops its new sound while the thread, having taken that sound, is still closing the
// one before: the stop is for the new sound and must not be lost.
TEST(Feeder, StopArrivingWhileThePreviousSourceClosesStopsTheNewOne)
{
    egret::Feeder feeder;
    auto* previous = new HookedSource;
    const Source keptPrevious(previous);
    feeder.handOver(keptPrevious);
    feeder.feedOnce();
    auto* next = new ToneSource(egret::stereo16Format, ToneSource::endless, ToneSource::unknown);
    const Source keptNext(next);
    previous->onClose = [&] { feeder.requestStop(); };
    feeder.handOver(keptNext);
    feeder.feedOnce();
    ASSERT_EQ(previous->closes, 1);
    const int reads = next->reads;
    feeder.feedOnce();
    feeder.feedOnce();
    EXPECT_EQ(next->closes, 1);
    EXPECT_EQ(next->reads, reads);
    EXPECT_EQ(feeder.sourceFed(), nullptr);
    EXPECT_EQ(keptNext.refCount(), 1);
}

// Skipping drops what is filled at once and the rest from the source before more is filled; a
// skip past the end of the source ends it.
TEST(Feeder, SkipMovesTheSoundOnByWholeFrames)
{
    const struct
    {
        int frames;
        std::uint64_t skippedFrames;
        bool ended;
    } cases[] = {
        {ToneSource::endless, 3 * chunk / 4 + 1030, false},
        {20000, 3 * chunk / 4 + 20000, true},
    };
    for (const auto& c : cases) {
        egret::Feeder feeder;
        feeder.handOver(Source(new ToneSource(egret::stereo16Format, c.frames, ToneSource::unknown)));
        for (int i = 0; i < 3; ++i) {
            feeder.feedOnce();
        }
        ASSERT_EQ(feeder.filled(), 3 * chunk);
        feeder.skip(c.skippedFrames * 4);
        EXPECT_EQ(feeder.filled(), 0u);
        feeder.feedOnce();
        EXPECT_EQ(feeder.ended(), c.ended) << c.frames;
        if (c.ended) {
            continue;
        }
        std::vector<std::int16_t> block(chunk / 2);
        feeder.copyFirst(reinterpret_cast<std::uint8_t*>(block.data()), chunk);
        const int first = static_cast<int>(c.skippedFrames);
        EXPECT_EQ(block[0], ToneSource::sampleAt(first, 0));
        EXPECT_EQ(block[chunk / 2 - 1], ToneSource::sampleAt(first + static_cast<int>(chunk / 4) - 1, 1));
    }
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
    EXPECT_TRUE(log.contains("Feeder: broken\n"));
    EXPECT_TRUE(feeder.ended());
}
