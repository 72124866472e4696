#include "platform/OpenALAudioDevice.h"

#include "support/Eventually.h"
#include "support/LoopbackAudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{

constexpr int rate = plat::LoopbackAudio::rate;
constexpr int tenthOfASecond = rate / 10;

// Fills a buffer with a 441 Hz tone at half of full scale.
void fillWithTone(plat::AudioBuffer& buffer, int channels)
{
    static_cast<void>(buffer.write(0, buffer.size(), [&](std::uint8_t* dest, std::uint32_t bytes, plat::BufferRegion) {
        for (std::uint32_t i = 0; i < bytes / 2; ++i) {
            const auto sample = static_cast<std::int16_t>(16000 * std::sin(2 * M_PI * 441 * (i / channels) / rate));
            std::memcpy(dest + i * 2, &sample, 2);
        }
    }));
}

class LoopbackTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loopback.isOpen()) << "OpenAL offers no loopback device";
        device = loopback.takeDevice();
    }
    std::unique_ptr<plat::AudioBuffer> tone(int channels, double seconds, plat::PositionalControl control)
    {
        const plat::AudioFormat format{channels, 16, rate};
        auto buffer = device->createBuffer(format, static_cast<std::uint32_t>(seconds * rate) * format.bytesPerFrame(), control);
        EXPECT_TRUE(buffer);
        fillWithTone(*buffer, channels);
        return buffer;
    }
    // The level of a channel (0 left, 1 right) over a tenth of a second, after a tenth to settle.
    double level(int channel = 0)
    {
        loopback.render(tenthOfASecond);
        return plat::channelLevel(loopback.render(tenthOfASecond), channel);
    }

    plat::LoopbackAudio loopback;
    std::unique_ptr<plat::OpenALAudioDevice> device;
};

}

TEST_F(LoopbackTest, SoundToTheListenersRightIsLouderOnTheRight)
{
    const auto buffer = tone(1, 0.5, plat::PositionalControl::Yes);
    buffer->setPosition({5.0f, 0.0f, 0.0f});
    ASSERT_TRUE(buffer->play());
    EXPECT_GT(level(1), 1000.0);
    EXPECT_GT(level(1), 10 * level(0));

    buffer->setPosition({-5.0f, 0.0f, 0.0f});
    EXPECT_GT(level(0), 10 * level(1));

    plat::AudioListener facingRight;
    facingRight.front = {1.0f, 0.0f, 0.0f};
    device->setListener(facingRight);
    buffer->setPosition({0.0f, 5.0f, 0.0f});        // ahead in the world is now to the listener's left
    EXPECT_GT(level(0), 10 * level(1));

    plat::AudioListener facingBack;
    facingBack.front = {0.0f, -1.0f, 0.0f};
    device->setListener(facingBack);
    buffer->setPosition({5.0f, 0.0f, 0.0f});        // the world's right is now the listener's left
    EXPECT_GT(level(0), 10 * level(1));
}

TEST_F(LoopbackTest, VolumeStepsInHundredthsOfADecibelMatchTheirGains)
{
    const auto buffer = tone(2, 0.5, plat::PositionalControl::No);
    ASSERT_TRUE(buffer->play());
    const double full = level();
    ASSERT_GT(full, 1000.0);
    for (const int step : {-100, -600, -2000}) {
        buffer->setVolume(step);
        EXPECT_NEAR(level() / full, std::pow(10.0, step / 2000.0), 0.01) << step;
    }
    buffer->setVolume(-10000);
    EXPECT_LT(level(), 1.0);
}

TEST_F(LoopbackTest, PlayCursorFollowsTheMixAndAStarvedBufferLoopsOverWhatItHolds)
{
    const auto buffer = tone(2, 0.5, plat::PositionalControl::No);
    const std::uint32_t bytesPerTenth = tenthOfASecond * 4;
    ASSERT_TRUE(buffer->setPlayCursor(bytesPerTenth));
    ASSERT_TRUE(buffer->play());
    loopback.render(2 * tenthOfASecond);
    std::uint32_t play = 0;
    std::uint32_t write = 0;
    ASSERT_TRUE(buffer->cursors(play, write));
    EXPECT_EQ(play, 3 * bytesPerTenth);
    EXPECT_GT(write, play);
    EXPECT_LE(write - play, bytesPerTenth);

    const std::vector<std::int16_t> later = loopback.render(9 * tenthOfASecond);
    EXPECT_GT(plat::channelLevel(later, 0), 1000.0);
    ASSERT_TRUE(buffer->cursors(play, write));
    EXPECT_EQ(play, 2 * bytesPerTenth);
    EXPECT_TRUE(buffer->isPlaying());

    buffer->stop();
    loopback.render(tenthOfASecond);
    ASSERT_TRUE(buffer->cursors(play, write));
    EXPECT_EQ(play, 2 * bytesPerTenth);
    EXPECT_LT(plat::channelLevel(loopback.render(tenthOfASecond), 0), 1.0);
}

TEST(OpenALAudioDevice, DefaultOutputKeepsABufferPlayingThroughItsPump)
{
    const auto device = plat::OpenALAudioDevice::openDefault();     // OpenAL's null output in the tests
    ASSERT_TRUE(device);
    EXPECT_GT(device->caps().mixingBuffers, 12);
    const auto buffer = device->createBuffer({2, 16, rate}, plat::OpenALAudioDevice::unitBytes, plat::PositionalControl::Yes);
    ASSERT_TRUE(buffer);
    ASSERT_TRUE(buffer->play());
    std::uint32_t play = 0;
    std::uint32_t write = 0;
    int laps = 0;
    std::uint32_t last = 0;
    EXPECT_TRUE(eventually([&] {
        EXPECT_TRUE(buffer->cursors(play, write));
        laps += play < last;
        last = play;
        return laps >= 2;
    }));
}
