#pragma once

#include "content/DataFileName.h"
#include "content/OggStream.h"
#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"

#include "base/ReadError.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <cstdint>

namespace pelican
{

// Plays an Ogg Vorbis file by name. Making it probes the file (opens it, reads its format and
// length, closes it); it opens the file again for playing on its first rewind or seek. Streams of
// more than two channels, or of a rate outside 1..192000 Hz (the caps of base/Limits.h), fail the
// probe. Its length is reported as unknown (-1); totalFrames() tells what the probe found.
//
// The probe, the opening for playing, a read and a seek each catch the stream's heron::ReadError:
// the fault is logged once, "OggDecoder: <file>: <reason>", and the decoder fails: it reads
// nothing more and opens nothing again. A file that is not there, or whose bytes do not begin as
// an Ogg stream, fails the probe unlogged (its caller notes it as missing or tries it as a WAV
// file). Read by one thread at a time.
class OggDecoder : public egret::SoundDataSource
{
public:
    explicit OggDecoder(const DataFileName& file);

    // A closed decoder of the same file with the probe's findings, sharing nothing open.
    heron::counted_ptr<OggDecoder> copy() const;
    // Whether the probe found a playable stream and no later opening, read or seek failed.
    bool succeeded() const { return !m_failed; }
    // Frames of the whole stream as the probe found them; -1 when unknown.
    std::int64_t totalFrames() const { return m_totalFrames; }
    // The file, resolved by the probe.
    const DataFileName& file() const { return m_file; }
    // Why the probe refused a file whose bytes begin as an Ogg stream, or one named ".ogg" whose
    // bytes do not; empty when the probe succeeded, found no file, or declined another kind.
    const heron_string& refusal() const { return m_refusal; }

    const egret::SoundFormat& format() override { return m_format; }
    // The frames the probe found, as far as the file's bytes can hold them at all (a damaged last
    // page can claim far more).
    int lengthHint() override;
    void rewind() override { seek(0); }
    int read(int frames, void* buffer) override;
    void close() override;
    // Opens the stream first when needed.
    void seek(int frame) override;
    const heron_string& name() override { return m_file.path.str(); }

private:
    struct Copy
    {
    };
    OggDecoder(const OggDecoder& other, Copy);

    void probe();
    // The format of the stream just opened; throws heron::ReadError for one this system does not
    // play.
    egret::SoundFormat streamFormat() const;
    // Opens the stream again and checks that it still has the layout the probe found; throws
    // heron::ReadError when it does not.
    void openForPlaying();
    // Logs the fault with the file's name and closes the stream for good.
    void fail(const heron::ReadError& fault);

    DataFileName m_file;
    bool m_failed = true;
    std::int64_t m_totalFrames = -1;
    std::uint32_t m_fileBytes = 0;
    int m_longestBlock = 0;
    heron_string m_refusal;
    egret::SoundFormat m_format;
    OggStream m_stream;
    std::int64_t m_current = 0;
};

}
