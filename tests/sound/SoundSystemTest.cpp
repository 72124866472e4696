#include "sound/SoundSystem.h"

#include "sound/SoundSystemInternals.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Writes what is done to it into a journal, with the number of listener hand-overs the hardware
// update had made by then.
class JournalObject : public egret::SoundObject
{
public:
    JournalObject(std::vector<std::string>& journal, const plat::FakeAudio& audio, const char* name)
        : m_journal(journal), m_audio(audio), m_name(name)
    {
    }
    ~JournalObject() override { note("gone"); }
    void start() override { note("start"); }
    void update() override { note("update"); }
    void addStatistics(std::vector<egret::StatisticsRecord>& records) override { records.push_back({.value = 1.0f}); }

private:
    void note(const char* what) { m_journal.push_back(m_name + " " + what + " " + std::to_string(m_audio.listenerUpdates())); }

    std::vector<std::string>& m_journal;
    const plat::FakeAudio& m_audio;
    const std::string m_name;
};

// A sound object with a thread of its own that ends with it.
class ThreadedObject : public egret::SoundObject, public heron::Threadable
{
public:
    explicit ThreadedObject(std::atomic<int>& runningThreads) : m_running(runningThreads)
    {
        new heron::Thread(m_thread, this, 2);
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
    egret::SoundSystemInternals& open()
    {
        EXPECT_TRUE(system.initialize(nullptr));
        return system;
    }
    JournalObject* object(const char* name) { return new JournalObject(journal, audio, name); }

    plat::FakeAudio audio;
    std::vector<std::string> journal;
    egret::SoundSystemInternals system;
};

using Journal = std::vector<std::string>;

}

TEST(VolumeToAttenuation, FollowsTheTableAndClampsItsInput)
{
    const struct
    {
        float volume;
        int attenuation;
    } cases[] = {{1.0f, 0},      {2.0f, 0},       {0.0f, -10000}, {-1.0f, -10000}, {0.5f, -100},
                 {0.25f, -1000}, {1.0f / 512, -9821}, {0.999f, -1},   {0.75f, -10}};
    for (const auto& c : cases) {
        EXPECT_EQ(egret::volumeToAttenuation(c.volume), c.attenuation) << c.volume;
    }
}

TEST_F(SoundSystemTest, PassRunsTheHardwareFirstThenReleasesThenStartsNewestFirstThenUpdatesInOrder)
{
    open();
    system.registerObject(object("a"));
    system.registerObject(object("b"));
    system.update();
    EXPECT_EQ(journal, (Journal{"b start 1", "a start 1", "b update 1", "a update 1"}));

    journal.clear();
    JournalObject* c = object("c");
    system.registerObject(c);
    system.unregisterObject(c);
    system.registerObject(object("d"));
    system.update();
    EXPECT_EQ(journal, (Journal{"c gone 2", "d start 2", "b update 2", "a update 2", "d update 2"}));
    EXPECT_EQ(system.statistics().size(), 3u);
}

TEST_F(SoundSystemTest, PassIsSkippedSilentlyWhileAnotherHoldsTheUpdateLock)
{
    open();
    system.registerObject(object("a"));
    LogCapture log;
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        ASSERT_TRUE(heron::MutexLock::tryLock(system.updateLock()));
        held = true;
        while (!release) {
            std::this_thread::yield();
        }
        system.updateLock().unlock();
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

TEST_F(SoundSystemTest, WithoutADeviceObjectsWaitAndTheThreadModelStays)
{
    plat::FakeAudio::Settings none;
    none.present = false;
    plat::FakeAudio silent(none);
    egret::SoundSystemInternals deaf;
    EXPECT_FALSE(deaf.initialize(nullptr));
    deaf.registerObject(new JournalObject(journal, silent, "a"));
    deaf.update();
    deaf.setThreadModel(egret::timerDrivenUpdates);
    EXPECT_EQ(deaf.threadModel(), 0u);
    EXPECT_TRUE(journal.empty());
}

TEST_F(SoundSystemTest, TimerRunsThePassesOnceTheThreadModelAsksForIt)
{
    egret::SoundSystem handle;
    ASSERT_TRUE(handle.initialize(nullptr));
    std::atomic<int> running{0};
    handle.internals().registerObject(new ThreadedObject(running));
    handle.setThreadModel(egret::timerDrivenUpdates | egret::feederThreads);
    EXPECT_TRUE(eventually([&] { return audio.listenerUpdates() >= 3; }));
    handle.setThreadModel(0);
    const int updates = audio.listenerUpdates();
    handle.update();
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
        dying.registerObject(object("late"));
        ASSERT_TRUE(eventually([&] { return running == 2; }));
    }
    EXPECT_EQ(running, 0);
    EXPECT_EQ(journal, (Journal{"late gone 1"}));
    const std::string text = log.text();
    EXPECT_LT(text.find("2...\n"), text.find("1...\n"));
    EXPECT_LT(text.find("1...\n"), text.find("0...\n"));
}

TEST_F(SoundSystemTest, HardwareLayerIsMadeOnceWhoeverAsksFirst)
{
    LogCapture log;
    std::vector<egret::OpenALSoundHAL*> seen(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] { seen[i] = &system.hal(); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), seen[0]), 4);
    EXPECT_EQ(log.count("Initializing sound system - using DirectSoundHAL"), 1);
}

namespace
{
class Receiver : public egret::SampleReceiver
{
public:
    void receiveSamples(const egret::SoundFormat& format, const heron::counted_ptr<heron::ByteBuffer>& samples) override
    {
        channels = format.channels;
        bytes = samples ? samples->size() : 0;
        ++received;
    }
    std::atomic<std::uint32_t> channels{0};
    std::atomic<std::size_t> bytes{0};
    std::atomic<int> received{0};
};
}

TEST_F(SoundSystemTest, LoaderReadsEachNameOnceAndMixesDownForMono)
{
    egret::SoundSystem handle;
    EXPECT_FALSE(handle.isLoading());
    auto* tone = new ToneSource(egret::stereo16Format, 4410, 4410, "surf.wav");
    const heron::counted_ptr<egret::SoundDataSource> source(tone);
    heron::counted_ptr<Receiver> receiver(new Receiver);
    const egret::SoundLoaderInternals::Job job{source, "surf.wav", egret::mono16Format, receiver};
    handle.internals().loader().addJob(job);
    handle.internals().loader().addJob(job);
    ASSERT_TRUE(eventually([&] { return receiver->received == 2 && !handle.isLoading(); }));
    EXPECT_EQ(receiver->channels, 1u);
    EXPECT_EQ(receiver->bytes, 4410u * 2);
    EXPECT_EQ(tone->closes, 1);
}
