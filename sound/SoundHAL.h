#pragma once

#include "sound/Placement.h"
#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"

#include "base/Refcountable.h"
#include "base/counted_ptr.h"

#include "platform/AudioDevice.h"

namespace kestrel
{
class Window;
}

namespace egret
{

// A sound is audible up to 16 times its distance: 256 times the square.
constexpr float audibleRangeSquaredFactor = 256.0f;

// How one sound plays on a voice.
struct PlayParams
{
    bool positional = false;
    bool looping = false;
    float volume = 1.0f;        // linear, 0..1
    float distance = 10.0f;     // full level up to this distance; audible up to 16 times as far
};

enum class PlayerStatus
{
    Requested = 0,      // asked to play; starts at the next update
    Playing = 1,
    Draining = 3,       // the sound has ended; silence goes out before the voice turns idle
    Idle = 4,
};

enum class Loading
{
    AtOnce,             // read on the calling thread before loadBuffer returns
    Queued,             // read by the loader thread; the buffer is loaded some time later
};

// A block of samples in memory, filled at once or by the loader thread. Any thread.
class SoundBuffer : public heron::Refcountable
{
public:
    // Whether the samples are in; frames and format mean something only then.
    virtual bool isLoaded() const = 0;
    // Frames held; 0 until loaded.
    virtual int frames() const = 0;
    // The format of the samples held; stereo 16-bit 44100 Hz until loaded.
    virtual SoundFormat format() const = 0;
};

// One voice. Its operations store requests that the next hardware update carries out; they may be
// called from any thread.
class SoundPlayer : public heron::Refcountable
{
public:
    virtual SoundFormat format() const = 0;
    // Asks the voice to play loaded samples of its own channels, bits and rate; false (logged for
    // a format that does not match) and nothing changes otherwise.
    [[nodiscard]] virtual bool play(const heron::counted_ptr<SoundBuffer>& samples, const PlayParams& params) = 0;
    // Asks the voice to stop; a play asked for at the same time is dropped.
    virtual void stop() = 0;
    virtual void setMotion(const Motion& motion) = 0;
    virtual PlayerStatus status() const = 0;
};

// The sound device: voices, sample buffers, the listener.
class SoundHAL
{
public:
    virtual ~SoundHAL() = default;

    // Opens the device on the first call; then and later true when there is a device.
    [[nodiscard]] virtual bool initialize(kestrel::Window* window) = 0;
    virtual bool isAvailable() const = 0;
    // Drives the voices and hands the listener to the device; the first step of every sound pass.
    virtual void update() = 0;
    // Voices the device can still mix, and mix in 3D; -1 until the device is open.
    virtual int freeMixingChannels() const = 0;
    virtual int free3DChannels() const = 0;

    [[nodiscard]] virtual heron::counted_ptr<SoundPlayer> createPlayer(const SoundFormat& format,
                                                        plat::PositionalControl control) = 0;
    // A loaded buffer of frames silent frames of format; empty for no frames or a bad format.
    [[nodiscard]] virtual heron::counted_ptr<SoundBuffer> createBuffer(const SoundFormat& format, int frames) = 0;
    // A buffer of the source's samples, mixed down to mono when format is mono and the source
    // stereo, otherwise in the source's own format; empty for an empty source.
    [[nodiscard]] virtual heron::counted_ptr<SoundBuffer> loadBuffer(const heron::counted_ptr<SoundDataSource>& source,
                                                      Loading loading, const SoundFormat& format) = 0;
    [[nodiscard]] heron::counted_ptr<SoundBuffer> loadBuffer(const heron::counted_ptr<SoundDataSource>& source,
                                                            Loading loading);
    // The listener the next update hands to the device.
    virtual void setListener(const Placement& placement) = 0;
};

}
