#include "base/PacedLimit.h"

#include "base/Debug.h"

namespace heron
{

PacedLimit::PacedLimit(int count, double window, const char* what, LogPace& lines)
    : m_rate(count, window), m_window(window), m_what(what), m_lines(&lines)
{
}

bool PacedLimit::allow(double now, const char* who)
{
    if (m_rate.allow(now)) {
        return true;
    }
    if (m_rate.refused() != 1 || !m_lines->allow()) {
        return false;
    }
    if (m_window == 1.0) {
        debug("%s from %s dropped: more than %d a second\n", m_what, who, m_rate.limit());
    } else {
        debug("%s from %s dropped: more than %d in %.0f seconds\n", m_what, who, m_rate.limit(), m_window);
    }
    return false;
}

}
