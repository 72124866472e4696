#include "sound/SoundSystem.h"

#include "sound/SoundSystemInternals.h"
#include "base/Debug.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace
{

using Journal = std::vector<std::string>;

// Writes what is done to it into a journal, with the number of listener hand-overs (one per
// hardware update) made by then.
class JournalObject : public egret::SoundObject
{
public:
    JournalObject(Journal& journal, const plat::FakeAudio& audio, const char* name)
        : m_journal(journal), m_audio(audio), m_name(name)
    {
    }
    ~JournalObject() override { note("gone"); }
    void start() override { note("start"); }
    void update() override { note("update"); }
    void addStatistics(std::vector<egret::StatisticsRecord>& records) override { records.emplace_back(); }

private:
    void note(const char* what) { m_journal.push_back(m_name + " " + what + " " + std::to_string(m_audio.listenerUpdates())); }

    Journal& m_journal;
    const plat::FakeAudio& m_audio;
    const std::string m_name;
};

// A sound object with a thread of its own that ends with it; its end is logged.
class ThreadedObject : public egret::SoundObject, public heron::Threadable
{
public:
    explicit ThreadedObject(std::atomic<int>& running) : m_running(running) { new heron::Thread(m_thread, this, 2); }
    ~ThreadedObject() override
    {
        m_thread.reset();
        heron::debug("threaded object gone\n");
    }
    int run() override
    {
        ++m_running;
        while (!stopFlag) {
            heron::sleepMs(1);
        }
        --m_running;
        return 0;
    }

private:
    std::atomic<int>& m_running;
    heron::counted_ptr<heron::Thread> m_thread;
};

class SoundSystemTest : public testing::Test
{
protected:
    SoundSystemTest() { EXPECT_TRUE(system.initialize(nullptr)); }
    JournalObject* object(const char* name) { return new JournalObject(journal, audio, name); }

    plat::FakeAudio audio;
    Journal journal;
    egret::SoundSystemInternals system;
};

}

TEST(VolumeToAttenuation, FollowsTheTableAndClampsItsInput)
{
    const std::pair<float, int> cases[] = {{1.0f, 0},      {2.0f, 0},           {0.0f, -10000}, {-1.0f, -10000},
                                           {0.5f, -100},   {0.25f, -1000},      {0.999f, -1},   {1.0f / 512, -9821}};
    for (const auto& [volume, attenuation] : cases) {
        EXPECT_EQ(egret::volumeToAttenuation(volume), attenuation) << volume;
    }
}

TEST_F(SoundSystemTest, PassRunsTheHardwareFirstThenDeletesReleasedThenStartsNewestFirstThenUpdatesInOrder)
{
    egret::Placement listener;
    listener.position.x = 7.0f;
    system.setListener(listener);
    system.registerObject(object("a"));
    system.registerObject(object("b"));
    system.update();
    // The hardware update hands its listener over, then the pass the system's: two by the objects.
    EXPECT_EQ(journal, (Journal{"b start 2", "a start 2", "b update 2", "a update 2"}));
    EXPECT_EQ(audio.listener().position.x, 7.0f);
    journal.clear();
    JournalObject* brief = object("c");
    system.registerObject(brief);
    system.unregisterObject(brief);
    system.registerObject(object("d"));
    system.update();
    EXPECT_EQ(journal, (Journal{"c gone 3", "d start 3", "b update 3", "a update 3", "d update 3"}));
    EXPECT_EQ(system.statistics().size(), 3u);
}

TEST(SilentSoundSystem, PassDeletesReleasedObjectsAndStartsNone)
{
    plat::FakeAudio audio(plat::FakeAudio::Presence::Absent);
    Journal journal;
    egret::SoundSystemInternals system;
    EXPECT_FALSE(system.initialize(nullptr));
    auto* const released = new JournalObject(journal, audio, "a");
    system.registerObject(released);
    system.registerObject(new JournalObject(journal, audio, "b"));
    system.unregisterObject(released);
    system.update();
    EXPECT_EQ(journal, (Journal{"a gone 0"}));
}

