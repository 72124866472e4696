#include "music/Motor.h"

#include "base/Debug.h"
#include "content/SoundCache.h"
#include "sound/SoundFormat.h"
#include "sound/SoundSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

constexpr egret::SoundFormat motorFormat = egret::mono16Format;
constexpr std::int32_t slowestBpm = 10;
// The longest step there is, at the slowest tempo: no note sounds longer, so a note transposed far
// down is cut there instead of growing without bound.
constexpr std::int64_t longestStepFrames = std::int64_t{motorFormat.rate} * 60 / slowestBpm;
// A step is never shorter than this, so that its fade has room.
constexpr std::int64_t shortestStepFrames = 128;
// Without staccato a note fades out over the last frames of its step.
constexpr std::int64_t fadeFrames = 128;
// Passes a read may take before it gives up on the rest of its block.
constexpr int maxPasses = 20;

constexpr std::array<int, 7> majorScale = {0, 2, 4, 5, 7, 9, 11};
constexpr std::array<int, 7> minorScale = {0, 2, 3, 5, 7, 8, 10};

// A note as a scale degree and an octave, rounded down so that notes below 0 fall in lower octaves.
// Worked out in 64 bits, so that every note there is has its octave and semitone.
struct ScaleStep
{
    std::size_t degree;
    std::int64_t octave;
};

ScaleStep scaleStep(std::int32_t note)
{
    const std::int64_t wide = note;
    const std::int64_t octave = wide >= 0 ? wide / 7 : -((6 - wide) / 7);
    return {static_cast<std::size_t>(wide - octave * 7), octave};
}

std::int16_t sampleOrSilence(const std::vector<std::int16_t>& samples, std::size_t index)
{
    return index < samples.size() ? samples[index] : std::int16_t{0};
}

// The sample at a fractional position, linearly between its neighbours; silence past the end.
std::int16_t interpolated(const std::vector<std::int16_t>& samples, double position)
{
    const auto whole = static_cast<std::size_t>(position);
    const int a = sampleOrSilence(samples, whole);
    const int b = sampleOrSilence(samples, whole + 1);
    return static_cast<std::int16_t>(a + static_cast<int>((b - a) * (position - static_cast<double>(whole))));
}

heron::counted_ptr<egret::SoundDataSource> cachedSound(const heron::FilePath& file)
{
    return pelican::getSound(file.c_str());
}

}

// What the sequencer's stream plays: reads the sequencer while it is attached, silence after.
// Stopping the sequencer detaches it, waiting out a read in progress, so the stream may outlive it.
class MotorVoice : public egret::SoundDataSource
{
public:
    explicit MotorVoice(Motor& motor) : m_motor(&motor) {}

    void detach()
    {
        const std::lock_guard lock(m_lock);
        m_motor = nullptr;
    }
    const egret::SoundFormat& format() override
    {
        static const egret::SoundFormat mono = motorFormat;
        return mono;
    }
    void rewind() override
    {
        const std::lock_guard lock(m_lock);
        if (m_motor != nullptr) {
            m_motor->rewind();
        }
    }
    int read(int frames, void* buffer) override
    {
        const std::lock_guard lock(m_lock);
        if (m_motor == nullptr) {
            std::memset(buffer, 0, static_cast<std::size_t>(std::max(frames, 0)) << motorFormat.frameShift);
            return std::max(frames, 0);
        }
        return m_motor->read(frames, buffer);
    }

private:
    std::mutex m_lock;
    Motor* m_motor;
};

std::array<std::int32_t, Motor::stepCount> Motor::Pattern::restingSteps()
{
    std::array<std::int32_t, stepCount> steps;
    steps.fill(rest);
    return steps;
}

Motor::Motor(SampleLoader loader) : m_loader(loader ? std::move(loader) : SampleLoader(cachedSound))
{
}

Motor::~Motor()
{
    stop();
}

void Motor::queueSampleFile(std::size_t pattern, const heron::FilePath& file)
{
    if (pattern >= patternCount) {
        return;
    }
    const std::lock_guard lock(m_lock);
    patterns[pattern].sampleFile = file;
}

bool Motor::isSilent() const
{
    return std::all_of(patterns.begin(), patterns.end(), [](const Pattern& pattern) {
        return std::all_of(pattern.notes.begin(), pattern.notes.end(), [](std::int32_t note) { return note == rest; });
    });
}

