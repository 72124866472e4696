#include "content/SndDecoder.h"

#include "content/SoundFileFixture.h"
#include "support/SndFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace datafiletest;
using namespace soundtest;

namespace
{

class SndDecoderTest : public SoundFileTest
{
protected:
    // Writes a cache file of the samples as the cache writes one; its decoder expects all of them.
    pelican::SndDecoder& cacheFile(const std::vector<std::int16_t>& samples)
    {
        m_path = write("sea.snd", sndfiles::sndFileOf(samples, egret::stereo16Format)).path;
        m_decoder = std::make_unique<pelican::SndDecoder>(m_path, egret::stereo16Format,
                                                          static_cast<std::uint32_t>(samples.size() * 2), 0);
        return *m_decoder;
    }

    // Cuts the cache file on disk to its header and the first bytes of its samples.
    void cutFile(std::uintmax_t bytes)
    {
        std::filesystem::resize_file(m_path.diskPath().c_str(), pelican::sndHeaderSize + bytes);
    }

    heron::FilePath m_path;
    std::unique_ptr<pelican::SndDecoder> m_decoder;
};

std::vector<std::int16_t> ramp(std::size_t count)
{
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::int16_t>(i * 7);
    }
    return samples;
}

}

TEST_F(SndDecoderTest, FileCutBeforeItOpensIsRefusedOnceWithItsSize)
{
    pelican::SndDecoder& decoder = cacheFile(ramp(2000));
    ASSERT_TRUE(decoder.exists());
    cutFile(1000);
    decoder.rewind();
    std::int16_t frame[2];
    EXPECT_EQ(decoder.read(1, frame), 0);
    decoder.seek(10);
    EXPECT_FALSE(decoder.exists());
    EXPECT_EQ(m_log.count("SndDecoder: "), 1);
    EXPECT_EQ(m_log.count("sea.snd: the file holds 1000 bytes, not the 4000 of its sound\n"), 1);
}

TEST_F(SndDecoderTest, FileCutWhilePlayingEndsTheSoundWithItsFaultLogged)
{
    const std::vector<std::int16_t> samples = ramp(200000);
    pelican::SndDecoder& decoder = cacheFile(samples);
    decoder.rewind();
    std::vector<std::int16_t> block(2 * 4096);
    ASSERT_EQ(decoder.read(4096, block.data()), 4096);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), samples.begin()));
    cutFile(samples.size());
    int frames = 4096;
    for (int got = 1; got > 0; frames += got) {
        got = decoder.read(4096, block.data());
    }
    decoder.close();
    EXPECT_LT(frames, 50000);
    EXPECT_FALSE(decoder.exists());
    EXPECT_EQ(m_log.count("sea.snd: the file ends before its sound\n"), 1);
}
