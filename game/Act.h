#pragma once

#include "base/heron_string.h"
#include "scene/math/Vector3d.h"

#include <cstdint>
#include <vector>

namespace pelican
{
class PelicanObject;
}

// A zone's act: the act's object grows in, plays its animations one after another as a table of
// stages while it travels its path at a ground speed that eases between stages, and at the end
// hides, rewinds, stays, keeps looping its last animation or shrinks away. Time comes from the
// scene clock. Main thread only.
class Act
{
public:
    // One stage: animation i of the object repeated a number of cycles.
    struct Stage
    {
        std::int32_t repeat = 1;
        // Path speed in units per second.
        double groundSpeed = 1.0;
        // Seconds per animation cycle.
        double cycleTime = 1.0;
        // Seconds over which the ground speed eases to this stage's; 0 for at once.
        double acceleration = 1.0;
        bool tether = false;
        bool reverse = false;
        bool smooth = false;
        // How far the tethered view may turn away, in percent (0..100).
        std::int32_t constraint = 0;
    };

    // What the object does when the act ends.
    enum EndMode : std::int32_t
    {
        hideAtEnd = 0,
        rewindAtEnd = 1,
        nothingAtEnd = 2,
        waitAtEnd = 3,
        shrinkAtEnd = 4,
    };

    Act() = default;
    ~Act();
    Act(const Act&) = delete;
    Act& operator=(const Act&) = delete;

    // The stage at index, the table grown to hold it (index is at least 0).
    Stage& stage(std::int32_t index);
    std::size_t stageCount() const { return m_stages.size(); }
    // The stage playing; an index past the object's animations is logged and stage 0 used.
    Stage& currentStage();
    std::int32_t currentStageIndex() const { return m_stageIndex; }
    // The tether's angle limit: 0 while shrinking.
    std::int32_t currentConstraint();
    // Where a tethered player circles: the object's position raised by verticalOffset; zero
    // without an object.
    finch::Vector3d tetherPoint() const;
    // The object's forward axis; zero without an object.
    finch::Vector3d tetherDirection() const;
    heron_string animationName(int i) const;

    // Starts an enabled act with an object from its first stage at the path's start.
    void start();
    // One frame of a playing act; false once it no longer plays.
    bool update(bool leading);
    // Applies the end mode and stops playing.
    void end();
    // Back to the state before start: visible at the path's start, frame 0.
    void stop();

    bool isPlaying() const { return m_playing; }
    bool hasEnded() const { return m_ended; }
    bool isShrinking() const { return m_shrinking; }
    double pathPosition() const { return m_pathPosition; }
    double groundSpeed() const { return m_groundSpeed; }
    double stageStart() const { return m_stageStart; }

    // The leading act of the last frame; null once it ended.
    static Act* leading();
    // The act the player is tethered to: the leading act while its stage tethers; null once a
    // stage does not tether or the act ended.
    static Act* tethering();
    // The last act that ended waiting; its object loops its last animation.
    static Act* waiting();

    bool enable = false;
    pelican::PelicanObject* object = nullptr;
    float minDistance = 3.0f;
    float maxDistance = 12.0f;
    float verticalOffset = 0.0f;
    bool immune = false;
    bool objective = false;
    bool master = false;
    bool growAtBeginning = true;
    bool moveWhileGrowing = true;
    double growTime = 1.0;
    std::int32_t actionAtEnd = nothingAtEnd;
    bool resetAtEnd = false;
    bool shrinkWhileMoving = true;
    double shrinkTime = 1.0;
    bool decelerate = false;
    double decelerationTime = 1.0;

private:
    int animationCount() const;
    bool runScale(double now);
    void runStages(double now);
    void runSpeed(double now);
    void runAnimation(double now);
    void runPath();
    void startDeceleration(double now);
    bool finish(double now);

    std::vector<Stage> m_stages;
    bool m_playing = false;
    bool m_ended = false;
    bool m_growing = false;
    bool m_shrinking = false;
    bool m_decelerating = false;
    double m_growStart = 0.0;
    double m_shrinkStart = 0.0;
    // The path position where shrinking while moving began; negative before it is decided.
    double m_shrinkStartPosition = -1.0;
    std::int32_t m_stageIndex = 0;
    double m_stageStart = 0.0;
    double m_speedChangeStart = 0.0;
    double m_pathPosition = 0.0;
    double m_groundSpeed = 0.0;
    double m_stageStartSpeed = 0.0;
    double m_decelerationStart = 0.0;
    double m_decelerationSpeed = 0.0;
    double m_decelerationDuration = 0.0;
};

// Resets the acts that ended with resetAtEnd since the last call; once per frame before the acts.
void stopFinishedActs();
// Loops the waiting act's last animation; once per frame after the acts.
void updateWaitingAct();
