#include "content/OggDecoder.h"

#include "content/SoundFileFixture.h"
#include "support/OggPages.h"

#include <gtest/gtest.h>

using namespace datafiletest;
using namespace soundtest;

using OggDecoderTest = SoundFileTest;

namespace
{

// Where each whole page of an Ogg file starts, up to the first byte that starts none.
std::vector<std::size_t> pageStarts(const std::string& bytes)
{
    const auto* const data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::vector<std::size_t> starts;
    for (std::size_t at = 0, length = 0; at < bytes.size(); at += length) {
        length = oggpages::pageLength(data + at, bytes.size() - at);
        if (length == 0) {
            break;
        }
        starts.push_back(at);
    }
    return starts;
}

}

TEST_F(OggDecoderTest, DecodesWhatTheWriterEncodedInEitherLayout)
{
    for (const int channels : {1, 2}) {
        const demo::Pcm pcm = tone(channels, 44100, 0.5);
        pelican::OggDecoder decoder(write("tone.ogg", oggOf(pcm)));
        ASSERT_TRUE(decoder.succeeded()) << channels;
        const egret::SoundFormat& format = decoder.format();
        EXPECT_EQ(format.channels, static_cast<std::uint32_t>(channels));
        EXPECT_EQ(format.frameShift, channels == 1 ? 1u : 2u);
        EXPECT_EQ(format.bytesPerSecond, 44100u * 2 * channels);
        EXPECT_EQ(decoder.totalFrames(), pcm.frames());
        EXPECT_EQ(decoder.length(), -1);
        EXPECT_LT(relativeError(pcm.samples, decodeAll(decoder)), 0.1) << channels;
    }
}

TEST_F(OggDecoderTest, SeekAndCopiesReadTheSameFrames)
{
    const demo::Pcm pcm = tone(2, 32000, 0.5);
    pelican::OggDecoder decoder(write("tone.ogg", oggOf(pcm)));
    const std::vector<std::int16_t> all = decodeAll(*decoder.copy());
    decoder.seek(5000);
    std::vector<std::int16_t> frames(200);
    ASSERT_EQ(decoder.read(100, frames.data()), 100);
    EXPECT_TRUE(std::equal(frames.begin(), frames.end(), all.begin() + 10000));
    EXPECT_EQ(decoder.format().rate, 32000u);
    decoder.close();
}

TEST_F(OggDecoderTest, SeekPastTheEndReadsNothingAndLeavesTheSoundPlayable)
{
    const demo::Pcm pcm = tone(1, 22050, 0.25);
    pelican::OggDecoder decoder(write("tone.ogg", oggOf(pcm)));
    std::vector<std::int16_t> frames(100);
    decoder.seek(int(pcm.frames()) + 1000);
    EXPECT_EQ(decoder.read(100, frames.data()), 0);
    decoder.seek(0);
    EXPECT_EQ(decoder.read(100, frames.data()), 100);
    EXPECT_TRUE(decoder.succeeded());
}

TEST_F(OggDecoderTest, DamagedFilesFailTheProbeOrEndEarly)
{
    const std::string good = oggOf(tone(2, 44100, 4.0));
    std::string flipped = good;
    for (std::size_t i = good.size() / 3; i < good.size(); i += 97) {
        flipped[i] = static_cast<char>(~flipped[i]);
    }
    const std::pair<std::string, bool> cases[] = {
        {"OggS but nothing of Vorbis", false},
        {good.substr(0, 200), false},
        {good.substr(0, good.size() * 2 / 3), true},
        {flipped, true},
    };
    for (const auto& [bytes, probes] : cases) {
        pelican::OggDecoder decoder(write("damaged.ogg", bytes));
        ASSERT_EQ(decoder.succeeded(), probes) << bytes.size();
        const std::vector<std::int16_t> samples = decodeAll(decoder);
        EXPECT_LT(samples.size(), 2u * 44100 * 4 + 1);
    }
    EXPECT_TRUE(m_log.contains("ogg file didn't open\n"));
}

