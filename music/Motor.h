#pragma once

#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "base/threads/Thread.h"
#include "sound/SoundDataSource.h"
#include "sound/Streamer.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

class MotorVoice;

// A level's step sequencer: eight patterns of 16 notes, one per number of rings held, each playing
// its sample transposed to the notes' pitches, in a loop of steps whose length follows the tempo.
// As a sound source it renders the current pattern as mono 16-bit PCM; a worker thread loads the
// pattern's sample so that a read never waits for a file. The main thread sets the tempo and the
// pattern, starts and stops; one sound thread reads; the worker loads.
class Motor : public egret::SoundDataSource, public heron::Threadable
{
public:
    static constexpr std::size_t patternCount = 8;
    static constexpr std::size_t stepCount = 16;
    // The note of a step that plays nothing.
    static constexpr std::int32_t rest = -12345;
    // The player's switch for the sequencers' volume, program-wide and on at start: off, a
    // sequencer's stream stops at its next tempo change; on again, it plays again from there.
    static bool volumeSwitchOn;

    struct Pattern
    {
        heron::FilePath sampleFile;
        std::int32_t volume = 100;
        std::int32_t minBpm = 32;
        std::int32_t maxBpm = 320;
        float minBpmSpeed = 0.0f;
        float maxBpmSpeed = 40.0f;
        bool staccato = false;
        bool minor = false;
        std::array<std::int32_t, stepCount> notes = restingSteps();

        static std::array<std::int32_t, stepCount> restingSteps();
    };

    // Fetches the decoded sound of a sample file; empty when it has none.
    using SampleLoader = std::function<heron::counted_ptr<egret::SoundDataSource>(const heron::FilePath&)>;

    // loader: where samples come from; the sound cache when none is given.
    explicit Motor(SampleLoader loader = {});
    ~Motor() override;
    Motor(const Motor&) = delete;
    Motor& operator=(const Motor&) = delete;

    // Sets the sample file a pattern plays; an index outside the patterns is ignored.
    void queueSampleFile(std::size_t pattern, const heron::FilePath& file);

    // Marks the sequencer running; when enabled and not all rests, also plays it on a stream of
    // its own and starts the worker that loads its samples.
    void start();
    // Ends the stream (waiting out a read in progress), the worker and the transposed notes.
    void stop();
    // Between start and stop.
    bool isRunning() const { return m_running; }
    // Whether every step of every pattern is a rest.
    bool isSilent() const;

    // Chooses the pattern played; an index beyond the last pattern plays the last one, a negative
    // one leaves it unchanged.
    void setPatternIndex(std::int64_t index);
    std::size_t patternIndex() const { return m_patternIndex; }
    const Pattern& currentPattern() const { return patterns[m_patternIndex]; }
    // Sets the steps per minute (10 at least) and the stream's volume to the pattern's.
    void setTempo(std::int32_t bpm);
    // The steps per minute last set; 0 before any.
    std::int32_t tempo() const { return m_tempo; }
    // Frames of one step at the current tempo.
    std::int32_t framesPerStep() const { return m_framesPerStep; }

    // The worker's one round: loads the playing sample when the notes wait for it. Any thread.
    void loadSample();
    int run() override;

    const egret::SoundFormat& format() override;
    void rewind() override;
    int read(int frames, void* buffer) override;

    bool enable = false;
    std::array<Pattern, patternCount> patterns{};

private:
    using Samples = std::vector<std::int16_t>;

    // The samples of a note of a pattern, made from the loaded sample once per semitone; empty for
    // a rest and while no sample is loaded. Under m_lock.
    const Samples& noteSample(const Pattern& pattern, std::int32_t note);
    // The current pattern's volume as the stream's linear volume.
    float patternVolume() const;
    // Has the stream play the sequencer from its start.
    void playVoice();
    // Takes the current pattern's sample file when it changed. Under m_lock.
    void followSampleFile();
    // Moves on to the next step and sets up its note's length and fade.
    void startStep(const Pattern& pattern);
    // Writes up to frames frames of the step's note; returns the frames written.
    int writeNote(const Samples& note, std::int16_t* out, int frames);
    int writeSilence(std::int16_t* out, int frames);

    SampleLoader m_loader;
    std::atomic<std::size_t> m_patternIndex{0};
    std::atomic<std::int32_t> m_framesPerStep{4000};
    std::atomic<std::int32_t> m_tempo{0};
    bool m_running = false;

    // Guards the sample files, the note cache and the playing state below.
    mutable std::mutex m_lock;
    heron::FilePath m_playingFile;
    std::map<std::int64_t, Samples> m_notes;
    bool m_stepDone = true;
    bool m_restart = true;
    std::size_t m_step = 0;
    std::int64_t m_notePosition = 0;
    std::int64_t m_stepLength = 0;
    std::int64_t m_silenceLeft = 0;
    std::int64_t m_fadeStart = 0;
    std::int32_t m_gain = 65535;
    std::int32_t m_fadeStep = 512;

    heron::counted_ptr<heron::Thread> m_worker;
    heron::counted_ptr<MotorVoice> m_voice;
    egret::Streamer m_stream;
};
