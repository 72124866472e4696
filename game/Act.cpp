#include "game/Act.h"

Act::Stage& Act::stage(std::int32_t index)
{
    const auto at = static_cast<std::size_t>(index);
    if (m_stages.size() <= at) {
        m_stages.resize(at + 1);
    }
    return m_stages[at];
}

void Act::start()
{
    m_playing = true;
    m_ended = false;
}

void Act::stop()
{
    m_playing = false;
    m_ended = false;
}

void Act::end()
{
    m_playing = false;
    m_ended = true;
}

bool Act::update(bool)
{
    return !m_playing;
}
