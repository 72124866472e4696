// The step sequencer rendered into memory: note onsets at two tempos, transposition, staccato,
// fades over split reads, sample changes and the loader thread.
#include "music/Motor.h"
#include "support/Eventually.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace
{

constexpr int sampleFrames = 3000;

// A mono ramp 1000, 1005, 1010, ... of sampleFrames frames.
class RampSample : public egret::SoundDataSource
{
public:
    const egret::SoundFormat& format() override { return m_format; }
    void rewind() override { m_position = 0; }
    int length() override { return sampleFrames; }
    int read(int frames, void* buffer) override
    {
        const int n = std::clamp(sampleFrames - m_position, 0, frames);
        auto* samples = static_cast<std::int16_t*>(buffer);
        for (int i = 0; i < n; ++i) {
            samples[i] = ramp(m_position + i);
        }
        m_position += n;
        return n;
    }

    static std::int16_t ramp(int frame) { return static_cast<std::int16_t>(1000 + 5 * frame); }

private:
    egret::SoundFormat m_format = egret::mono16Format;
    int m_position = 0;
};

// Files named "ramp..." load as a RampSample, others as nothing.
heron::counted_ptr<egret::SoundDataSource> loadRamp(const heron::FilePath& file)
{
    if (std::string(file.c_str()).rfind("ramp", 0) != 0) {
        return {};
    }
    return heron::counted_ptr<egret::SoundDataSource>(new RampSample);
}

// A sequencer whose pattern 0 plays the ramp: the given notes from step 0, rests after.
struct RampMotor
{
    explicit RampMotor(std::vector<std::int32_t> notes, std::int32_t bpm, bool staccato = false)
    {
        motor.queueSampleFile(0, "ramp.wav");
        std::copy(notes.begin(), notes.end(), motor.patterns[0].notes.begin());
        motor.patterns[0].staccato = staccato;
        motor.setTempo(bpm);
        // The first read asks for the sample; the loader's round brings it.
        render(1);
        motor.loadSample();
    }

    std::vector<std::int16_t> render(int frames, int chunk = 4096)
    {
        std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
        for (int done = 0; done < frames;) {
            const int n = std::min(chunk, frames - done);
            EXPECT_EQ(motor.read(n, out.data() + done), n);
            done += n;
        }
        return out;
    }

    Motor motor{loadRamp};
};

// Frames from the start of a block up to its last sounding one.
int soundingFrames(const std::vector<std::int16_t>& block)
{
    const auto last = std::find_if(block.rbegin(), block.rend(), [](std::int16_t s) { return s != 0; });
    return static_cast<int>(block.rend() - last);
}

}

TEST(MotorTest, NotesStartAtTheirStepsAtAnyTempo)
{
    for (const std::int32_t bpm : {600, 882}) {
        SCOPED_TRACE(bpm);
        RampMotor m({0, Motor::rest, 7}, bpm);
        const int step = m.motor.framesPerStep();
        EXPECT_EQ(step, 44100 * 60 / bpm);
        const std::vector<std::int16_t> out = m.render(3 * step);
        EXPECT_EQ(out[0], RampSample::ramp(0));
        EXPECT_EQ(out[1], RampSample::ramp(1));
        EXPECT_TRUE(std::all_of(out.begin() + step, out.begin() + 2 * step, [](std::int16_t s) { return s == 0; }));
        EXPECT_EQ(out[static_cast<std::size_t>(2 * step)], RampSample::ramp(0));
        EXPECT_EQ(out[static_cast<std::size_t>(2 * step + 1)], RampSample::ramp(2));
    }
}

TEST(MotorTest, NoteLengthFollowsItsPitch)
{
    struct Case
    {
        std::int32_t note;
        bool minor;
        int frames;
    };
    const Case cases[] = {
        {0, false, 3000}, {7, false, 1500}, {2, false, 2381}, {2, true, 2522},
        {-7, false, 6000}, {-1, false, 3178}, {-70, false, 8820},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        RampMotor m({c.note}, 300);
        m.motor.patterns[0].minor = c.minor;
        const std::vector<std::int16_t> out = m.render(8820);
        EXPECT_EQ(soundingFrames(out), c.frames);
    }
}

