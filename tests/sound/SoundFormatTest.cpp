#include "sound/SoundFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{

template <class Sample>
std::vector<Sample> mixed(const egret::SoundFormat& format, const std::vector<Sample>& samples, egret::SoundFormat& result)
{
    heron::ByteBuffer block(samples.size() * sizeof(Sample));
    std::memcpy(block.data(), samples.data(), block.size());
    result = egret::mixToMono(format, block);
    std::vector<Sample> out(block.size() / sizeof(Sample));
    std::memcpy(out.data(), block.data(), block.size());
    return out;
}

bool sameFields(const egret::SoundFormat& a, const egret::SoundFormat& b)
{
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

}

TEST(SoundFormat, OnlyStereoMixesToTheFlooredMeanOfEachFrameOfSignedSamples)
{
    egret::SoundFormat result;
    EXPECT_EQ(mixed<std::int16_t>(egret::stereo16Format, {100, 300, -32768, -32768, 32767, 32767, -3, 0}, result),
              (std::vector<std::int16_t>{200, -32768, 32767, -2}));
    EXPECT_TRUE(sameFields(result, egret::mono16Format));
    EXPECT_EQ(mixed<std::int8_t>({2, 8, 22050, 1, 2, 44100}, {-128, -128, 127, 1, -1, 0}, result),
              (std::vector<std::int8_t>{-128, 64, -1}));
    EXPECT_TRUE(sameFields(result, (egret::SoundFormat{1, 8, 22050, 0, 1, 22050})));
    for (const egret::SoundFormat format : {egret::mono16Format, egret::SoundFormat{2, 16, 44100, 7, 4, 176400}}) {
        EXPECT_EQ(mixed<std::int16_t>(format, {1, 2, 3, 4}, result), (std::vector<std::int16_t>{1, 2, 3, 4}));
        EXPECT_TRUE(sameFields(result, format));    // mono or unusable: untouched
    }
}

TEST(SoundFormat, UsableFormatsAreConsistentAndBounded)
{
    EXPECT_TRUE(egret::isUsable(egret::stereo16Format));
    EXPECT_TRUE(egret::isUsable({1, 8, 8000, 0, 1, 8000}));
    const egret::SoundFormat unusable[] = {{3, 16, 44100, 2, 6, 264600}, {2, 24, 44100, 2, 6, 264600},
                                           {2, 16, 0, 2, 4, 0},          {2, 16, 384000, 2, 4, 1536000},
                                           {2, 16, 44100, 1, 4, 176400}, {2, 16, 44100, 2, 2, 176400},
                                           {2, 16, 44100, 2, 4, 88200},  {2, 16, 44100, 40, 4, 176400}};
    for (const egret::SoundFormat& format : unusable) {
        EXPECT_FALSE(egret::isUsable(format)) << format.channels << " " << format.bits << " " << format.frameShift;
    }
}
