#include "game/net/ChatRelay.h"

#include <algorithm>

bool ChatRelay::allow(const void* sender, std::uint32_t bytes, double now)
{
    turn(now);
    Part& part = partOf(sender);
    // Within the whole, lines pass as they come; beyond it, only within the sender's part.
    const std::int64_t share =
        std::max(m_leastPart, m_bytesPerSecond / std::int64_t(std::max<std::size_t>(1, m_lastSenders)));
    const bool fits = m_used + bytes <= m_bytesPerSecond || (part.used + bytes <= share && m_used + bytes <= 2 * m_bytesPerSecond);
    if (!fits) {
        ++m_refusedThisSecond;
        return false;
    }
    part.used += bytes;
    m_used += bytes;
    return true;
}

void ChatRelay::turn(double now)
{
    if (m_started && now - m_secondStart < 1.0) {
        return;
    }
    // A second with no chat at all leaves the next one to whoever speaks.
    m_lastSenders = m_started && now - m_secondStart < 2.0 ? m_parts.size() : 0;
    m_started = true;
    m_secondStart = now;
    m_parts.clear();
    m_used = 0;
    m_refusedThisSecond = 0;
}

ChatRelay::Part& ChatRelay::partOf(const void* sender)
{
    const auto found = std::find_if(m_parts.begin(), m_parts.end(), [&](const Part& part) { return part.sender == sender; });
    if (found != m_parts.end()) {
        return *found;
    }
    return m_parts.emplace_back(Part{sender, 0});
}