TEST(MotorTest, StaccatoFadesFromTheMiddleOfTheStep)
{
    RampMotor m({0, 0}, 1200, true);
    const int step = m.motor.framesPerStep();
    const std::vector<std::int16_t> out = m.render(2 * step);
    const int fadeStart = step / 2;
    EXPECT_EQ(out[static_cast<std::size_t>(fadeStart - 1)], RampSample::ramp(fadeStart - 1));
    EXPECT_LT(out[static_cast<std::size_t>(fadeStart + 100)], RampSample::ramp(fadeStart + 100));
    const std::vector<std::int16_t> firstStep(out.begin(), out.begin() + step);
    EXPECT_LT(soundingFrames(firstStep), fadeStart + step / 4 + 2);
    EXPECT_GT(soundingFrames(firstStep), fadeStart + step / 4 - 8);
    EXPECT_EQ(out[static_cast<std::size_t>(step)], RampSample::ramp(0));
}

TEST(MotorTest, LegatoNoteFadesOverTheEndOfItsStep)
{
    RampMotor m({0, 0}, 1200);
    const int step = m.motor.framesPerStep();
    const std::vector<std::int16_t> out = m.render(2 * step);
    EXPECT_EQ(out[static_cast<std::size_t>(step - 129)], RampSample::ramp(step - 129));
    EXPECT_LT(out[static_cast<std::size_t>(step - 1)], 200);
    EXPECT_EQ(out[static_cast<std::size_t>(step)], RampSample::ramp(0));
}

TEST(MotorTest, SplitReadsRenderTheSameAsOne)
{
    for (const bool staccato : {false, true}) {
        RampMotor whole({0, 7, Motor::rest, -3}, 1200, staccato);
        RampMotor split({0, 7, Motor::rest, -3}, 1200, staccato);
        EXPECT_EQ(split.render(20000, 7), whole.render(20000)) << staccato;
    }
}

TEST(MotorTest, ReadTooLongForItsPassesIsFilledWithSilence)
{
    const LogCapture log;
    RampMotor m({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 100000);
    const std::vector<std::int16_t> out = m.render(8192, 8192);
    EXPECT_TRUE(log.contains("Motor::panic!!!"));
    EXPECT_EQ(out.back(), 0);
}

TEST(MotorTest, NewSampleFileIsSilentUntilLoaded)
{
    RampMotor m({0}, 300);
    m.motor.queueSampleFile(7, "ramp-other.wav");
    m.motor.patterns[7].notes[0] = 0;
    m.motor.setPatternIndex(8);
    EXPECT_EQ(m.motor.patternIndex(), 7u);
    m.motor.rewind();
    EXPECT_EQ(soundingFrames(m.render(4410)), 0);
    m.motor.loadSample();
    EXPECT_EQ(m.render(4410)[0], RampSample::ramp(0));
}

TEST(MotorTest, MissingSampleLeavesEveryStepSilent)
{
    Motor motor(loadRamp);
    motor.queueSampleFile(0, "missing.wav");
    motor.patterns[0].notes[0] = 0;
    std::vector<std::int16_t> out(4410, 1);
    motor.read(1, out.data());
    motor.loadSample();
    EXPECT_EQ(motor.read(4410, out.data()), 4410);
    EXPECT_EQ(soundingFrames(out), 0);
}

TEST(MotorTest, LoaderThreadFeedsReadsWhilePatternsChange)
{
    Motor motor(loadRamp);
    for (std::size_t p = 0; p < Motor::patternCount; ++p) {
        motor.queueSampleFile(p, p % 2 == 0 ? "ramp-a.wav" : "ramp-b.wav");
        motor.patterns[p].notes.fill(0);
    }
    heron::counted_ptr<heron::Thread> worker;
    new heron::Thread(worker, &motor, 2);
    std::vector<std::int16_t> out(1024);
    for (std::int64_t p = 0; p < 4; ++p) {
        motor.setPatternIndex(p);
        EXPECT_TRUE(eventually([&] {
            motor.read(1024, out.data());
            return soundingFrames(out) > 0;
        }));
    }
    worker = {};
}
