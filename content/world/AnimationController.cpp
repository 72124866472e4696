#include "content/world/AnimationController.h"

#include "scene/core/Clock.h"
#include "scene/graph/Object.h"

#include <cmath>

namespace pelican
{

bool AnimationController::preTraverse(finch::Traverser&, finch::Branch&)
{
    const double now = finch::Clock::now();
    for (const AnimationEntry& entry : m_entries) {
        if (entry.object == nullptr) {
            continue;
        }
        const double phase = std::fmod(now / entry.period, 1.0);
        entry.object->setAnimation(std::isfinite(phase) ? -float(phase) : 0.0f);
    }
    return true;
}

void SequenceController::addStep(std::size_t step, const AnimationEntry& entry)
{
    if (m_steps.size() <= step) {
        m_steps.resize(step + 1);
    }
    m_steps[step].push_back(entry);
}

bool SequenceController::preTraverse(finch::Traverser&, finch::Branch&)
{
    if (m_current < 0 || std::size_t(m_current) >= m_steps.size()) {
        return true;
    }
    for (const AnimationEntry& entry : m_steps[std::size_t(m_current)]) {
        if (entry.object != nullptr) {
            entry.object->setAnimation(m_value);
        }
    }
    return true;
}

}
