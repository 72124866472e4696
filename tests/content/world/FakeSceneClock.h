#pragma once

#include "scene/core/Clock.h"

// A scene clock the world tests set by hand.
namespace worldtest
{

inline double fakeSeconds = 0.0;
inline double fakeClock()
{
    return fakeSeconds;
}

// The scene clock reads `fakeSeconds` while the object lives.
class FakeClock
{
public:
    FakeClock()
    {
        fakeSeconds = 0.0;
        finch::Clock::setBaseClock(&fakeClock);
    }
    ~FakeClock() { finch::Clock::setBaseClock(nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void set(double seconds) { fakeSeconds = seconds; }
};

}
