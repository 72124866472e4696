#pragma once

#include "sound/OpenALSoundBuffer.h"
#include "sound/SoundHAL.h"

#include "base/Mutex.h"
#include "base/counted_ptr.h"

#include "platform/AudioDevice.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace egret
{

class OpenALSoundHAL;

// A voice of the OpenAL hardware layer: a looping device buffer of 8 units that the hardware
// update refills from the samples being played, a quarter of the buffer at most per update. A
// one-shot sound is followed by silence until more than two buffers of it have gone out; then the
// voice is idle. A positional looping voice fades between 16 and about 20 times its distance from
// the listener and pauses beyond.
//
// The request operations may be called from any thread and only store requests; everything else
// runs in the hardware update, one thread at a time.
class OpenALSoundPlayer : public SoundPlayer
{
public:
    OpenALSoundPlayer(const SoundFormat& format, plat::PositionalControl control);
    ~OpenALSoundPlayer() override;

    SoundFormat format() const override { return m_format; }
    bool play(const heron::counted_ptr<SoundBuffer>& samples, const PlayParams& params) override;
    void stop() override;
    void setMotion(const Motion& motion) override;
    PlayerStatus status() const override { return m_status.load(); }

    // The voice's share of the hardware update: makes its device buffer on the first update, takes
    // the requests, refills the buffer and fades by distance.
    void update(OpenALSoundHAL& hal);
    // Stops the voice and lets its device buffer go (before the device closes).
    void releaseBuffer();
    bool hasBuffer() const { return m_buffer != nullptr; }

private:
    enum class Mode
    {
        Silence,
        Samples,
    };

    void createBuffer(OpenALSoundHAL& hal);
    void takeMotion();
    void takeRequests();
    void start(const heron::counted_ptr<OpenALSoundBuffer>& samples, const PlayParams& params);
    void stopVoice();
    void refill(std::uint32_t unit);
    void fadeByDistance(const SoundVector& listener);
    void write(std::uint32_t bytes);
    void produce(std::uint8_t* dest, std::uint32_t bytes);
    std::uint32_t copySamples(std::uint8_t* dest, std::uint32_t bytes);
    std::uint32_t writeSilence(std::uint8_t* dest, std::uint32_t bytes);
    void sendMotion();
    // Sets the status unless a play request has come in since (it reports Requested until taken).
    void setStatusUnlessRequested(PlayerStatus status);

    const SoundFormat m_format;
    const plat::PositionalControl m_control;
    heron::Mutex m_bufferLock{"SoundPlayerBufferMutex"};
    heron::Mutex m_requestLock{"SoundPlayerRequestMutex"};
    std::atomic<PlayerStatus> m_status{PlayerStatus::Idle};

    // Requests, under m_requestLock.
    bool m_playPending = false;
    heron::counted_ptr<OpenALSoundBuffer> m_playSamples;
    PlayParams m_playParams;
    bool m_stopPending = false;
    bool m_motionPending = false;
    Motion m_pendingMotion;

    // The update's own state.
    std::unique_ptr<plat::AudioBuffer> m_buffer;
    bool m_creationTried = false;
    bool m_playing = false;
    bool m_pausedByDistance = false;
    PlayParams m_params;
    Motion m_motion;
    std::uint32_t m_writeOffset = 0;
    Mode m_mode = Mode::Silence;
    bool m_looping = false;
    std::uint32_t m_readOffset = 0;
    heron::counted_ptr<OpenALSoundBuffer> m_samples;
    std::uint32_t m_silenceWritten = 0;
    bool m_stopAfterWrite = false;
};

}
