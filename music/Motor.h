#pragma once

#include "base/FilePath.h"

#include <array>
#include <cstdint>
#include <vector>

// A level's step sequencer: eight sample patterns, one per number of rings held, played at a tempo
// that follows the flight speed while the level is entered. This holds the patterns and the
// sequencer's running state. Main thread only.
class Motor
{
public:
    static constexpr std::size_t patternCount = 8;
    static constexpr std::size_t stepCount = 16;

    struct Pattern
    {
        std::int32_t volume = 100;
        std::int32_t minBpm = 60;
        std::int32_t maxBpm = 120;
        float minBpmSpeed = 0.0f;
        float maxBpmSpeed = 10.0f;
        bool staccato = false;
        bool minor = false;
        std::array<std::int32_t, stepCount> notes{};
    };

    // Notes a sample file to load for the patterns.
    void queueSampleFile(const heron::FilePath& file) { m_sampleFiles.push_back(file); }
    const std::vector<heron::FilePath>& sampleFiles() const { return m_sampleFiles; }

    void start() { m_running = true; }
    void stop() { m_running = false; }
    bool isRunning() const { return m_running; }

    // Chooses the pattern played; an index outside the patterns leaves it unchanged.
    void setPatternIndex(std::int64_t index);
    std::size_t patternIndex() const { return m_patternIndex; }
    const Pattern& currentPattern() const { return patterns[m_patternIndex]; }
    void setTempo(std::int32_t bpm) { m_tempo = bpm; }
    std::int32_t tempo() const { return m_tempo; }

    bool enable = false;
    std::array<Pattern, patternCount> patterns{};

private:
    std::vector<heron::FilePath> m_sampleFiles;
    std::size_t m_patternIndex = 0;
    std::int32_t m_tempo = 0;
    bool m_running = false;
};
