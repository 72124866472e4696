#include "net/RateLimit.h"

bool RateLimit::allow(double now, int weight)
{
    if (!m_open || now - m_windowStart >= m_window) {
        m_open = true;
        m_windowStart = now;
        m_allowed = 0;
        m_refused = 0;
    }
    if (m_allowed + weight > m_count) {
        ++m_refused;
        return false;
    }
    m_allowed += weight;
    return true;
}
