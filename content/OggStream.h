#pragma once

#include "base/DataSource.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <cstdint>
#include <memory>

namespace pelican
{

struct OggStreamInternals;

// One Ogg Vorbis stream decoded by libvorbisfile from one of our byte sources, read through four
// callbacks of our own: reads never run past the source's end, seeks stay inside it. Where
// libvorbisfile reports a failure by its return code, the stream throws heron::ReadError with the
// code in the reason. One thread at a time uses a stream.
class OggStream
{
public:
    OggStream();
    // Closes the stream.
    ~OggStream();
    OggStream(const OggStream&) = delete;
    OggStream& operator=(const OggStream&) = delete;

    // Opens a Vorbis stream over source, which the stream then holds until it closes. Throws
    // heron::ReadError (the source let go) when the bytes are not one. A stream already open is
    // closed first. The name is the file's, for log lines.
    void open(const heron::counted_ptr<heron::DataSource>& source, const heron_string& name);
    bool isOpen() const;
    // Closes the stream and lets its source go.
    void close();

    // The first link's channels and rate; 0 while closed.
    int channels() const;
    int rate() const;
    // Frames of the whole stream; -1 when unknown or closed.
    std::int64_t totalFrames();
    // The frames of the longest block any link codes (one audio packet decodes to half of it at
    // most); 0 while closed.
    int longestBlock();

    // Reads up to bytes bytes of 16-bit signed little-endian samples, interleaved, and returns how
    // many it read: fewer only at the end of the stream or where a chained link changes the
    // channels or the rate (everything after it counts as the end). A lost or damaged page is
    // skipped (logged once per opening) and reading goes on after it. A decoder failure throws
    // heron::ReadError, the bytes of this call dropped; after it, or after a failed seek, the
    // stream reads nothing and seeks nowhere until it is opened again.
    std::uint32_t read(void* buffer, std::uint32_t bytes);
    // Moves to a frame; throws heron::ReadError when the stream cannot go there.
    void seekFrame(std::int64_t frame);

private:
    std::unique_ptr<OggStreamInternals> m_internals;
};

}