void Motor::start()
{
    m_running = true;
    if (!enable || isSilent()) {
        return;
    }
    if (!m_stream && !egret::SoundSystem::hasDied()) {
        m_stream = egret::Streamer::create(motorFormat, egret::StreamKind::Short);
        m_voice = heron::counted_ptr<MotorVoice>(new MotorVoice(*this));
        playVoice();
    }
    if (!m_worker) {
        new heron::Thread(m_worker, this, 2);
    }
}

void Motor::stop()
{
    m_running = false;
    m_stream.stop();
    m_stream.release();
    if (m_voice) {
        m_voice->detach();
        m_voice = {};
    }
    m_worker = {};
    const std::lock_guard lock(m_lock);
    m_notes.clear();
}

void Motor::setPatternIndex(std::int64_t index)
{
    if (index < 0) {
        return;
    }
    m_patternIndex = static_cast<std::size_t>(std::min<std::int64_t>(index, patternCount - 1));
}

bool Motor::volumeSwitchOn = true;

void Motor::setTempo(std::int32_t bpm)
{
    m_tempo = bpm;
    m_framesPerStep = static_cast<std::int32_t>(motorFormat.rate * 60 / static_cast<std::uint32_t>(std::max(bpm, slowestBpm)));
    if (!volumeSwitchOn) {
        m_stream.stop();
    } else if (m_stream.hasSound()) {
        m_stream.setVolume(patternVolume(), 0.0f, egret::AtZero::KeepPlaying);
    } else if (m_voice) {
        // The switch stopped the stream; switched on again, the sequencer plays from its start.
        playVoice();
    }
}

float Motor::patternVolume() const
{
    return static_cast<float>(currentPattern().volume) * 0.01f;
}

void Motor::playVoice()
{
    m_stream.requestPlay(m_voice, patternVolume(), plat::PositionalMode::Flat);
}

void Motor::loadSample()
{
    heron::FilePath file;
    {
        const std::lock_guard lock(m_lock);
        if (!m_notes.empty() || m_playingFile.str().empty()) {
            return;
        }
        file = m_playingFile;
    }
    Samples samples;
    const heron::counted_ptr<egret::SoundDataSource> source = m_loader(file);
    const heron::counted_ptr<heron::ByteBuffer> block = egret::readAllSamples(source);
    if (block) {
        const egret::SoundFormat format = egret::mixDownFor(motorFormat, source->format(), *block);
        if (format.bits == 16 && format.channels == 1) {
            samples.resize(block->size() / 2);
            std::memcpy(samples.data(), block->data(), samples.size() * 2);
        } else {
            heron::debug("!!!Not 16 bit\n");
        }
    }
    const std::lock_guard lock(m_lock);
    // The pattern may have moved on to another file while this one loaded.
    if (m_notes.empty() && m_playingFile == file) {
        m_notes[0] = std::move(samples);
    }
}

int Motor::run()
{
    while (!stopFlag) {
        loadSample();
        heron::sleepMs(20);
    }
    return 0;
}

const egret::SoundFormat& Motor::format()
{
    static const egret::SoundFormat mono = motorFormat;
    return mono;
}

void Motor::rewind()
{
    const std::lock_guard lock(m_lock);
    m_step = 0;
    m_notePosition = 0;
    m_silenceLeft = 0;
    m_playingFile = heron::FilePath();
    m_notes.clear();
    m_stepDone = true;
    m_restart = true;
}

void Motor::followSampleFile()
{
    const heron::FilePath& wanted = currentPattern().sampleFile;
    if (wanted != m_playingFile) {
        m_notes.clear();
        m_playingFile = wanted;
    }
}

const Motor::Samples& Motor::noteSample(const Pattern& pattern, std::int32_t note)
{
    static const Samples none;
    if (note == rest || m_notes.empty()) {
        return none;
    }
    const ScaleStep step = scaleStep(note);
    const std::array<int, 7>& scale = pattern.minor ? minorScale : majorScale;
    const std::int64_t semitone = scale[step.degree] + 12 * step.octave;
    const Samples& original = m_notes[0];
    Samples& transposed = m_notes[semitone];
    if (!transposed.empty() || original.empty()) {
        return transposed;
    }
    // Far enough up the ratio is infinite and the note empty; far enough down it is 0 and the
    // note holds its first sample for the longest step.
    const double ratio = std::exp2(scale[step.degree] / 12.0) * std::exp2(static_cast<double>(step.octave));
    // Capped before the conversion: far enough down, the length overflows any integer.
    const auto frames = static_cast<std::int64_t>(
        std::min(static_cast<double>(original.size()) / ratio, static_cast<double>(longestStepFrames)));
    transposed.resize(static_cast<std::size_t>(frames));
    for (std::int64_t i = 0; i < frames; ++i) {
        transposed[static_cast<std::size_t>(i)] = interpolated(original, static_cast<double>(i) * ratio);
    }
    return transposed;
}

