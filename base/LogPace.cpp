#include "base/LogPace.h"

#include "base/Debug.h"

namespace heron
{

LogPace::LogPace(int perSecond, const char* what, double (*clock)())
    : m_lines(perSecond, 1.0), m_what(what), m_clock(clock)
{
}

bool LogPace::allow()
{
    settle();
    if (m_lines.allow(m_clock())) {
        return true;
    }
    ++m_leftOut;
    return false;
}

void LogPace::settle()
{
    if (m_leftOut == 0 || m_lines.isOpen(m_clock())) {
        return;
    }
    debug("(%d more %s left out)\n", m_leftOut, m_what);
    m_leftOut = 0;
}

}
