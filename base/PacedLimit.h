#pragma once

#include "base/LogPace.h"
#include "base/RateLimit.h"

namespace heron
{

// A rate limit on events others cause (packets, lines, rings), whose refusals the log tells
// through a shared pace: the first event refused in a window logs one line, "<what> from <who>
// dropped: more than <count> a second" (or "in <window> seconds"), when the pace lets it; the
// rest of the window's refusals are silent. Used by one thread at a time; the pace must outlive it.
class PacedLimit
{
public:
    // count events per window of the given seconds; what names them in the log ("Takes").
    PacedLimit(int count, double window, const char* what, LogPace& lines);

    // True when the event at now is let through; who names its source in the log line.
    [[nodiscard]] bool allow(double now, const char* who);
    // Events let through in a window.
    int limit() const { return m_rate.limit(); }

private:
    RateLimit m_rate;
    double m_window;
    const char* m_what;
    LogPace* m_lines;
};

}
