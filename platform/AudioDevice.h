#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// The sound output the sound system plays through: a mixing device and looping sample buffers
// that are written ahead of a play cursor. The program gets OpenAL's default device; tests
// install a device of their own (a fake with a virtual play cursor, or OpenAL's loopback).
namespace plat
{

// PCM layout of a buffer: 1 or 2 interleaved channels of signed 16-bit little-endian samples.
struct AudioFormat
{
    int channels = 2;
    int bits = 16;
    int rate = 44100;

    int bytesPerFrame() const { return channels * bits / 8; }
};

// A vector in the game's axes: x to the right, y ahead, z up.
struct AudioVector
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Where the listener is and how it faces.
struct AudioListener
{
    AudioVector position;
    AudioVector front{0.0f, 1.0f, 0.0f};
    AudioVector top{0.0f, 0.0f, 1.0f};
    AudioVector velocity;
    // How fast positional buffers fade with distance (1 = natural); applies to all of them.
    float rolloff = 1.0f;
};

// Counts of voices the device can mix, for the log.
struct AudioCaps
{
    int mixingBuffers = 0;
    int freeMixingBuffers = 0;
    int positionalBuffers = 0;
    int freePositionalBuffers = 0;
};

enum class PositionalControl
{
    No,
    Yes,
};

enum class PositionalMode
{
    Positional,     // placed by position, distances and the listener
    Flat,           // plays as it is, at full level in the middle
};

enum class BufferRegion
{
    First,          // from the written offset up to the end of the buffer
    Next,           // from the start of the buffer, when a write wraps
};

// Fills dest with bytes bytes of samples; called once per region of a write, in order.
using RegionFill = std::function<void(std::uint8_t* dest, std::uint32_t bytes, BufferRegion region)>;

// A looping buffer of samples. While it plays, the device reads it at the play cursor and wraps at
// its end; bytes from the write cursor up to the play cursor (around the end) may be rewritten,
// the others are already on their way out. A buffer nobody refills keeps looping over what it
// holds. Volumes are in hundredths of a decibel: 0 is the level written, -10000 silence.
// One thread at a time uses a buffer; its device must outlive it.
class AudioBuffer
{
public:
    virtual ~AudioBuffer() = default;

    // Size in bytes, whole frames.
    virtual std::uint32_t size() const = 0;
    // Whether positional settings take effect (the buffer was made with positional control).
    virtual bool hasPositionalControl() const = 0;

    // The byte offsets of the play and write cursors; false when the device failed.
    [[nodiscard]] virtual bool cursors(std::uint32_t& play, std::uint32_t& write) = 0;
    // Moves the play cursor (to whole frames, within the buffer); false when the device failed.
    [[nodiscard]] virtual bool setPlayCursor(std::uint32_t offset) = 0;
    // Lets fill write bytes bytes (at most the size) from offset on, wrapping at the end. fill runs
    // with the device's lock held: it may not call the device. False when the device failed.
    [[nodiscard]] virtual bool write(std::uint32_t offset, std::uint32_t bytes, const RegionFill& fill) = 0;
    // Starts looping from the play cursor; true when it plays.
    [[nodiscard]] virtual bool play() = 0;
    // Stops; the play cursor stays where it was.
    virtual void stop() = 0;
    virtual bool isPlaying() = 0;
    // Attenuation in hundredths of a decibel, -10000..0 (clamped).
    virtual void setVolume(int hundredthsOfDb) = 0;

    // Positional settings; nothing without positional control. A new buffer is positional at the
    // origin with distances 1 and a huge maximum.
    virtual void setMode(PositionalMode mode) = 0;
    virtual void setPosition(const AudioVector& position) = 0;
    virtual void setVelocity(const AudioVector& velocity) = 0;
    // Full level up to minimum, then fading inversely with distance, no further beyond maximum.
    virtual void setDistances(float minimum, float maximum) = 0;
};

// An open sound output. Its buffers are used by one thread at a time each; the device's own
// operations may be called from any thread.
class AudioDevice
{
public:
    virtual ~AudioDevice() = default;

    // Size in bytes of the device's mixing buffer in its own format (stereo 16-bit 44100 Hz):
    // the unit from which the sound system sizes its buffers.
    virtual std::uint32_t primaryBufferBytes() const = 0;
    // Whether the device places sounds around a listener.
    virtual bool hasListener() const = 0;
    virtual AudioCaps caps() = 0;
    // A new stopped, silent buffer of bytes bytes (rounded down to whole frames); null when the
    // device refuses it (format, size or out of voices).
    [[nodiscard]] virtual std::unique_ptr<AudioBuffer> createBuffer(const AudioFormat& format, std::uint32_t bytes,
                                                      PositionalControl control) = 0;
    // Applies all listener settings at once; nothing without a listener.
    virtual void setListener(const AudioListener& listener) = 0;
};

// Makes a device; null when there is none.
using AudioDeviceOpener = std::function<std::unique_ptr<AudioDevice>()>;

// Opens the sound output: the installed opener's device, else OpenAL's default device; null
// (the reason logged) when there is none.
[[nodiscard]] std::unique_ptr<AudioDevice> openAudioDevice();
// Installs the opener openAudioDevice uses; an empty one returns to OpenAL. Main thread only.
void setAudioDeviceOpener(AudioDeviceOpener opener);

}
