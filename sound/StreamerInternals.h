#pragma once

#include "sound/Feeder.h"
#include "sound/SampleDataSource.h"
#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"
#include "sound/SoundObject.h"
#include "sound/Streamer.h"

#include "base/Mutex.h"
#include "base/threads/Thread.h"
#include "base/counted_ptr.h"

#include "platform/AudioDevice.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace egret
{

class SoundSystemInternals;
class StreamerInternals;

// Joins a stream's handles to it. The stream empties it when it is deleted, by a pass after its
// release or by a dying sound system, so a handle used afterwards finds nothing.
struct StreamerLink
{
    enum class State
    {
        Live,
        Released,   // given back by a handle
        Gone,       // deleted by the sound system without a release
    };

    heron::Mutex lock{"Streamer link"};
    // Under lock.
    StreamerInternals* stream = nullptr;
    State state = State::Live;
};

// One stream: a source played through a looping device buffer that each sound pass refills
// behind the play cursor. The game thread's requests (play, stop, volume) are stored under
// "Streamer mutex", which the pass holds while it updates the stream, so a stop from the game
// thread never meets a pass halfway. Without a device nothing is ever played.
//
// The device loops over whatever the buffer holds, so the stream never leaves it bytes of an
// earlier sound to play: a pass with nothing to play (a new sound not decoded yet, a sound that
// has ended) writes silence. A pass that comes after the device has already played past the
// samples written (a stall of the passes) is found by the bytes written ahead and the sound
// system's clock, which tells whole loops of the buffer the cursors cannot; it is logged as an
// underrun and the sound goes on where it would be had nothing stalled.
class StreamerInternals : public SoundObject
{
public:
    // Recent buffer leads kept for the underrun log.
    static constexpr std::size_t leadHistorySize = 32;

    StreamerInternals(SoundSystemInternals& system, const SoundFormat& format, StreamKind kind,
                      std::shared_ptr<StreamerLink> link);
    // "Sound streamer destroyed" (with a buffer); stops, ends the feeder thread, lets the handles know.
    ~StreamerInternals() override;

    // Game thread, through the handles.
    // Hands the stream back to the system, whose next pass deletes it.
    void release();
    void requestPlay(const heron::counted_ptr<SoundDataSource>& source, float volume, plat::PositionalMode mode);
    void stop();
    void setVolume(float volume, float fadeSeconds, AtZero atZero);
    bool hasSound();
    bool isFinished() const;

    // The pass.
    void start() override;
    void update() override;
    void addStatistics(std::vector<StatisticsRecord>& records) override;

    // For tests and diagnostics: whether the buffer plays, its volume now, and the frames played
    // since the current sound began.
    bool isPlaying();
    float currentVolume();
    std::uint32_t framesPlayed();

private:
    struct PlayRequest
    {
        bool pending = false;
        heron::counted_ptr<SoundDataSource> source;
        float volume = 0.0f;
        plat::PositionalMode mode = plat::PositionalMode::Flat;
    };
    struct VolumeRequest
    {
        bool pending = false;
        float volume = 0.0f;
        float seconds = 0.0f;
        AtZero atZero = AtZero::KeepPlaying;
    };
    struct Fade
    {
        AtZero atZero = AtZero::KeepPlaying;
        float start = 1.0f;
        float current = 1.0f;
        float target = 1.0f;
        double startTime = 0.0;
        float duration = 0.0f;
    };

    bool hasFeeder() const { return m_feederThread != nullptr; }
    std::uint32_t bufferSize() const;
    void createBuffer();
    bool takeRequests();
    void play(PlayRequest request);
    [[nodiscard]] bool accepts(SoundDataSource& source);
    void place(plat::PositionalMode mode);
    void refill();
    std::uint64_t cursorAdvance(std::uint32_t play);
    void catchUp(std::uint64_t advance, std::uint32_t play, std::uint32_t write);
    void skipSource(std::uint64_t bytes);
    void noteLead();
    void logUnderrun(std::uint32_t free);
    void feed(std::uint32_t bytes);
    void startFromFeeder();
    void feedFromFeeder(std::uint32_t bytes);
    void feedDirect(std::uint32_t bytes);
    void readDirect(std::uint32_t bytes);
    void markStopping(std::uint32_t pendingSilence);
    void sendSamples(SampleDataSource& source, std::uint32_t bytes);
    void startPlaying(SampleDataSource& source, std::uint32_t bytes);
    void stopNow();
    void stopFeeding();
    void applyVolume();
    void startFade(float volume, float seconds, AtZero atZero);
    void advanceFade();
    float leadFraction() const;

    SoundSystemInternals& m_system;
    const SoundFormat m_format;
    const StreamKind m_kind;
    const std::shared_ptr<StreamerLink> m_link;
    std::uint32_t m_unit = 0;

    heron::Mutex m_lock{"Streamer mutex"};
    // Under m_lock.
    PlayRequest m_playRequest;
    VolumeRequest m_volumeRequest;
    heron::counted_ptr<SoundDataSource> m_current;
    std::unique_ptr<plat::AudioBuffer> m_buffer;
    bool m_playing = false;
    bool m_starting = false;
    bool m_stopping = false;
    std::uint32_t m_writeOffset = 0;
    // The play cursor at the last pass, the bytes written ahead of it then (up to the whole
    // buffer), and the sound system's clock then.
    std::uint32_t m_playCursor = 0;
    std::uint32_t m_lead = 0;
    double m_cursorTime = 0.0;
    std::uint32_t m_framesPlayed = 0;
    std::uint32_t m_silenceWritten = 0;
    Fade m_fade;
    std::array<float, leadHistorySize> m_leads{};
    std::size_t m_leadIndex = 0;
    std::size_t m_leadsNoted = 0;
    BufferSource m_direct;
    Silencer m_silencer{m_silenceWritten};

    // Set by the pass when a direct read comes up short; read by the game thread.
    std::atomic<bool> m_ended{false};
    Feeder m_feeder;
    // Made once by start; read by the game thread only after that.
    std::atomic<bool> m_feederStarted{false};
    heron::counted_ptr<heron::Thread> m_feederThread;
};

}
