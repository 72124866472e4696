#include "game/Act.h"

#include "base/Debug.h"
#include "content/world/PelicanObject.h"
#include "game/EnvironmentTransitions.h"
#include "game/Zone.h"
#include "scene/core/Clock.h"

#include <algorithm>
#include <cmath>

namespace
{

// The acts that ended with resetAtEnd, reset one frame later.
std::vector<Act*>& finishedActs()
{
    static std::vector<Act*> acts;
    return acts;
}

Act*& leadingSlot()
{
    static Act* act = nullptr;
    return act;
}

Act*& tetheringSlot()
{
    static Act* act = nullptr;
    return act;
}

Act*& waitingSlot()
{
    static Act* act = nullptr;
    return act;
}

// How far through a span of duration seconds elapsed seconds are; a span of 0 or less is over at
// once (a zero time in a look file must not divide by zero).
double progress(double elapsed, double duration)
{
    return duration > 0.0 ? elapsed / duration : 1.0;
}

double stageDuration(const Act::Stage& stage)
{
    return stage.repeat * stage.cycleTime;
}

}

Act::~Act()
{
    std::erase(finishedActs(), this);
    if (tetheringSlot() == this) {
        tetheringSlot() = nullptr;
    }
    if (leadingSlot() == this) {
        leadingSlot() = nullptr;
    }
    if (waitingSlot() == this) {
        waitingSlot() = nullptr;
    }
}

Act* Act::tethering()
{
    return tetheringSlot();
}

finch::Vector3d Act::tetherPoint() const
{
    return object != nullptr ? objectPosition(*object, verticalOffset) : finch::Vector3d();
}

finch::Vector3d Act::tetherDirection() const
{
    if (object == nullptr) {
        return {};
    }
    const finch::Matrix& placed = object->transform();
    return {placed.at(1, 0), placed.at(1, 1), placed.at(1, 2)};
}

Act* Act::leading()
{
    return leadingSlot();
}

Act* Act::waiting()
{
    return waitingSlot();
}

Act::Stage& Act::stage(std::int32_t index)
{
    const auto at = static_cast<std::size_t>(index);
    if (m_stages.size() <= at) {
        m_stages.resize(at + 1);
    }
    return m_stages[at];
}

int Act::animationCount() const
{
    return object != nullptr ? object->animationCount() : 0;
}

Act::Stage& Act::currentStage()
{
    if (m_stageIndex < 0 || m_stageIndex >= animationCount()) {
        // Logged, not shown in a box: a box would freeze a full-screen game in its loop.
        heron::debug("Act::currentStage() - stage is out of range!\n");
        return stage(0);
    }
    return stage(m_stageIndex);
}

std::int32_t Act::currentConstraint()
{
    return m_shrinking ? 0 : currentStage().constraint;
}

heron_string Act::animationName(int i) const
{
    return object != nullptr ? object->animationName(i) : heron_string(pelican::PelicanObject::noAnimationName);
}

void Act::start()
{
    if (!enable || object == nullptr) {
        return;
    }
    const double now = finch::Clock::now();
    m_playing = true;
    m_ended = false;
    m_groundSpeed = animationCount() == 0 ? object->pathSpeed() : 0.0;
    m_stageStartSpeed = 0.0;
    m_stageStart = now;
    m_speedChangeStart = now;
    m_growing = growAtBeginning;
    if (m_growing) {
        object->setScale(0.0);
        m_growStart = now;
        if (!moveWhileGrowing) {
            m_stageStart += growTime;
            m_speedChangeStart += growTime;
        }
    }
    m_shrinking = false;
    m_shrinkStartPosition = -1.0;
    waitingSlot() = nullptr;
    m_pathPosition = 0.0;
    m_stageIndex = 0;
    m_decelerating = false;
    object->setActive(true);
    object->setAnimation(0, 0.0);
    object->setPathPosition(0.0);
}

bool Act::runScale(double now)
{
    bool timing = true;
    if (m_growing) {
        const float f = easeCosF(static_cast<float>(progress(now - m_growStart, growTime)));
        object->setScale(f);
        m_growing = f < 1.0f;
        timing = moveWhileGrowing;
    }
    if (m_shrinking) {
        const float f = easeCosF(static_cast<float>(1.0 - progress(now - m_shrinkStart, shrinkTime)));
        object->setScale(f);
        if (f == 0.0f) {
            end();
        }
        timing = false;
    }
    return timing;
}

void Act::runStages(double now)
{
    const int count = animationCount();
    double duration = stageDuration(currentStage());
    while (now - m_stageStart > duration) {
        ++m_stageIndex;
        if (m_stageIndex >= count) {
            m_playing = false;
            return;
        }
        m_stageStart += duration;
        duration = stageDuration(currentStage());
        m_stageStartSpeed = m_groundSpeed;
        m_speedChangeStart = now;
    }
}

void Act::startDeceleration(double now)
{
    const double braking = m_groundSpeed * decelerationTime * 0.5;
    const double remaining = object->pathLength() - m_pathPosition;
    if (braking <= 0.0 || remaining >= braking) {
        return;
    }
    m_decelerating = true;
    m_decelerationStart = now;
    m_decelerationSpeed = m_groundSpeed;
    m_decelerationDuration = remaining * decelerationTime / braking;
}

