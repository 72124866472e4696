#pragma once

#include "platform/AudioDevice.h"

#include "base/Mutex.h"
#include "base/threads/Thread.h"

#include <AL/alc.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace plat
{

class OpenALAudioBuffer;
class OpenALPump;

// A sound output over OpenAL Soft. Each looping buffer is a byte ring of its own size played by one
// OpenAL source from a short queue of segments that a pump refills from the ring behind the play
// cursor: the play cursor is the ring offset of the queue's head plus the source's byte offset, the
// write cursor the end of the queued bytes. Positions go to OpenAL as (x, z, -y) of the game's
// axes, with inverse-distance clamped fading. One device at a time: it makes its context current
// for the whole process.
class OpenALAudioDevice : public AudioDevice
{
public:
    // The unit of buffer sizes: 100 ms of stereo 16-bit 44100 Hz.
    static constexpr std::uint32_t unitBytes = 17640;

    enum class Pumping
    {
        Thread,     // a thread of the device refills the queues every few milliseconds
        ByOwner,    // the owner calls pump() (a loopback device rendered on demand)
    };

    // OpenAL's default output device, pumped by its own thread; null, logged, when none opens.
    [[nodiscard]] static std::unique_ptr<OpenALAudioDevice> openDefault();

    // Takes over an open device and its context and makes the context current.
    OpenALAudioDevice(ALCdevice* device, ALCcontext* context, Pumping pumping);
    // Stops the pump and closes the device. Its buffers must be gone.
    ~OpenALAudioDevice() override;
    OpenALAudioDevice(const OpenALAudioDevice&) = delete;
    OpenALAudioDevice& operator=(const OpenALAudioDevice&) = delete;

    // One refill round: every playing buffer hands its played segments back and queues the next
    // ones from its ring. Any thread.
    void pump();

    std::uint32_t primaryBufferBytes() const override { return unitBytes; }
    bool hasListener() const override { return true; }
    AudioCaps caps() override;
    [[nodiscard]] std::unique_ptr<AudioBuffer> createBuffer(const AudioFormat& format, std::uint32_t bytes,
                                              PositionalControl control) override;
    void setListener(const AudioListener& listener) override;

private:
    friend class OpenALAudioBuffer;

    ALCdevice* const m_device;
    ALCcontext* const m_context;
    // Guards every OpenAL call, the buffer list and the buffers' rings.
    heron::Mutex m_lock{"OpenAL device"};
    std::vector<OpenALAudioBuffer*> m_buffers;
    float m_rolloff = 1.0f;
    std::unique_ptr<OpenALPump> m_pump;
    heron::counted_ptr<heron::Thread> m_pumpThread;
};

}
