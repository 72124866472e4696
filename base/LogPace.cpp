#include "base/LogPace.h"

#include "base/Debug.h"

namespace heron
{

LogPace::LogPace(int perSecond, const char* what, double (*clock)())
    : m_perSecond(perSecond), m_what(what), m_clock(clock)
{
}

bool LogPace::allow()
{
    settle();
    const double now = m_clock();
    if (!m_started) {
        m_started = true;
        m_start = now;
        m_allowed = 0;
    }
    if (m_allowed >= m_perSecond) {
        ++m_leftOut;
        return false;
    }
    ++m_allowed;
    return true;
}

void LogPace::settle()
{
    if (!m_started || m_clock() - m_start < 1.0) {
        return;
    }
    m_started = false;
    if (m_leftOut > 0) {
        debug("(%d more %s left out)\n", m_leftOut, m_what);
        m_leftOut = 0;
    }
}

}
