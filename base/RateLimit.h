#pragma once

namespace heron
{

// Lets at most a number of events (or of their weight) through in each window of time: a window
// opens with the first event after the previous window closed, and events beyond the number are
// refused until it closes. The caller passes the time, so any clock serves. Used by one thread at
// a time.
class RateLimit
{
public:
    // count events per window of the given seconds.
    RateLimit(int count, double window) : m_count(count), m_window(window) {}

    // True when the event at now is let through. An event may weigh more than one (bytes, say):
    // it is let through only when all of its weight fits.
    [[nodiscard]] bool allow(double now, int weight = 1);
    // Events refused in the current window.
    int refused() const { return m_refused; }
    // Events (or weight) let through in a window.
    int limit() const { return m_count; }
    // True while the window an earlier event opened is still open at now.
    bool isOpen(double now) const { return m_open && now - m_windowStart < m_window; }

private:
    int m_count;
    double m_window;
    // When the current window opened; none is open before the first event.
    double m_windowStart = 0;
    bool m_open = false;
    int m_allowed = 0;
    int m_refused = 0;
};

}
