#pragma once

// Lets at most a number of events through in each window of time: a window opens with the first
// event after the previous window closed, and events beyond the number are refused until it
// closes. The caller passes the time, so any clock serves. Used by one thread at a time.
class RateLimit
{
public:
    // count events per window of the given seconds.
    RateLimit(int count, double window) : m_count(count), m_window(window) {}

    // True when the event at now is let through.
    [[nodiscard]] bool allow(double now);
    // Events refused in the current window.
    int refused() const { return m_refused; }

private:
    int m_count;
    double m_window;
    // When the current window opened; none is open before the first event.
    double m_windowStart = 0;
    bool m_open = false;
    int m_allowed = 0;
    int m_refused = 0;
};
