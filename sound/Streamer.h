#pragma once

#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"

#include "base/counted_ptr.h"

#include "platform/AudioDevice.h"

#include <cstdint>
#include <memory>

namespace egret
{

class SoundSystem;
class StreamerInternals;
struct StreamerLink;

// What a stream is for: a long one (a song) gets a buffer of 8 units and, when the thread model
// asks, a feeder thread; a short one (the step sequencer's) a buffer of 3 units and no feeder.
enum class StreamKind : std::uint8_t
{
    Long = 0,
    Short = 1,
};

enum class AtZero
{
    KeepPlaying,
    Stop,       // a fade that reaches volume 0 ends the stream
};

// The game's handle on one stream (see StreamerInternals): it stores requests that the next sound
// pass carries out. Copies share the stream. Every operation may be called from any thread and
// stays safe after the sound system has gone: the stream is then gone too and nothing happens.
class Streamer
{
public:
    // An empty handle.
    Streamer() = default;

    // A stream of format registered with the program's sound system; empty when the format is not
    // usable or the system has died.
    [[nodiscard]] static Streamer create(const SoundFormat& format, StreamKind kind);
    // The same with a given sound system, which must outlive the handle's use (or delete the stream).
    [[nodiscard]] static Streamer create(SoundSystem& system, const SoundFormat& format, StreamKind kind);

    explicit operator bool() const { return m_link != nullptr; }

    // Gives the stream back: the next pass deletes it. This handle goes empty; its copies do
    // nothing from then on. Releasing a stream the dying system has already deleted only logs.
    void release();
    // Plays source from its start at a linear volume from the next pass on, in place of the sound
    // playing; a volume request stored before it is dropped. A source in another format than the
    // stream's is refused then (logged) and the stream stops; an empty source stops it.
    void requestPlay(const heron::counted_ptr<SoundDataSource>& source, float volume, plat::PositionalMode mode);
    // Stops at once.
    void stop();
    // Asks the next pass to fade to volume (clamped to 0..1) over fadeSeconds (0: at once).
    void setVolume(float volume, float fadeSeconds, AtZero atZero);
    // Whether a sound is asked for or playing.
    bool hasSound() const;
    // Whether the sound has run out of samples.
    bool isFinished() const;

    // The stream, for tests; null for an empty or released handle, and once the system is gone.
    // Valid until release or the system's end.
    StreamerInternals* internals() const;

private:
    explicit Streamer(std::shared_ptr<StreamerLink> link) : m_link(std::move(link)) {}

    template <class Use>
    void withStream(Use use) const;

    std::shared_ptr<StreamerLink> m_link;
};

}
