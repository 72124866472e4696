#pragma once

#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"

#include "base/DataSource.h"
#include "base/files/FileDataSource.h"
#include "base/FilePath.h"
#include "base/ReadError.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>

namespace pelican
{

// Scrambles or unscrambles (the same operation) count bytes of a ".snd" cache file that start at
// a position in the file: each byte is XORed with a key that depends only on its position modulo
// 65536.
void scrambleSndBytes(void* bytes, std::uint32_t count, std::uint32_t position);

// What the header at the start of a ".snd" file tells of the samples after it: their layout (16-bit
// samples), how many bytes of them there are, the digest (heron::Digest) of those bytes as stored,
// scrambled, and the digest of the compressed file they were decoded from. Stored little-endian as
// the text "SNDC", the version, then the fields in order, each 32 bits but the 64-bit digests.
struct SndHeader
{
    std::uint32_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t sampleBytes = 0;
    std::uint64_t digest = 0;
    std::uint64_t origin = 0;
};

constexpr std::uint32_t sndHeaderSize = 36;

// The header's bytes as stored.
std::array<std::uint8_t, sndHeaderSize> storedSndHeader(const SndHeader& header);
// Reads a header from the start of source. One of another version (those of older versions of the
// program did not record their origin) or none at all (the headerless files of still older ones)
// throws heron::ReadError with the fault.
SndHeader readSndHeader(heron::DataSource& source);

// Plays a ".snd" cache file: a header, then the scrambled PCM of a decoded sound in the format it
// was decoded from. The file counts only when its header is that of the sound (decoded from the
// compressed bytes the sound has now, in its format and length) and its samples match the header's
// digest, so a file of an earlier version of the sound (a data file updated since), a file left
// short or damaged (by a crash, a full disk, a bad sector) or one written by an older version of
// the program is never played. The file opens on the
// first rewind or seek, its header checked again. Its length is reported as unknown (-1). The
// opening, a seek and a read each catch the heron::ReadError of a file that no longer opens or
// holds fewer bytes than the sound: the fault is logged once, "SndDecoder: <file>: <reason>", and
// the decoder plays nothing more. Read by one thread at a time.
class SndDecoder : public egret::SoundDataSource
{
public:
    // Reads the whole file once to see whether it counts (refresh). origin is the digest of the
    // compressed file the sound is decoded from.
    SndDecoder(const heron::FilePath& path, const egret::SoundFormat& format, std::uint32_t expectedBytes,
               std::uint64_t origin);
    // Warns "!!!!!Warning: File %s was open!" when its file was left open.
    ~SndDecoder() override;

    // Whether the cache file holds the whole sound, as found when made or last refreshed, and no
    // opening or read of it failed since.
    bool exists() const { return m_exists; }
    // Why the file found when made or last refreshed does not count; empty when it counts or there
    // is no file.
    const heron_string& refusal() const { return m_refusal; }
    // Reads the whole file again: its header, its size and the digest of its samples.
    void refresh();
    // A closed decoder of the same file, sharing nothing open, that takes what this one found of
    // the file without reading it again.
    heron::counted_ptr<SndDecoder> copy() const;

    const egret::SoundFormat& format() override { return m_format; }
    // The frames of the whole sound the file must hold.
    int lengthHint() override
    {
        return m_format.bytesPerFrame == 0
            ? -1
            : int(std::min<std::uint32_t>(m_expectedBytes / m_format.bytesPerFrame, std::numeric_limits<int>::max()));
    }
    void rewind() override { seek(0); }
    int read(int frames, void* buffer) override;
    void close() override;
    // Opens the file first when needed.
    void seek(int frame) override;
    const heron_string& name() override { return m_path.str(); }

private:
    struct Twin
    {
    };
    SndDecoder(const SndDecoder& original, Twin);

    // Reads the file's header; throws heron::ReadError when it is not this sound's or the file
    // does not hold the whole sound after it.
    SndHeader checkHeader(heron::DataSource& file) const;
    // Reads the samples after the header; throws heron::ReadError when they do not match its digest.
    static void checkSamples(heron::DataSource& file, const SndHeader& header);
    // Opens the file when it is not open, its position after the header; throws heron::ReadError
    // when it does not open or its header does not serve.
    void open();
    // Logs the fault with the file's path and closes the file for good.
    void fail(const heron::ReadError& fault);

    heron::FilePath m_path;
    egret::SoundFormat m_format;
    std::uint32_t m_expectedBytes;
    std::uint64_t m_origin;
    bool m_exists = false;
    heron_string m_refusal;
    std::unique_ptr<heron::FileDataSource> m_file;
    // Position in the samples, after the header.
    std::uint32_t m_position = 0;
};

}
