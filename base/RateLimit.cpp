#include "base/RateLimit.h"

namespace heron
{

bool RateLimit::allow(double now, int weight)
{
    if (!isOpen(now)) {
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

}
