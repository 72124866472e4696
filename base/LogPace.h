#pragma once

#include "base/RateLimit.h"

namespace heron
{

// Paces log lines of one kind that outside events can cause at any rate (connections, chat): at
// most a few a second are let through, and once a second that left lines out has passed, one line
// says how many. Reads the seconds clock it is given, so a test can set the time. Used by one
// thread at a time.
class LogPace
{
public:
    // perSecond lines a second; what names the lines in the count line ("lines about connections").
    LogPace(int perSecond, const char* what, double (*clock)());

    // True when a line may be logged now; first logs the count left out in an earlier second.
    [[nodiscard]] bool allow();
    // Logs the count left out once their second has passed: called now and then, so that the end
    // of a burst is told even when no line follows it.
    void settle();

private:
    RateLimit m_lines;
    const char* m_what;
    double (*m_clock)();
    // Lines left out since the count was last logged.
    int m_leftOut = 0;
};

}
