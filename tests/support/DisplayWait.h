#pragma once

// How display tests get their display: a display that is named but not there yet is tried again a
// few times before the test gives up, and a test that gives up is skipped, or fails when run under
// continuous integration, so that there a green run means that every display test ran.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

// Tries a display gets: the first, then retries after pauses of a quarter, a half, one and two
// seconds (under four seconds in all).
constexpr int displayTries = 5;

// Sleeps before the given retry (1 for the first), twice as long as before the one before it.
inline void pauseBeforeRetry(int retry)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(250) * (1 << (retry - 1)));
}

// Runs probe until it finds the display, at most `tries` times, calling pause with the retry's
// number before each retry; true once the probe found it. A probe that failed is run again.
inline bool tryForDisplay(const std::function<bool()>& probe, const std::function<void(int)>& pause, int tries)
{
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0) {
            pause(attempt);
        }
        if (probe()) {
            return true;
        }
    }
    return false;
}

// Whether a display is named at all: without one, none will come, and nothing is waited for.
inline bool displayNamed()
{
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

// The display found by probe, waited for as above when one is named.
inline bool waitForDisplay(const std::function<bool()>& probe)
{
    return tryForDisplay(probe, pauseBeforeRetry, displayNamed() ? displayTries : 1);
}

// Whether the tests run under continuous integration, which sets CI.
inline bool continuousIntegration()
{
    const char* const ci = std::getenv("CI");
    return ci && *ci;
}

// Marks the running test skipped for the missing display, with the reason; under continuous
// integration the test fails instead. The caller returns at once.
inline void reportMissingDisplay(const std::string& reason)
{
    if (continuousIntegration()) {
        GTEST_FAIL() << reason << " (a test under CI needs its display)";
    }
    GTEST_SKIP() << reason;
}
