#include "base/Mutex.h"

#include "Eventually.h"
#include "TempLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace
{

// tryLock on another thread; a lock it gets is given back at once.
bool freeForAnotherThread(heron::Mutex& mutex)
{
    bool taken = false;
    std::thread([&] {
        taken = heron::MutexLock::tryLock(mutex);
        if (taken) {
            mutex.unlock();
        }
    }).join();
    return taken;
}

// Holds mutex on a thread of its own (call site 7) until the log shows line, while the calling
// thread takes it with a MutexLock at call site 42.
void waitBehindAHolder(heron::Mutex& holderSide, heron::Mutex& waiterSide, const TempLog& log,
                       const std::string& line)
{
    std::atomic<bool> holding{false};
    std::thread holder([&] {
        heron::MutexLock lock(holderSide, 7);
        holding = true;
        EXPECT_TRUE(eventually([&] { return log.contains(line); }));
    });
    ASSERT_TRUE(eventually([&] { return holding.load(); }));
    {
        heron::MutexLock lock(waiterSide, 42);
    }
    holder.join();
}

// Points the lock-file folder at a fresh temp folder for the test's duration.
class SystemMutex : public testing::Test
{
protected:
    void SetUp() override
    {
        const char* const old = std::getenv("XDG_RUNTIME_DIR");
        m_hadOld = old != nullptr;
        m_old = old ? old : "";
        setenv("XDG_RUNTIME_DIR", m_log.folder().c_str(), 1);
    }

    void TearDown() override
    {
        if (m_hadOld) {
            setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }

    // The exit code of a child process that tries to take the system-wide mutex name.
    static int childTryLockResult(const char* name)
    {
        const pid_t child = fork();
        if (child == 0) {
            heron::Mutex mutex(name, true);
            _exit(heron::MutexLock::tryLock(mutex) ? 1 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempLog m_log;
    bool m_hadOld = false;
    std::string m_old;
};

}

TEST(MutexLock, IsReentrantAndFreesTheMutexOnlyAfterTheLastRelease)
{
    heron::Mutex mutex("Reentrant");
    {
        heron::MutexLock outer(mutex, 1);
        {
            heron::MutexLock inner(mutex, 2);
            EXPECT_FALSE(freeForAnotherThread(mutex));
        }
        EXPECT_FALSE(freeForAnotherThread(mutex));
    }
    EXPECT_TRUE(freeForAnotherThread(mutex));
}

TEST(MutexLock, TryLockFailsForAnotherThreadAtOnceAndSucceedsForTheHolder)
{
    heron::Mutex mutex("Try");
    ASSERT_TRUE(heron::MutexLock::tryLock(mutex));
    EXPECT_FALSE(freeForAnotherThread(mutex));
    EXPECT_TRUE(heron::MutexLock::tryLock(mutex));
    mutex.unlock();
    EXPECT_FALSE(freeForAnotherThread(mutex));
    mutex.unlock();
    EXPECT_TRUE(freeForAnotherThread(mutex));
}

TEST(MutexLock, LogsEachSecondItWaitsWithBothCallSites)
{
    TempLog log;
    heron::Mutex mutex("Slow lock");
    const std::string line = "Mutex Slow lock taking a int32 time at 42 (locked from 7)...\n";
    waitBehindAHolder(mutex, mutex, log, line);
    EXPECT_TRUE(log.contains(line));
}

TEST(Mutex, UnlockByAThreadThatDoesNotHoldItIsLoggedAndIgnored)
{
    TempLog log;
    heron::Mutex mutex("Held");
    heron::MutexLock lock(mutex, 3);
    std::thread([&] { mutex.unlock(); }).join();
    EXPECT_TRUE(log.contains("Mutex Held unlocked by a thread that does not hold it\n"));
    EXPECT_FALSE(freeForAnotherThread(mutex));
}

TEST_F(SystemMutex, ExcludesASecondHolderInTheSameProcess)
{
    heron::Mutex first("VevoDezeTest", true);
    heron::Mutex second("VevoDezeTest", true);
    ASSERT_TRUE(heron::MutexLock::tryLock(first));
    EXPECT_FALSE(heron::MutexLock::tryLock(second));
    EXPECT_FALSE(freeForAnotherThread(first));
    first.unlock();
    EXPECT_TRUE(heron::MutexLock::tryLock(second));
    second.unlock();
    EXPECT_TRUE(std::filesystem::exists(m_log.folder() / ("VevoDezeTest-" + std::to_string(getuid()) + ".lock")));
}

TEST_F(SystemMutex, ExcludesAHolderInAnotherProcessAndFreesWithIt)
{
    heron::Mutex mutex("VevoDezeFork", true);
    ASSERT_TRUE(heron::MutexLock::tryLock(mutex));
    EXPECT_EQ(childTryLockResult("VevoDezeFork"), 0);
    mutex.unlock();
    EXPECT_EQ(childTryLockResult("VevoDezeFork"), 1);
    EXPECT_TRUE(heron::MutexLock::tryLock(mutex));
    mutex.unlock();
}

TEST_F(SystemMutex, IsReentrantForTheHoldingThread)
{
    heron::Mutex mutex("VevoDezeAgain", true);
    heron::Mutex other("VevoDezeAgain", true);
    {
        heron::MutexLock outer(mutex, 1);
        ASSERT_TRUE(heron::MutexLock::tryLock(mutex));
        mutex.unlock();
        EXPECT_FALSE(heron::MutexLock::tryLock(other));
    }
    EXPECT_TRUE(heron::MutexLock::tryLock(other));
    other.unlock();
}

TEST_F(SystemMutex, WaiterLogsEachSecondWhileAnotherHolderHasTheLockFile)
{
    heron::Mutex holderSide("VevoDezeWait", true);
    heron::Mutex waiterSide("VevoDezeWait", true);
    const std::string line = "Mutex VevoDezeWait taking a int32 time at 42 (locked from -1)...\n";
    waitBehindAHolder(holderSide, waiterSide, m_log, line);
    EXPECT_TRUE(m_log.contains(line));
}

TEST_F(SystemMutex, WithoutALockFileIsLoggedAndNeverTaken)
{
    const char* const oldTemp = std::getenv("TMPDIR");
    const std::string savedTemp = oldTemp ? oldTemp : "";
    const std::string missing = (m_log.folder() / "missing").string();
    setenv("XDG_RUNTIME_DIR", missing.c_str(), 1);
    setenv("TMPDIR", missing.c_str(), 1);
    heron::Mutex mutex("VevoDezeNowhere", true);
    oldTemp ? setenv("TMPDIR", savedTemp.c_str(), 1) : unsetenv("TMPDIR");
    EXPECT_TRUE(m_log.contains("Mutex creation failed because: 2\n"));
    EXPECT_FALSE(heron::MutexLock::tryLock(mutex));
    heron::MutexLock lock(mutex, 5);
    EXPECT_FALSE(freeForAnotherThread(mutex));
}
