#pragma once

#include "net/Packets.h"

#include <array>
#include <cstddef>
#include <deque>
#include <optional>

// The round-trip time of a connection, from the intervals between the pings each side answers:
// the average of the last 16.
class PingMeasure
{
public:
    // Notes a ping received at now (seconds).
    void onPing(double now);
    // Seconds; 0 until two pings have arrived.
    double average() const { return m_average; }

private:
    double m_lastPing = 0;
    std::array<double, 16> m_intervals{};
    std::size_t m_ring = 0;
    double m_sum = 0;
    double m_average = 0;
    bool m_filled = false;
};

// The received motion of one avatar, replayed a little behind so that it moves smoothly: samples
// are buffered until more than the ping plus half a second of motion is queued, then played with
// interpolation; while the buffer runs low, time passes at half speed. An avatar let go plays out
// what is queued, to its last sample.
class AvatarReplay
{
public:
    // Queues a sample received at now; samples with non-finite fields or a dt outside [0, 5] are
    // dropped (false). A full queue (heron::limits::maxReplaySamples) keeps its length: the
    // sample takes the place of the newest one and adds its dt to it.
    bool push(const MotionSample& sample, double now);
    // Advances the play clock to now and returns the placement to show, if any.
    std::optional<MotionSample> step(double ping, double now);
    // Stops playing and forgets every sample.
    void reset();
    // From now on plays at full speed, at once, whatever is buffered: the motion its sender made
    // before it let the avatar go.
    void playOut() { m_playingOut = true; }
    // True once the last sample queued is shown, or nothing is queued.
    bool isPlayedOut() const { return m_samples.size() <= 1; }
    // The last sample queued; none while nothing is.
    std::optional<MotionSample> last() const;

    std::size_t size() const { return m_samples.size(); }
    bool isPlaying() const { return m_playing; }
    double bufferedTime() const { return m_buffered; }

private:
    void replaceNewest(const MotionSample& sample);
    void forgetAfterGap(double now);
    MotionSample current() const;

    std::deque<MotionSample> m_samples;
    bool m_playing = false;
    bool m_playingOut = false;
    double m_clock = 0;
    double m_buffered = 0;
    double m_lastPush = 0;
    double m_lastStep = 0;
};
