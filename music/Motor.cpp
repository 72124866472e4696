#include "music/Motor.h"

void Motor::setPatternIndex(std::int64_t index)
{
    if (index < 0 || index >= static_cast<std::int64_t>(patternCount)) {
        return;
    }
    m_patternIndex = static_cast<std::size_t>(index);
}
