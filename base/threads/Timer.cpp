#include "base/threads/Timer.h"

#include "base/threads/Thread.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>

namespace heron
{

namespace
{

constexpr std::int64_t nsPerMs = 1000000;
constexpr std::int64_t nsPerSecond = 1000000000;
// Longest single wait, so that a stop is seen soon.
constexpr std::int64_t longestWaitNs = 100 * nsPerMs;
constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();

std::int64_t nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * nsPerSecond + now.tv_nsec;
}

// Sleeps until due or for longestWaitNs, whichever comes first; true when due has come.
bool waitUntil(std::int64_t due)
{
    const std::int64_t wake = std::min(due, nowNs() + longestWaitNs);
    const timespec until{static_cast<time_t>(wake / nsPerSecond), static_cast<long>(wake % nsPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    return nowNs() >= due;
}

// The first due time after due on the grid of intervals that is not already past by more than
// one interval: the periods missed while a tick ran late are given one tick, not one each.
std::int64_t nextDue(std::int64_t due, std::int64_t interval)
{
    if (interval <= 0) {
        return never;
    }
    due += interval;
    const std::int64_t late = nowNs() - due;
    return late > 0 ? due + late / interval * interval : due;
}

}

// The timer's thread work. It is counted so that its thread keeps it alive while run lasts, even
// when the Timer that owns it is deleted from inside a tick.
class TimerInternals : public Threadable, public Refcountable
{
public:
    int run() override
    {
        const counted_ptr<TimerInternals> keep(this);
        const unsigned generation = m_generation.load();
        const std::int64_t interval = m_intervalMs.load() * nsPerMs;
        std::int64_t due = nowNs();
        while (isCurrent(generation)) {
            if (!waitUntil(due) || !isCurrent(generation)) {
                continue;
            }
            m_func.load()->tick();
            due = nextDue(due, interval);
        }
        return 0;
    }

    // True while a thread started for generation should go on ticking.
    bool isCurrent(unsigned generation) const { return !stopFlag && generation == m_generation.load(); }

    std::atomic<std::int64_t> m_intervalMs{10};
    int m_priority = 3;
    std::atomic<TimerFunc*> m_func{nullptr};
    // Counts the starts, so that a thread left running by a stop from its own tick ends even
    // when the timer is started again before it has seen its stop flag.
    std::atomic<unsigned> m_generation{0};
    counted_ptr<Thread> m_thread;
};

Timer::Timer()
    : m_internals(new TimerInternals)
{
}

Timer::~Timer()
{
    stop();
}

void Timer::setPeriod(double seconds)
{
    const double ms = std::trunc(seconds * 1000.0);
    m_internals->m_intervalMs = ms > 0.0 ? static_cast<std::int64_t>(std::min(ms, 1e12)) : 0;
}

void Timer::setPriority(int priority)
{
    m_internals->m_priority = priority;
}

void Timer::start(TimerFunc* func)
{
    TimerInternals& internals = *m_internals;
    if (internals.m_thread || !func) {
        return;
    }
    internals.m_func = func;
    ++internals.m_generation;
    new Thread(internals.m_thread, &internals, internals.m_priority);
}

void Timer::stop()
{
    m_internals->m_thread.reset();
}

}
