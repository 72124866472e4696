#include "sound/SoundFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{

bool sameFields(const egret::SoundFormat& a, const egret::SoundFormat& b)
{
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

template <class Sample>
heron::ByteBuffer blockOf(const std::vector<Sample>& samples)
{
    heron::ByteBuffer block(samples.size() * sizeof(Sample));
    std::memcpy(block.data(), samples.data(), block.size());
    return block;
}

template <class Sample>
std::vector<Sample> samplesOf(const heron::ByteBuffer& block)
{
    std::vector<Sample> samples(block.size() / sizeof(Sample));
    std::memcpy(samples.data(), block.data(), block.size());
    return samples;
}

}

TEST(SoundFormat, StereoSixteenBitMixesToTheFlooredMeanOfEachFrame)
{
    heron::ByteBuffer block = blockOf<std::int16_t>({100, 300, -32768, -32768, 32767, 32767, -3, 0});
    const egret::SoundFormat mono = egret::mixToMono(egret::stereo16Format, block);
    EXPECT_TRUE(sameFields(mono, egret::mono16Format));
    EXPECT_EQ(samplesOf<std::int16_t>(block), (std::vector<std::int16_t>{200, -32768, 32767, -2}));
}

TEST(SoundFormat, StereoEightBitMixesSignedSamples)
{
    heron::ByteBuffer block = blockOf<std::int8_t>({-128, -128, 127, 1, -1, 0});
    const egret::SoundFormat stereo8{2, 8, 22050, 1, 2, 44100};
    const egret::SoundFormat mono = egret::mixToMono(stereo8, block);
    EXPECT_TRUE(sameFields(mono, (egret::SoundFormat{1, 8, 22050, 0, 1, 22050})));
    EXPECT_EQ(samplesOf<std::int8_t>(block), (std::vector<std::int8_t>{-128, 64, -1}));
}

TEST(SoundFormat, MonoAndUnusableFormatsLeaveTheBlockAlone)
{
    const egret::SoundFormat bogusStereo{2, 16, 44100, 7, 4, 176400};
    for (const egret::SoundFormat& format : {egret::mono16Format, bogusStereo}) {
        heron::ByteBuffer block = blockOf<std::int16_t>({1, 2, 3, 4});
        EXPECT_TRUE(sameFields(egret::mixToMono(format, block), format));
        EXPECT_EQ(samplesOf<std::int16_t>(block), (std::vector<std::int16_t>{1, 2, 3, 4}));
    }
}

TEST(SoundFormat, UsableFormatsAreConsistentAndBounded)
{
    const struct
    {
        egret::SoundFormat format;
        bool usable;
    } cases[] = {
        {egret::stereo16Format, true},
        {egret::mono16Format, true},
        {{1, 8, 8000, 0, 1, 8000}, true},
        {{3, 16, 44100, 2, 6, 264600}, false},
        {{2, 24, 44100, 2, 6, 264600}, false},
        {{2, 16, 0, 2, 4, 0}, false},
        {{2, 16, 384000, 2, 4, 1536000}, false},
        {{2, 16, 44100, 1, 4, 176400}, false},
        {{2, 16, 44100, 2, 2, 176400}, false},
        {{2, 16, 44100, 2, 4, 88200}, false},
        {{2, 16, 44100, 40, 4, 176400}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(egret::isUsable(c.format), c.usable) << c.format.channels << " " << c.format.bits << " "
                                                       << c.format.rate << " " << c.format.frameShift;
    }
}

TEST(SoundFormat, PlaybackComparesChannelsBitsAndRateOnly)
{
    egret::SoundFormat odd = egret::stereo16Format;
    odd.bytesPerSecond = 1;
    EXPECT_TRUE(egret::samePlayback(odd, egret::stereo16Format));
    EXPECT_FALSE(egret::samePlayback(egret::mono16Format, egret::stereo16Format));
    EXPECT_FALSE(egret::samePlayback({2, 16, 22050, 2, 4, 88200}, egret::stereo16Format));
}
