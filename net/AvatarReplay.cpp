#include "net/AvatarReplay.h"

#include "base/Limits.h"

namespace
{

// A peer silent for longer than this has its queue emptied, in seconds.
constexpr double silenceGap = 5.0;
// Motion buffered beyond the ping before playing starts, in seconds.
constexpr double bufferMargin = 0.5;

float mix(float a, float b, float f)
{
    return a + (b - a) * f;
}

// Turns from a toward b along the shorter way round.
float mixHeading(float a, float b, float f)
{
    float difference = b - a;
    if (difference > 180) {
        difference -= 360;
    } else if (difference < -180) {
        difference += 360;
    }
    return a + difference * f;
}

}

void PingMeasure::onPing(double now)
{
    const double interval = now - m_lastPing;
    if (m_lastPing == 0) {
        m_lastPing = now;
        return;
    }
    if (!m_filled) {
        m_intervals.fill(interval);
        m_sum = 16 * interval;
        m_ring = 0;
        m_average = interval;
        m_filled = true;
    } else {
        m_sum += interval - m_intervals[m_ring];
        m_intervals[m_ring] = interval;
        m_ring = (m_ring + 1) % m_intervals.size();
        m_average = m_sum * 0.0625;
    }
    m_lastPing = now;
}

bool AvatarReplay::push(const MotionSample& sample, double now)
{
    if (!sample.isPlayable()) {
        return false;
    }
    forgetAfterGap(now);
    if (m_samples.size() >= heron::limits::maxReplaySamples) {
        replaceNewest(sample);
    } else {
        if (!m_samples.empty()) {
            m_buffered += sample.dt;
        }
        m_samples.push_back(sample);
    }
    m_lastPush = now;
    return true;
}

void AvatarReplay::replaceNewest(const MotionSample& sample)
{
    // The newest queued sample is never the one being played from or towards (the queue is
    // longer than two), so the motion on screen does not jump.
    static_assert(heron::limits::maxReplaySamples > 2);
    MotionSample& newest = m_samples.back();
    const float before = newest.dt;
    const float merged = newest.dt + sample.dt;
    newest = sample;
    newest.dt = merged;
    m_buffered += double(merged) - double(before);
}

std::optional<MotionSample> AvatarReplay::step(double ping, double now)
{
    forgetAfterGap(now);
    const double threshold = ping + bufferMargin;
    const bool runningLow = m_buffered <= threshold && !m_playingOut;
    if (!m_playing) {
        if (runningLow) {
            return std::nullopt;
        }
        m_playing = true;
        m_clock = 0;
        m_lastStep = now;
    }
    if (m_samples.empty()) {
        return std::nullopt;
    }
    double elapsed = now - m_lastStep;
    if (runningLow) {
        elapsed *= 0.5;
    }
    m_clock += elapsed;
    while (m_samples.size() > 1 && m_samples[1].dt <= m_clock) {
        m_clock -= m_samples[1].dt;
        m_buffered -= m_samples[1].dt;
        m_samples.pop_front();
    }
    m_lastStep = now;
    if (m_clock < 0) {
        return std::nullopt;
    }
    return current();
}

void AvatarReplay::reset()
{
    m_samples.clear();
    m_playing = false;
    m_playingOut = false;
    m_clock = 0;
    m_buffered = 0;
}

std::optional<MotionSample> AvatarReplay::last() const
{
    return m_samples.empty() ? std::nullopt : std::optional<MotionSample>(m_samples.back());
}

void AvatarReplay::forgetAfterGap(double now)
{
    if (now - m_lastPush > silenceGap) {
        reset();
    }
}

MotionSample AvatarReplay::current() const
{
    const MotionSample& a = m_samples.front();
    if (m_samples.size() == 1) {
        return a;
    }
    const MotionSample& b = m_samples[1];
    const float f = b.dt == 0 ? 0.0f : float(m_clock / b.dt);
    MotionSample mixed = a;
    mixed.x = mix(a.x, b.x, f);
    mixed.y = mix(a.y, b.y, f);
    mixed.z = mix(a.z, b.z, f);
    mixed.roll = mix(a.roll, b.roll, f);
    mixed.pitch = mix(a.pitch, b.pitch, f);
    mixed.heading = mixHeading(a.heading, b.heading, f);
    return mixed;
}
