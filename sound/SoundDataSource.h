#pragma once

#include "sound/SoundFormat.h"

#include "base/ByteBuffer.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <cstddef>
#include <cstdint>

namespace egret
{

// A source of PCM frames: decoded sound files, the step sequencer, songs and loops. Shared through
// counted_ptr; one consumer reads it at a time (a feeder thread, the update pass, a loader thread
// or a caller of readAllSamples), and a kind that is also changed from another thread guards its
// own state.
class SoundDataSource
{
public:
    virtual ~SoundDataSource() = default;

    // The format of the frames read; valid for the source's life.
    virtual const SoundFormat& format() = 0;
    // Positions the source at its first frame.
    virtual void rewind() = 0;
    // Writes up to frames frames (frames << frameShift bytes) into buffer and returns how many it
    // wrote: fewer only at the end of the sound, 0 at the end. A short read is the end of the sound
    // for every consumer, so a kind reports a decoding error by coming up short.
    virtual int read(int frames, void* buffer) = 0;
    // Releases what the source holds open; after a whole read and when a stream stops using it.
    virtual void close() {}
    // Positions the source at a frame.
    virtual void seek(int frame) {}
    // Total length in frames, or -1 when not known in advance.
    virtual int length() { return -1; }
    // The frames the source expects to yield, -1 when it cannot tell: its length, or for a kind
    // whose length counts as unknown, what its stream's header says, no more than its bytes can
    // hold (a damaged header must not size a block far beyond the sound). Only sizes a whole
    // read, which still ends where the source does.
    virtual int lengthHint() { return length(); }
    // The sound's name (its file name) for the log and to share loaded samples between sounds of
    // the same name; "bad identifier..." unless the kind knows better.
    virtual const heron_string& name();
};

// Reads a whole source (from its first frame) into one block and closes it: in one read when its
// length is known, else in reads that double the block, the first one sized from the source's
// length hint when it has one (so that a hint that holds costs no copy). The block holds exactly
// the frames read; a sound beyond the caps of a whole read (heron::limits::maxSampleSeconds and
// maxSampleBytes) is cut there and logged. Empty for an empty pointer, a source of no frames and a
// source whose format is not usable (logged).
[[nodiscard]] heron::counted_ptr<heron::ByteBuffer> readAllSamples(const heron::counted_ptr<SoundDataSource>& source);

}
