#include "gui/gl/FrameRateMeter.h"

#include "platform/Backend.h"

namespace kestrel
{

void FrameRateMeter::reset()
{
    m_index = 0;
    for (double& time : m_times) {
        time = 0.0;
    }
    m_full = false;
    m_enabled = true;
}

void FrameRateMeter::stop()
{
    m_enabled = false;
}

double FrameRateMeter::sample()
{
    if (!m_enabled) {
        return 0.0;
    }
    const double now = plat::backend().now();
    m_times[m_index] = now;
    m_index = (m_index + 1) % ringSize;
    if (m_full) {
        const double span = now - m_times[m_index];
        return span > 0.0 ? (ringSize - 1) / span : 0.0;
    }
    if (m_index == ringSize - 1) {
        m_full = true;
    }
    return 0.0;
}

}
