#pragma once

#include <chrono>
#include <thread>

// Polls condition until it holds; false when it still does not after a generous bound, which
// only guards the test against a hang and is never a measure of speed.
template <class Condition>
bool eventually(Condition condition)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