// The last page's granule position tells the stream's length; a damaged one must not size the
// block a whole read decodes into.
TEST_F(OggDecoderTest, DamagedLengthSizesNoBlockBeyondWhatTheBytesCanHold)
{
    const demo::Pcm pcm = tone(2, 44100, 2.0);
    std::string bytes = oggOf(pcm);
    const std::size_t last = pageStarts(bytes).back();
    constexpr std::uint64_t claimed = 1u << 24;
    for (int i = 0; i < 8; ++i) {
        bytes[last + 6 + i] = static_cast<char>(claimed >> 8 * i);
    }
    oggpages::fixChecksums(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    auto* const decoder = new pelican::OggDecoder(write("long.ogg", bytes));
    const heron::counted_ptr<egret::SoundDataSource> source(decoder);
    ASSERT_TRUE(decoder->succeeded());
    EXPECT_EQ(decoder->totalFrames(), std::int64_t{claimed});
    // No more than one frame in a byte's share of the longest block the format has (8192 frames).
    EXPECT_LE(std::size_t(decoder->lengthHint()), bytes.size() / 2 * 4096);
    const heron::counted_ptr<heron::ByteBuffer> block = egret::readAllSamples(source);
    ASSERT_TRUE(block);
    EXPECT_GE(block->size(), pcm.samples.size() * 2);
    EXPECT_LT(block->capacity(), std::size_t{4} << 20);
    // A sound whose length holds keeps its hint whole: its block is read without a copy.
    pelican::OggDecoder whole(write("whole.ogg", oggOf(pcm)));
    EXPECT_EQ(whole.lengthHint(), pcm.frames());
}

// A quiet song at the lowest quality packs far more samples into a byte than music does; read
// whole, its block is still made once, at its length.
TEST_F(OggDecoderTest, ALongQuietSongIsReadWholeIntoOneBlockOfItsLength)
{
    demo::PadSpec quiet;
    quiet.frequencies = {220.0};
    quiet.seconds = 60.0;
    quiet.level = 0.01;
    std::string error;
    const std::string bytes = demo::oggBytes(demo::sinePad(quiet), -0.1f, error);
    ASSERT_EQ(error, "");
    auto* const decoder = new pelican::OggDecoder(write("quiet.ogg", bytes));
    const heron::counted_ptr<egret::SoundDataSource> source(decoder);
    ASSERT_TRUE(decoder->succeeded());
    const auto decodedBytes = static_cast<std::size_t>(decoder->totalFrames()) * 4;
    // More than the 64 decoded bytes a stored byte was once taken to hold at most.
    ASSERT_GT(decodedBytes / bytes.size(), 64u);
    EXPECT_EQ(decoder->lengthHint(), decoder->totalFrames());
    const heron::counted_ptr<heron::ByteBuffer> block = egret::readAllSamples(source);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->size(), decodedBytes);
    // Sized once by the hint (a frame more than it, so that the read ends at once), never grown: a
    // grown block would have lived beside the one it was copied from.
    EXPECT_EQ(block->capacity(), decodedBytes + 4);
}

TEST_F(OggDecoderTest, APageThatFailsItsChecksumIsSkippedAndTheSoundGoesOn)
{
    const demo::Pcm pcm = tone(1, 44100, 20.0);
    std::string bytes = oggOf(pcm);
    const std::vector<std::size_t> pages = pageStarts(bytes);
    ASSERT_GE(pages.size(), 10u);
    const std::size_t middle = pages[pages.size() / 2];
    const std::size_t body = middle + oggpages::headerSize + static_cast<std::uint8_t>(bytes[middle + 26]);
    bytes[body + 5] = static_cast<char>(bytes[body + 5] ^ 0x5A);
    pelican::OggDecoder decoder(write("scratched.ogg", bytes));
    ASSERT_TRUE(decoder.succeeded());
    const std::size_t decoded = decodeAll(decoder).size();
    EXPECT_GT(decoded, pcm.samples.size() * 8 / 10);
    EXPECT_LT(decoded, pcm.samples.size());
    EXPECT_EQ(m_log.count("scratched.ogg: a damaged or missing page was skipped\n"), 1);
}

