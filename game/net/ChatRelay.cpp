#include "game/net/ChatRelay.h"

#include "base/Debug.h"

#include <algorithm>

ChatRelay::ChatRelay(std::int64_t whole, std::size_t mostSenders, const char* unit, const char* what, heron::LogPace* lines)
    : m_whole(whole)
    , m_leastPart(std::max<std::int64_t>(1, 2 * whole / std::int64_t(mostSenders)))
    , m_unit(unit)
    , m_what(what)
    , m_lines(lines)
{
}

bool ChatRelay::allow(Sender sender, std::int64_t weight, double now)
{
    turn(now);
    const auto found = m_used.find(sender);
    const std::int64_t used = found != m_used.end() ? found->second : 0;
    // Within the whole, lines pass as they come; beyond it, only within the sender's part.
    const bool fits = m_usedAll + weight <= m_whole || (used + weight <= part() && m_usedAll + weight <= 2 * m_whole);
    if (!fits) {
        refuse();
        return false;
    }
    m_used[sender] += weight;
    m_usedAll += weight;
    return true;
}

std::int64_t ChatRelay::part() const
{
    return std::max(m_leastPart, m_whole / std::int64_t(std::max<std::size_t>(1, m_lastSenders)));
}

void ChatRelay::turn(double now)
{
    if (m_started && now - m_secondStart < 1.0) {
        return;
    }
    // A second with no chat at all leaves the next one to whoever speaks.
    m_lastSenders = m_started && now - m_secondStart < 2.0 ? m_used.size() : 0;
    m_started = true;
    m_secondStart = now;
    m_used.clear();
    m_usedAll = 0;
    m_refusedThisSecond = 0;
}

void ChatRelay::refuse()
{
    if (++m_refusedThisSecond != 1 || m_lines == nullptr || !m_lines->allow()) {
        return;
    }
    heron::debug("%s dropped: a sender's lines passed its part of %lld %s a second\n", m_what,
                 static_cast<long long>(part()), m_unit);
}
