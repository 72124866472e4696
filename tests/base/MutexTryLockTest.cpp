#include "base/Mutex.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{

// Whether another thread could take the mutex now; a hold it gets is given back at once.
bool freeForAnotherThread(heron::Mutex& mutex)
{
    bool taken = false;
    std::thread([&] { taken = heron::MutexTryLock(mutex).taken(); }).join();
    return taken;
}

}

TEST(MutexTryLock, HoldTakenIsReleasedAtTheEndOfItsScope)
{
    heron::Mutex mutex("try-lock");
    {
        const heron::MutexTryLock hold(mutex);
        ASSERT_TRUE(hold.taken());
        EXPECT_FALSE(freeForAnotherThread(mutex));
    }
    EXPECT_TRUE(freeForAnotherThread(mutex));
}

// A hold refused because another thread has the mutex must not give that thread's hold back.
TEST(MutexTryLock, RefusedHoldReleasesNothing)
{
    heron::Mutex mutex("try-lock");
    LogCapture log;
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        const heron::MutexLock lock(mutex, 1);
        held = true;
        while (!release) {
            std::this_thread::yield();
        }
    });
    while (!held) {
        std::this_thread::yield();
    }
    {
        const heron::MutexTryLock refused(mutex);
        EXPECT_FALSE(refused.taken());
    }
    EXPECT_FALSE(freeForAnotherThread(mutex));
    release = true;
    holder.join();
    EXPECT_EQ(log.text(), "");
}