TEST_F(OggDecoderTest, StreamsOfMoreThanTwoChannelsAreNotPlayed)
{
    demo::Pcm pcm;
    pcm.channels = 3;
    pcm.samples.assign(3 * 4410, 1000);
    pelican::OggDecoder decoder(write("surround.ogg", oggOf(pcm)));
    EXPECT_FALSE(decoder.succeeded());
    decoder.rewind();
    std::int16_t frame[6];
    EXPECT_EQ(decoder.read(1, frame), 0);
    EXPECT_TRUE(m_log.contains("has 3 channels at 44100 Hz, not played\n"));
}

TEST_F(OggDecoderTest, ChainedLinkOfAnotherLayoutEndsTheSound)
{
    // Long enough for several pages: when a chain's first link has all its audio on one page,
    // libvorbisfile opens the chain at the second link.
    const demo::Pcm mono = tone(1, 44100, 10.0);
    // A link of a chain is a stream of its own serial number; the writer gives every file the same.
    std::string second = oggOf(tone(2, 44100, 0.3));
    for (const std::size_t page : pageStarts(second)) {
        second[page + 14] = static_cast<char>(second[page + 14] ^ 0x5A);
    }
    oggpages::fixChecksums(reinterpret_cast<std::uint8_t*>(second.data()), second.size());
    pelican::OggDecoder decoder(write("chained.ogg", oggOf(mono) + second));
    ASSERT_TRUE(decoder.succeeded());
    EXPECT_EQ(decodeAll(decoder).size(), mono.samples.size());
}

// A set-up header whose codebooks the decoder refuses fails the first read; reading or seeking
// again must not try that set-up a second time (libvorbis then divides by zero).
TEST_F(OggDecoderTest, DamagedSetUpHeadersFailOnceAndStayFailed)
{
    const std::string good = oggOf(tone(1, 22050, 0.3));
    const std::size_t setUp = oggpages::pageLength(reinterpret_cast<const std::uint8_t*>(good.data()), good.size());
    int probed = 0;
    // Decoders that probed well and failed at a read or seek, each logged once.
    int failedLater = 0;
    for (std::size_t at = setUp + 100; at < good.size() / 2; at += 7) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
        oggpages::fixChecksums(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
        const int logged = m_log.count("OggDecoder: ");
        pelican::OggDecoder decoder(write("damaged.ogg", bytes));
        const bool probes = decoder.succeeded();
        probed += probes;
        std::int16_t block[2048];
        decoder.rewind();
        for (int i = 0; i < 3; ++i) {
            static_cast<void>(decoder.read(1024, block));
            decoder.seek(100 * i);
        }
        decoder.close();
        failedLater += probes && !decoder.succeeded();
        EXPECT_LE(m_log.count("OggDecoder: ") - logged, 1) << at;
    }
    EXPECT_GT(probed, 0);
    EXPECT_GT(failedLater, 0);
    EXPECT_TRUE(m_log.contains("damaged.ogg: libvorbisfile code "));
}

TEST_F(OggDecoderTest, RefusedFileIsLoggedOnceWithItsName)
{
    pelican::OggDecoder decoder(write("refused.ogg", "OggS but nothing of Vorbis"));
    ASSERT_FALSE(decoder.succeeded());
    decoder.rewind();
    std::int16_t frame[2];
    EXPECT_EQ(decoder.read(1, frame), 0);
    decoder.seek(10);
    EXPECT_EQ(m_log.count("OggDecoder: "), 1);
    EXPECT_EQ(m_log.count("refused.ogg: libvorbisfile code "), 1);
}
