#pragma once

#include "content/DataFileName.h"
#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"

#include "base/DataSource.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <cstdint>
#include <mutex>

namespace pelican
{

// What a WAV file's header says about its samples.
struct WavHeader
{
    egret::SoundFormat format;
    // Offset of the first sample in the file.
    std::uint32_t dataStart = 0;
    // Frames in the data chunk, no more than the file holds.
    std::int32_t frames = 0;
};

// Reads the header of a RIFF WAVE file of 16-bit PCM, 1 or 2 channels at 1..192000 Hz (the caps of
// base/Limits.h), from the start of source, up to the first sample of its data chunk; the source is
// read little-endian. Chunks before the data chunk are skipped with their pad byte. A bad header
// throws heron::ReadError with its fault.
WavHeader readWavHeader(heron::DataSource& source);

// Plays a WAV file by name. The header is read once, on first use of format, rewind or length;
// the file is opened again for playing by rewind and closed by close. A file that cannot be read
// keeps its fault as error() (its caller logs it with the file's name, in its own words), reads
// nothing and reports the length -1. Read by one thread at a
// time; the header read and copy() may be called from any thread.
class WavDecoder : public egret::SoundDataSource
{
public:
    explicit WavDecoder(const DataFileName& file);
    ~WavDecoder() override;

    // A decoder of the same file with the header already read, sharing nothing open.
    heron::counted_ptr<WavDecoder> copy();
    // The header's fault, empty when the header is good: "File not found", or the reason a bad
    // header was refused with.
    const heron_string& error();

    const egret::SoundFormat& format() override;
    void rewind() override;
    int read(int frames, void* buffer) override;
    void close() override;
    void seek(int frame) override;
    int length() override;
    const heron_string& name() override { return m_file.path.str(); }

private:
    void readHeader();
    void parseHeader();
    void warnAboutRate() const;

    DataFileName m_file;
    std::once_flag m_headerRead;
    WavHeader m_header;
    heron_string m_error;
    heron::counted_ptr<heron::DataSource> m_source;
    std::int32_t m_current = 0;
};

}
