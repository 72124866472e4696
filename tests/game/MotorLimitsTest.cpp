// The step sequencer at the edges of its inputs: pattern indices outside the eight patterns,
// tempos below the slowest, patterns of rests only and notes transposed far down.
#include "music/Motor.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <limits>
#include <vector>

namespace
{

constexpr int toneFrames = 3000;
// Frames of a step at 10 steps a minute, the slowest tempo.
constexpr int slowestStepFrames = 44100 * 60 / 10;

// A sequencer whose every pattern plays a mono tone of toneFrames frames, loaded already.
struct ToneMotor
{
    explicit ToneMotor(std::int32_t firstNote)
    {
        for (std::size_t p = 0; p < Motor::patternCount; ++p) {
            motor.queueSampleFile(p, "tone.wav");
        }
        motor.patterns[0].notes[0] = firstNote;
        std::int16_t first = 0;
        motor.read(1, &first);
        motor.loadSample();
    }

    // Reads frames frames in blocks of 4096, each of which must be filled.
    std::vector<std::int16_t> render(int frames)
    {
        std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
        for (int done = 0; done < frames;) {
            const int n = std::min(4096, frames - done);
            EXPECT_EQ(motor.read(n, out.data() + done), n);
            done += n;
        }
        return out;
    }

    Motor motor{[](const heron::FilePath&) { return ToneSource::shared(egret::mono16Format, toneFrames); }};
};

std::ptrdiff_t threadCount()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
}

}

TEST(MotorLimits, PatternIndexStaysWithinThePatterns)
{
    struct Case
    {
        std::int64_t index;
        std::size_t chosen;
    };
    const Case cases[] = {
        {0, 0},
        {7, 7},
        {8, 7},
        {1000, 7},
        {std::numeric_limits<std::int64_t>::max(), 7},
        // A negative index leaves the pattern as it was.
        {-1, 3},
        {std::numeric_limits<std::int64_t>::min(), 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        ToneMotor m(0);
        m.motor.setPatternIndex(3);
        m.motor.setPatternIndex(c.index);
        EXPECT_EQ(m.motor.patternIndex(), c.chosen);
        EXPECT_EQ(&m.motor.currentPattern(), &m.motor.patterns[c.chosen]);
        m.render(2048);
    }
}

TEST(MotorLimits, TempoBelowTheSlowestCountsAsTheSlowest)
{
    struct Case
    {
        std::int32_t bpm;
        std::int32_t frames;
    };
    const Case cases[] = {
        {11, 44100 * 60 / 11}, {10, slowestStepFrames}, {9, slowestStepFrames}, {1, slowestStepFrames},
        {0, slowestStepFrames}, {-60, slowestStepFrames}, {std::numeric_limits<std::int32_t>::min(), slowestStepFrames},
    };
    for (const Case& c : cases) {
        Motor motor;
        motor.setTempo(c.bpm);
        EXPECT_EQ(motor.framesPerStep(), c.frames) << c.bpm;
    }
}

TEST(MotorLimits, RestsOnlyRenderSilence)
{
    ToneMotor m(Motor::rest);
    m.motor.setTempo(6000);
    ASSERT_TRUE(m.motor.isSilent());
    const std::vector<std::int16_t> out = m.render(3 * 16 * m.motor.framesPerStep());
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == 0; }));
}

TEST(MotorLimits, SilentSequencerStartsNoWorker)
{
    ToneMotor m(Motor::rest);
    m.motor.enable = true;
    const std::ptrdiff_t before = threadCount();
    m.motor.start();
    EXPECT_TRUE(m.motor.isRunning());
    EXPECT_EQ(threadCount(), before);
    m.motor.stop();
}

TEST(MotorLimits, FarLowNoteIsCutAtTheLongestStep)
{
    // Fifty octaves down the note would be far longer than memory holds; a hundred down, its
    // length overflows a 64-bit count; the lowest note there is lies 300 million octaves down.
    for (const int note : {-350, -700, std::numeric_limits<std::int32_t>::min()}) {
        SCOPED_TRACE(note);
        ToneMotor m(note);
        m.motor.setTempo(10);
        const std::vector<std::int16_t> out = m.render(slowestStepFrames);
        EXPECT_EQ(out[0], ToneSource::sampleAt(0, 0));
        EXPECT_EQ(out[slowestStepFrames / 2], ToneSource::sampleAt(0, 0));
    }
}

TEST(MotorLimits, FarHighNoteIsSilent)
{
    // Far up the note is shorter than one frame: its step is silent.
    for (const int note : {700, std::numeric_limits<std::int32_t>::max() - 6, std::numeric_limits<std::int32_t>::max()}) {
        SCOPED_TRACE(note);
        ToneMotor m(note);
        m.motor.setTempo(6000);
        const std::vector<std::int16_t> out = m.render(m.motor.framesPerStep());
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == 0; }));
    }
}
