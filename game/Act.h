#pragma once

#include "base/heron_string.h"

#include <cstdint>
#include <vector>

namespace pelican
{
class PelicanObject;
}

// A zone's act: a timed sequence of stages that shows and moves the act's object. This holds the
// act's settings as look files give them and whether it plays; the stages' motion is driven
// elsewhere. Main thread only.
class Act
{
public:
    // One stage of the sequence.
    struct Stage
    {
        std::int32_t repeat = 0;
        double groundSpeed = 0.0;
        double cycleTime = 0.0;
        double acceleration = 0.0;
        bool tether = false;
        bool reverse = false;
        bool smooth = false;
        // How far the tethered view may turn away, in percent (0..100).
        std::int32_t constraint = 0;
    };

    // The stage at index, the table grown to hold it (index is at least 0).
    Stage& stage(std::int32_t index);
    std::size_t stageCount() const { return m_stages.size(); }

    void start();
    // Back to the state before start.
    void stop();
    // Ends a playing act.
    void end();
    // One frame of a playing act; true when it has ended.
    bool update(bool holding);
    bool isPlaying() const { return m_playing; }
    bool hasEnded() const { return m_ended; }

    heron_string name;
    bool enable = false;
    pelican::PelicanObject* object = nullptr;
    float minDistance = 0.0f;
    float maxDistance = 0.0f;
    float verticalOffset = 0.0f;
    bool immune = false;
    bool objective = false;
    bool master = false;
    bool growAtBeginning = false;
    bool moveWhileGrowing = false;
    double growTime = 0.0;
    std::int32_t actionAtEnd = 0;
    bool resetAtEnd = false;
    double shrinkTime = 0.0;
    bool shrinkWhileMoving = false;
    bool decelerate = false;
    double decelerationTime = 0.0;

private:
    std::vector<Stage> m_stages;
    bool m_playing = false;
    bool m_ended = false;
};