void Act::runSpeed(double now)
{
    if (!m_decelerating && decelerate && decelerationTime > 0.0 && object->hasPath()) {
        startDeceleration(now);
    }
    if (m_decelerating) {
        m_groundSpeed =
            easeCos(1.0 - progress(now - m_decelerationStart, m_decelerationDuration)) * m_decelerationSpeed;
        return;
    }
    if (m_stageIndex >= animationCount()) {
        return;
    }
    const Stage& playing = currentStage();
    const double ratio = playing.acceleration != 0.0 ? (now - m_speedChangeStart) / playing.acceleration : 1.0;
    m_groundSpeed = ratio < 1.0
                        ? m_stageStartSpeed + (playing.groundSpeed - m_stageStartSpeed) * easeCos(ratio)
                        : playing.groundSpeed;
}

void Act::runAnimation(double now)
{
    if (m_stageIndex >= animationCount()) {
        return;
    }
    const Stage& playing = currentStage();
    const double t = playing.cycleTime > 0.0 ? (now - m_stageStart) / playing.cycleTime : 0.0;
    double phase = std::fmod(t, 1.0);
    if (playing.reverse) {
        phase = 1.0 - phase;
    }
    const bool negated = playing.smooth || std::floor(t) < playing.repeat - 1;
    object->setAnimation(m_stageIndex, negated ? -phase : phase);
}

void Act::runPath()
{
    const double length = object->pathLength();
    // A shrinking act holds at the end until its shrink is over.
    if (!m_shrinking) {
        m_pathPosition += finch::Clock::frameDelta() * m_groundSpeed;
    }
    // A braking act rests at the end once its braking time is over; stepping never quite gets there.
    const bool braked = m_decelerating && m_groundSpeed <= 0.0;
    if (m_pathPosition >= length || braked) {
        m_playing = m_shrinking;
        m_pathPosition = length;
    } else if (actionAtEnd == shrinkAtEnd && shrinkWhileMoving) {
        if (m_shrinkStartPosition < 0.0 && m_groundSpeed > 0.0 &&
            (length - m_pathPosition) / m_groundSpeed < shrinkTime) {
            m_shrinkStartPosition = m_pathPosition;
        }
        if (m_shrinkStartPosition >= 0.0) {
            object->setScale(easeCosF(static_cast<float>(
                1.0 - progress(m_pathPosition - m_shrinkStartPosition, length - m_shrinkStartPosition))));
        }
    }
    object->setPathPosition(m_pathPosition);
}

bool Act::finish(double now)
{
    if (m_shrinking) {
        return false;
    }
    if (actionAtEnd == shrinkAtEnd && m_shrinkStartPosition < 0.0) {
        m_shrinking = true;
        m_shrinkStart = now;
        m_playing = true;
        return true;
    }
    end();
    return false;
}

bool Act::update(bool leading)
{
    if (!m_playing || object == nullptr) {
        return false;
    }
    const double now = finch::Clock::now();
    if (runScale(now) && animationCount() > 0) {
        runStages(now);
    }
    if (m_playing) {
        runSpeed(now);
        runAnimation(now);
        if (object->hasPath()) {
            runPath();
        }
    }
    if (m_playing && leading) {
        leadingSlot() = this;
        if (m_stageIndex < animationCount()) {
            tetheringSlot() = currentStage().tether ? this : nullptr;
        }
    }
    return m_playing || finish(now);
}

void Act::end()
{
    if (leadingSlot() == this) {
        leadingSlot() = nullptr;
    }
    if (tetheringSlot() == this) {
        tetheringSlot() = nullptr;
    }
    if (object != nullptr) {
        switch (actionAtEnd) {
        case hideAtEnd:
            object->setActive(false);
            m_ended = true;
            break;
        case rewindAtEnd:
            object->setAnimation(0, 0.0);
            object->setPathPosition(0.0);
            break;
        case waitAtEnd:
            waitingSlot() = this;
            m_ended = true;
            break;
        case shrinkAtEnd:
            heron::debug("shrink=1  at %f\n", finch::Clock::now());
            object->setScale(1.0);
            object->setActive(false);
            m_ended = true;
            break;
        default: break;
        }
    }
    m_playing = false;
    if (object != nullptr && resetAtEnd) {
        finishedActs().push_back(this);
    }
}

void Act::stop()
{
    if (!enable) {
        return;
    }
    m_playing = false;
    m_ended = false;
    if (object == nullptr) {
        return;
    }
    object->setPathHold(true);
    object->setAnimation(0, 0.0);
    object->setPathPosition(0.0);
    object->setActive(true);
    object->setScale(growAtBeginning ? 0.0 : 1.0);
}

void stopFinishedActs()
{
    std::vector<Act*>& acts = finishedActs();
    while (!acts.empty()) {
        Act* const act = acts.back();
        acts.pop_back();
        act->stop();
    }
}

void updateWaitingAct()
{
    Act* const act = Act::waiting();
    if (act == nullptr || act->object == nullptr || act->stageCount() == 0) {
        return;
    }
    const int last = std::min<int>(act->object->animationCount(), static_cast<int>(act->stageCount())) - 1;
    if (last < 0) {
        return;
    }
    const double cycle = act->stage(last).cycleTime;
    const double phase = cycle > 0.0 ? std::fmod((finch::Clock::now() - act->stageStart()) / cycle, 1.0) : 0.0;
    act->object->setAnimation(last, phase);
}