TEST_F(SoundSystemTest, PassIsSkippedSilentlyWhileAnotherHoldsTheUpdateLock)
{
    system.registerObject(object("a"));
    LogCapture log;
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        const heron::MutexTryLock pass(system.updateLock());
        held = pass.taken();
        while (!release) {
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(eventually([&] { return held.load(); }));
    system.update();
    EXPECT_EQ(audio.listenerUpdates(), 1);
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(log.text(), "");
    release = true;
    holder.join();
    system.update();
    EXPECT_EQ(journal, (Journal{"a start 2", "a update 2"}));
}

TEST_F(SoundSystemTest, TimerRunsThePassesWhileTheThreadModelAsks)
{
    egret::SoundSystem timed;
    ASSERT_TRUE(timed.initialize(nullptr));
    timed.setThreadModel(egret::timerDrivenUpdates | egret::feederThreads);
    EXPECT_TRUE(eventually([&] { return audio.listenerUpdates() >= 3; }));
    timed.setThreadModel(0);
    const int updates = audio.listenerUpdates();
    timed.update();
    EXPECT_EQ(audio.listenerUpdates(), updates + 1);
}

TEST_F(SoundSystemTest, DyingDeletesEveryListedObjectWithItsThreadBeforeTheHardware)
{
    LogCapture log;
    std::atomic<int> running{0};
    {
        egret::SoundSystemInternals dying;
        ASSERT_TRUE(dying.initialize(nullptr));
        auto* live = new ThreadedObject(running);
        dying.registerObject(live);
        dying.update();
        dying.registerObject(new ThreadedObject(running));
        dying.unregisterObject(live);
        ASSERT_TRUE(eventually([&] { return running == 2; }));
    }
    EXPECT_EQ(running, 0);
    const std::string text = log.text();
    EXPECT_EQ(log.count("threaded object gone"), 2);
    EXPECT_LT(text.find("2...\n"), text.find("threaded object gone"));
    EXPECT_LT(text.rfind("threaded object gone"), text.find("1...\n"));
    EXPECT_LT(text.find("1...\n"), text.find("0...\n"));
}

TEST_F(SoundSystemTest, HardwareLayerIsMadeOnceWhoeverAsksFirst)
{
    egret::SoundSystemInternals fresh;
    egret::OpenALSoundHAL* seen[2] = {};
    std::thread other([&] { seen[1] = &fresh.hal(); });
    seen[0] = &fresh.hal();
    other.join();
    EXPECT_EQ(seen[0], seen[1]);
}

namespace
{
// Counts the bytes of the mono samples it receives.
struct Receiver : egret::SampleReceiver
{
    void receiveSamples(const egret::SoundFormat& format, const heron::counted_ptr<heron::ByteBuffer>& samples) override
    {
        monoBytes += format.channels == 1 ? samples->size() : 0;
    }
    std::atomic<std::size_t> monoBytes{0};
};
}

TEST_F(SoundSystemTest, LoaderReadsEachNameOnceAndMixesDownForMono)
{
    egret::SoundSystem handle;
    EXPECT_FALSE(handle.isLoading());
    auto* tone = new ToneSource(egret::stereo16Format, 4410, 4410, "surf.wav");
    const heron::counted_ptr<egret::SoundDataSource> source(tone);
    const heron::counted_ptr<Receiver> receiver(new Receiver);
    const egret::SoundLoaderInternals::Job job{source, "surf.wav", egret::mono16Format, receiver};
    handle.internals().loader().addJob(job);
    handle.internals().loader().addJob(job);
    ASSERT_TRUE(eventually([&] { return receiver->monoBytes == 2 * 4410u * 2 && !handle.isLoading(); }));
    EXPECT_EQ(tone->closes, 1);
}