void Motor::startStep(const Pattern& pattern)
{
    m_stepDone = false;
    m_step = m_restart ? 0 : (m_step + 1) % stepCount;
    m_restart = false;
    m_notePosition = 0;
    m_gain = 65535;
    m_stepLength = std::max<std::int64_t>(m_framesPerStep, shortestStepFrames);
    if (pattern.staccato) {
        // Lowered once per sample, the gain falls from full to nothing over a quarter of the step.
        m_fadeStart = m_stepLength / 2;
        m_fadeStep = static_cast<std::int32_t>(131070 / std::max<std::int64_t>(m_stepLength / 2, 1) + 1);
    } else {
        m_fadeStart = std::max<std::int64_t>(m_stepLength - fadeFrames, 0);
        m_fadeStep = 512;
    }
    if (pattern.notes[m_step] == rest) {
        m_silenceLeft = m_stepLength;
        m_stepDone = true;
    }
}

int Motor::writeSilence(std::int16_t* out, int frames)
{
    // A tempo raised during a long silence cuts it short.
    if (m_silenceLeft < m_stepLength - m_framesPerStep) {
        m_silenceLeft = 1;
    }
    const int n = static_cast<int>(std::min<std::int64_t>(m_silenceLeft, frames));
    std::fill_n(out, n, std::int16_t{0});
    m_silenceLeft -= n;
    m_stepDone = m_silenceLeft == 0;
    return n;
}

int Motor::writeNote(const Samples& note, std::int16_t* out, int frames)
{
    if (note.empty()) {
        m_stepDone = true;
        m_silenceLeft = m_stepLength;
        return 0;
    }
    const std::int64_t end = std::min<std::int64_t>(static_cast<std::int64_t>(note.size()), m_stepLength);
    if (m_notePosition >= end) {
        m_stepDone = true;
        m_silenceLeft = m_stepLength - m_notePosition;
        return 0;
    }
    const auto n = static_cast<int>(std::min<std::int64_t>(end - m_notePosition, frames));
    const int plain = static_cast<int>(std::clamp<std::int64_t>(m_fadeStart - m_notePosition, 0, n));
    std::copy_n(note.data() + m_notePosition, plain, out);
    int written = plain;
    for (; written < n && m_gain >= 1; ++written) {
        out[written] = static_cast<std::int16_t>((note[static_cast<std::size_t>(m_notePosition + written)] * m_gain) >> 16);
        m_gain -= m_fadeStep;
    }
    m_notePosition += written;
    if (m_gain < 1) {
        m_stepDone = true;
        m_silenceLeft = m_stepLength - m_notePosition;
    }
    return written;
}

int Motor::read(int frames, void* buffer)
{
    if (frames < 1) {
        return frames;
    }
    auto* out = static_cast<std::int16_t*>(buffer);
    int done = 0;
    const std::lock_guard lock(m_lock);
    followSampleFile();
    if (m_notes.empty()) {
        std::fill_n(out, frames, std::int16_t{0});
        return frames;
    }
    const Pattern& pattern = currentPattern();
    for (int pass = 0; pass < maxPasses; ++pass) {
        if (m_silenceLeft > 0) {
            done += writeSilence(out + done, frames - done);
        }
        if (done == frames) {
            return frames;
        }
        if (m_stepDone) {
            startStep(pattern);
        }
        if (m_silenceLeft == 0) {
            done += writeNote(noteSample(pattern, pattern.notes[m_step]), out + done, frames - done);
        }
    }
    // The stream takes a short read for the end of the sound, so the rest is silence instead.
    heron::debug("Motor::panic!!!\n");
    std::fill(out + done, out + frames, std::int16_t{0});
    return frames;
}
